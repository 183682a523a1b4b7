#include "protocol/Log.h"

#include <ctime>

#include "protocol/JobState.h"

namespace {

std::string TimeText(std::time_t when, const char* format) {
  std::tm local{};
  localtime_r(&when, &local);
  char buf[128];
  size_t n = std::strftime(buf, sizeof buf, format, &local);
  return std::string(buf, n);
}

}  // namespace

std::string LongTimeText() { return TimeText(std::time(nullptr), "%X"); }
std::string ShortDateText() { return TimeText(std::time(nullptr), "%x"); }
std::string LongTimeText(std::time_t when) { return TimeText(when, "%X"); }
std::string ShortDateText(std::time_t when) { return TimeText(when, "%x"); }

std::string InfoLine(std::string_view text) {
  return "> " + LongTimeText() + " " + std::string(text);
}

std::string SlotLine(std::string_view text, int slot) {
  return "> " + LongTimeText() + " C" + std::to_string(slot + 1) + ": " + std::string(text);
}

void AddInfoLine(JobState& js, std::string_view text) {
  if (js.LogMemo) js.LogMemo->AppendLogLine(InfoLine(text));
}

void LogSlotMessage(JobState& js, std::string_view text, int slot) {
  if (js.LogMemo) js.LogMemo->AppendLogLine(SlotLine(text, slot));
}

void AddRawLine(JobState& js, std::string_view text) {
  if (js.LogMemo) js.LogMemo->AppendLogLine(std::string(text));
}
