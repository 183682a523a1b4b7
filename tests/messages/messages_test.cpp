#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "messages/Format.h"
#include "messages/MessagePairs.h"
#include "messages/Messages.h"

namespace {

// The printf conversions of a text, in order ("%d", "%0.6x", "%s").
std::vector<std::string> Placeholders(std::string_view text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    size_t j = i + 1;
    while (j < text.size() && std::string_view("-+ #0123456789.").find(text[j]) != std::string_view::npos) ++j;
    if (j < text.size()) out.emplace_back(text.substr(i, j - i + 1));
    i = j;
  }
  return out;
}

}  // namespace

TEST(Messages, EveryPairHasAChineseTextWithTheSamePlaceholders) {
  std::set<std::string_view> seen;
  for (const auto& pair : msg::MessagePairs()) {
    EXPECT_TRUE(seen.insert(pair.english).second) << "duplicate " << pair.english;
    EXPECT_FALSE(pair.chinese.empty()) << pair.english;
    EXPECT_NE(pair.chinese, pair.english) << pair.english;
    EXPECT_EQ(Placeholders(pair.english), Placeholders(pair.chinese)) << pair.english;
  }
}

TEST(Messages, EveryMessageOfTheTwoBuildsHasItsChineseText) {
  // The English texts the program's code asks for; each must have its pair.
  const char* const kEnglish[] = {
      "Please input valid SN data!!", "Please Input Valid Log File Name!", "Operation Success!",
      "Operation Failed!", "Start firmware upgrade......", "Find Device: %s!", "No Device Found!",
      "Chip Data has been read out.", "Chip has been Erased, Do Programming......",
      "Programming Success, do verification......", "Chip is Blank!", "Chip is Not Blank!",
      "Burn OK, Total: %d", "Download Data has been read out.", "Read Chip Information success: ID=",
      "Read data using chip flash Size", "Read data using loaded file size",
      "File Start Address = 0x%0.6x.", "File End Address   = 0x%0.6x.",
      "Chip Start Address = 0x%0.6x.", "Chip End Address   = 0x%0.6x.", "File \"%s\" has been saved!",
      "No data to be saved!", "Please select Chip Type!", "Please Load Data File!",
      "Programmer %d: Download Data......", "Chip %d : Auto-Programming,Start to Erase......",
      "Chip %d : Auto-Programming,Start to write......", "Please connect device!!",
      "Please connect device!", "Chip %d : Do Blank Check......", "Chip %d : Do Erase......",
      "Chip %d : Do Programming......", "Chip %d : Do Verification......",
      "Chip: Read Downloaded Data......", "Chip 1: Read Chip......", "Chip 1: Read Chip Information......",
      "Chip 1: Read Chip DID Data......", "Chip data has been read out successfully!",
      "Time out when Read Chip data!", "Operation Time Out!", "Please select COM......",
      "File \"VOzOZEdud.ZQM\" not found, please confirm!", "Enter Off-Line Monitor Mode!",
      "Packet Data error", "Packet error!", "Unknow Command!", "Flash Memory Error!",
      "Write Flash Memory Error!", "Data verify error!", "Check sum error!", "Chip unmatched!",
      "Manufacturer unmatched!", "Command Time Out!", "Communication Waiting Time Out!",
      "Command error!", "Initialize interface error!", "Operation Failed,Error Code: 0%d",
      "Connection to the unit lost!", "Cannot open %s: %s!",
      "Cannot open %s: %s! The user needs access to the serial device (e.g. the dialout group).",
      "The data buffer is being sent to the units, please wait until they finish!",
      "The data buffer is being filled by a chip read, please wait until it ends!",
      "The units are running, please wait until they finish before changing the data or the chip!",
      "The S/N address 0x%0.8x lies outside the data range being programmed (0x%0.8x - 0x%0.8x)! "
      "Please choose another S/N address, or check \"User Chip Size\" to program the whole chip.",
      "The S/N address 0x%0.8x lies outside the data range being programmed (0x%0.8x - 0x%0.8x): "
      "its 4 bytes would not all reach the chip! Please choose another S/N address.",
  };
  for (const char* english : kEnglish) {
    const std::string chinese = msg::Tr(english);
    EXPECT_NE(chinese, english) << english;
    EXPECT_EQ(Placeholders(chinese), Placeholders(english)) << english;
  }
  // Full-width marks are part of the texts.
  EXPECT_EQ(msg::Tr("Please connect device!"), "请连接好设备！");
  EXPECT_EQ(msg::Tr("Please connect device!!"), "请连接好设备!");
}

TEST(Messages, ChineseSetTranslatesPairsAndKeepsOtherTexts) {
  EXPECT_FALSE(msg::IsEnglishBuild());
  EXPECT_EQ(msg::Tr("Operation Success!"), "操作成功！");
  EXPECT_EQ(msg::Tr("3.3V Interface is selected!"), "3.3V Interface is selected!");
  EXPECT_EQ(msg::Tr("No Device is Connected!"), "No Device is Connected!");
  EXPECT_EQ(msg::Tr("File of \"VOzOZEdud.ZQM\" not Found!"), "File of \"VOzOZEdud.ZQM\" not Found!");
}

TEST(Format, HexConversionsAreUpperCase) {
  EXPECT_EQ(msg::Fmt("0x%0.6x.", 0xabcdu), "0x00ABCD.");
  EXPECT_EQ(msg::Fmt("  %x", 10u), "  A");
  EXPECT_EQ(msg::Fmt("%0.8x %d %s %%x", 0xdeadbeefu, -5, "ab"), "DEADBEEF -5 ab %x");
  EXPECT_EQ(msg::FmtV(msg::Tr("Burn OK, Total: %d"), 3), "烧写OK总数: 3");
}
