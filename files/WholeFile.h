#pragma once
// Whole files at once: a file read into memory, and a file replaced only
// when all of its new bytes are on the disk.
#include <cstddef>
#include <string>
#include <string_view>

// Writes bytes to path as a direct write would, but through a temporary file
// beside the file path names (a symbolic link is followed), synced and
// renamed over it only when everything is written. A target a direct write
// could not open is refused. Empty on success, else the reason.
std::string WriteWholeFile(const std::string& path, std::string_view bytes);

// Reads the file, at most maxBytes of it, into out. Empty on success, else
// the reason.
std::string ReadWholeFile(const std::string& path, std::string& out,
                          size_t maxBytes = std::string::npos);
