#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The whole content of the regular file at `path` when it holds at most
// `limit` bytes; nothing when it cannot be opened, is anything but a regular
// file (a FIFO, a device, a directory) or is larger. Never blocks on the
// file's kind and never reads more than limit + 1 bytes.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit);
