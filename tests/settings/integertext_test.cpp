#include <gtest/gtest.h>

#include "protocol/IntegerText.h"

TEST(ParseIntegerText, AcceptsDecimalAndBothHexForms) {
  struct { const char* text; std::optional<int32_t> value; } cases[] = {
      {"8", 8}, {"  12", 12}, {"-5", -5}, {"+7", 7}, {"0x1F", 31}, {"0X1f", 31}, {"$10", 16},
      {"$FFFFFFFF", -1}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt}, {"", std::nullopt}, {"0x", std::nullopt}, {"12 ", std::nullopt},
      {"eight", std::nullopt}, {"1.5", std::nullopt}, {"$1FFFFFFFF", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIntegerText(c.text), c.value) << c.text;
}

TEST(ParseIntegerText, TakesEveryHexPrefixAfterBlanksAndSign) {
  struct { const char* text; std::optional<int32_t> value; } cases[] = {
      {"x10", 16}, {"X1f", 31}, {"  -x10", -16}, {"-$10", -16}, {"+0x0000FFF0", 0xFFF0}, {"0xA0", 0xA0},
      {"x", std::nullopt}, {"$", std::nullopt}, {"0x-1", std::nullopt}, {"- 5", std::nullopt},
      {"\t5", std::nullopt}, {"99999999999999999999", std::nullopt}, {"0x80000000", INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIntegerText(c.text), c.value) << c.text;
}
