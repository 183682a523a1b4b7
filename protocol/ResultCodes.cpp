#include <array>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotOperations.h"

namespace {

struct NamedCode {
  int code;
  const char* text;
};

constexpr std::array kNamedCodes = {
    NamedCode{0x20, msg::Text("Packet Data error")},
    NamedCode{0x23, msg::Text("Packet error!")},
    NamedCode{0x25, msg::Text("Unknow Command!")},
    NamedCode{0x2C, msg::Text("Flash Memory Error!")},
    NamedCode{0x2D, msg::Text("Write Flash Memory Error!")},
    NamedCode{0x31, msg::Text("Data verify error!")},
    NamedCode{0x34, msg::Text("Check sum error!")},
    NamedCode{0x36, msg::Text("Chip unmatched!")},
    NamedCode{0x38, msg::Text("Manufacturer unmatched!")},
    NamedCode{0x40, msg::Text("Command Time Out!")},
    NamedCode{0x43, msg::Text("Communication Waiting Time Out!")},
    NamedCode{0x45, msg::Text("Command error!")},
    NamedCode{0x60, msg::Text("Initialize interface error!")},
};

// Shows the slot's waiting texts one by one, each box before its log line.
// Runs from the event loop; a code that arrives while a box is open (the
// box's own loop runs receive events) joins the queue instead of opening a
// second box for the slot.
void ShowQueuedResults(JobState& js, int slot) {
  auto& queue = js.SlotResultBoxes[slot];
  while (!queue.empty()) {
    std::string text = queue.front();
    if (js.LogMemo) js.LogMemo->ShowErrorMessage(text);
    LogSlotMessage(js, text, slot);
    queue.pop_front();
  }
}

}  // namespace

std::string ResultCodeText(int code) {
  for (const auto& named : kNamedCodes) {
    if (named.code == code) return msg::Tr(named.text);
  }
  return msg::FmtV(msg::Tr("Operation Failed,Error Code: 0%d"), code);
}

void ShowResultCode(JobState& js, int code, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  auto& queue = js.SlotResultBoxes[slot];
  queue.push_back(ResultCodeText(code));
  if (queue.size() > 1) return;  // the slot's box is open or already posted
  if (js.LogMemo) {
    js.LogMemo->Post([&js, slot] { ShowQueuedResults(js, slot); });
  } else {
    ShowQueuedResults(js, slot);
  }
}
