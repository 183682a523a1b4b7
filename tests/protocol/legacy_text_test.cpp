// The one conversion between the program's UTF-8 and the legacy code page.
#include <gtest/gtest.h>

#include <string>

#include "protocol/LegacyText.h"

TEST(LegacyText, ToLegacyText) {
  struct Case {
    const char* what;
    std::string utf8;
    size_t maxBytes;
    std::string legacy;
    bool encodable;
  };
  constexpr size_t kAll = std::string::npos;
  const Case cases[] = {
      {"empty", "", kAll, "", true},
      {"ASCII unchanged", "> 10:00:00 C1: OK", kAll, "> 10:00:00 C1: OK", true},
      {"Chinese", "操作成功！", kAll, "\xB2\xD9\xD7\xF7\xB3\xC9\xB9\xA6\xA3\xA1", true},
      {"accented letter", "é", kAll, "\xA8\xA6", true},
      {"euro sign", "€", kAll, "\xA2\xE3", true},
      {"letter without a two-byte code", "ßa", kAll, "?a", false},
      {"emoji is one \"?\"", "A😀B", kAll, "A?B", false},
      {"byte that is no UTF-8", "a\xFF" "b", kAll, "a?b", false},
      {"sequence cut off at the end", "ab\xE6\x93", kAll, "ab??", false},
      {"overlong encoding", "\xC0\x80", kAll, "??", false},
      {"surrogate", "\xED\xA0\x80" "x", kAll, "???x", false},
      {"cut at the width", "abcdef", 4, "abcd", true},
      {"cut before a character that does not fit", "a芯片", 4, "a\xD0\xBE", true},
      {"character fits exactly", "a芯片", 5, "a\xD0\xBE\xC6\xAC", true},
      {"first character too wide", "芯", 1, "", true},
      {"no room", "abc", 0, "", true},
      {"substitute counts one byte", "a😀b", 2, "a?", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ToLegacyText(c.utf8, c.maxBytes), c.legacy);
    EXPECT_EQ(IsLegacyEncodable(c.utf8), c.encodable);
  }
}

TEST(LegacyText, FromLegacyText) {
  struct Case {
    const char* what;
    std::string legacy;
    std::string utf8;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"ASCII unchanged", "Chip 1: OK", "Chip 1: OK"},
      {"Chinese", "\xD0\xBE\xC6\xAC", "芯片"},
      {"accented letter", "\xA8\xA6" "Z", "éZ"},
      {"four-byte code", "\x81\x30\x89\x38", "ß"},
      {"lead byte at the end", "a\xD0", "a?"},
      {"invalid trail byte", "\xA1\x20" "b", "? b"},
      {"bytes that begin no code", "\x80\xFF", "??"},
      {"four-byte code cut off", "\x81\x30\x89", "?0?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FromLegacyText(c.legacy), c.utf8);
  }
}

TEST(LegacyText, RoundTripOfEveryEncodableText) {
  const std::string text = "W25Q64 芯片 é × ① 数据文件.bin";
  ASSERT_TRUE(IsLegacyEncodable(text));
  EXPECT_EQ(FromLegacyText(ToLegacyText(text)), text);
}

TEST(LegacyText, LongTextConvertsWhole) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "芯片";
  const std::string legacy = ToLegacyText(text);
  EXPECT_EQ(legacy.size(), 5000u * 4);
  EXPECT_EQ(legacy.substr(legacy.size() - 4), "\xD0\xBE\xC6\xAC");
}
