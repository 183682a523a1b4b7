#pragma once
// The build's message set. A message is named by its English text; the
// English set returns it unchanged, the Chinese set returns its counterpart.
// Texts that have no pair are the same in both builds.
#include <string>
#include <string_view>

namespace msg {

// This build's text for the message whose English text is `english`.
std::string Tr(std::string_view english);

// Marks a message text that is chosen here and translated where it is shown
// (msg::Tr of a variable), so that the check of the message texts finds it.
constexpr const char* Text(const char* english) { return english; }

// True in the English program. Only the few steps that the English build
// alone performs (its caption overrides) ask this.
bool IsEnglishBuild();

}  // namespace msg
