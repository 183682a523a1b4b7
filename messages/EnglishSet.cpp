#include "messages/Messages.h"

namespace msg {

std::string Tr(std::string_view english) { return std::string(english); }
bool IsEnglishBuild() { return true; }

}  // namespace msg
