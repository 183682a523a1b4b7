// The slot flags change only through the transitions of SlotLife.h: a write
// anywhere else in the program would bypass them, and the phase and the
// flag checks would no longer describe what the slot does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The transitions, and the job state itself (its declarations and reset).
const std::set<std::string> kAllowed = {"protocol/SlotLife.cpp", "protocol/JobState.cpp", "protocol/JobState.h"};

std::vector<std::string> FlagWrites(const fs::path& root) {
  static const std::regex kWrite(
      R"(\b(SlotConnected|SlotBusy|SlotOp|SlotDownloading|SlotRawPending|SlotAutoMode|SlotGaugeTick)\s*(\[[^\]]*\]\s*(=[^=]|\+=|-=|\+\+|--)|\.fill\s*\()|\bReadStreaming\s*(=[^=]|\+=|-=|\+\+|--))");
  std::vector<std::string> found;
  for (const char* folder : {"protocol", "ui", "app", "files", "catalogue", "transport"}) {
    if (!fs::exists(root / folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string file = fs::relative(entry.path(), root).generic_string();
      if (kAllowed.count(file)) continue;
      std::ifstream in(entry.path());
      std::string line;
      for (int number = 1; std::getline(in, line); ++number) {
        if (std::regex_search(line, kWrite)) found.push_back(file + ":" + std::to_string(number) + ": " + line);
      }
    }
  }
  return found;
}

TEST(SlotFlagWriters, OnlyTheTransitionsWriteTheSlotFlags) {
  const fs::path root = KORVAN_SOURCE_DIR;
  ASSERT_TRUE(fs::exists(fs::path(root) / "protocol" / "SlotLife.cpp"));
  std::ostringstream list;
  const std::vector<std::string> writes = FlagWrites(root);
  for (const auto& w : writes) list << w << "\n";
  EXPECT_TRUE(writes.empty()) << list.str();
}

}  // namespace
