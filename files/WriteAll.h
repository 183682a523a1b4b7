#pragma once
// Writes every byte to an open file, going on after short writes and
// interrupted calls. False on the first real error (errno tells which).
#include <string_view>

bool WriteAll(int fd, std::string_view bytes);
