#pragma once

// Whole writes to a file descriptor.

#include <string_view>

namespace morvane::platform {

// Writes all of `bytes`, going on after interrupted or partial writes. False when the descriptor
// takes no more (errno tells why; 0 bytes written counts as EIO).
bool writeAll(int fd, std::string_view bytes);

} // namespace morvane::platform
