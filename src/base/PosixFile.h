// Small helpers over POSIX file calls shared by the stores that write files directly.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Writes all of `data`, retrying short writes and interruptions.
bool WriteAll(int fd, std::string_view data);

// The whole content of `path`, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// The folder part of `path` ("." when it has none).
std::string ParentFolder(const std::string& path);
