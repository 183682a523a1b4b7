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

TEST(Messages, FullWidthMarksArePartOfTheChineseTexts) {
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
