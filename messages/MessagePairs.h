#pragma once
// The message pairs of the two builds: the English text (the message's name)
// and the Chinese text that the Chinese build shows instead. UTF-8.
#include <span>
#include <string_view>

namespace msg {

struct MessagePair {
  std::string_view english;
  std::string_view chinese;
};

std::span<const MessagePair> MessagePairs();

// The Chinese text paired with `english`, or `english` itself when unpaired.
std::string_view ChineseFor(std::string_view english);

}  // namespace msg
