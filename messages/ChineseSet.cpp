#include "messages/MessagePairs.h"
#include "messages/Messages.h"

namespace msg {

std::string Tr(std::string_view english) { return std::string(ChineseFor(english)); }
bool IsEnglishBuild() { return false; }

}  // namespace msg
