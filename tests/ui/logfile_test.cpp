// Log file naming and writing at the file edge.
#include <gtest/gtest.h>

#include "files/LogFile.h"

TEST(LogFile, AutomaticNameReplacesSeparatorsButKeepsBlanks) {
  struct Case {
    const char* date;
    const char* time;
    const char* name;
  } cases[] = {
      {"2016-05-03", "10:23:45", "QZ_2016_05_03_10_23_45.log"},
      {"2016-05-03", "10:23:45 AM", "QZ_2016_05_03_10_23_45 AM.log"},
      {"12/10/26", "08:26:14", "QZ_12_10_26_08_26_14.log"},
      {"03.05.2016", "10:23:45", "QZ_03.05.2016_10_23_45.log"},
  };
  for (const Case& c : cases) EXPECT_EQ(AutoLogFileName(c.date, c.time), c.name);
}

TEST(LogFile, ChineseTextBecomesGbBytes) {
  EXPECT_EQ(Utf8ToGb18030("操作成功！"), "\xB2\xD9\xD7\xF7\xB3\xC9\xB9\xA6\xA3\xA1");
  EXPECT_EQ(Utf8ToGb18030("> 10:00:00 C1: OK"), "> 10:00:00 C1: OK");
  EXPECT_EQ(Utf8ToGb18030(""), "");
}

TEST(LogFile, BytesThatAreNoUtf8AreMarkedAndTheRestKept) {
  EXPECT_EQ(Utf8ToGb18030("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToGb18030("ab\xE6\x93"), "ab??");  // cut-off sequence at the end
}

TEST(LogFile, LongTextConvertsWhole) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "芯片";
  const std::string gb = Utf8ToGb18030(text);
  EXPECT_EQ(gb.size(), 5000u * 4);
  EXPECT_EQ(gb.substr(0, 4), "\xD0\xBE\xC6\xAC");
}

TEST(LogFile, UnopenablePathFails) {
  EXPECT_FALSE(WriteLogLines("/nonexistent-folder/x.log", {"a"}, LogWriteMode::Replace));
  EXPECT_FALSE(WriteLogLines("/nonexistent-folder/x.log", {"a"}, LogWriteMode::Append, "h"));
}
