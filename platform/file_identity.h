#pragma once

#include <string>

namespace morvane::platform {

// Whether two paths name one file: the same file (device and inode) when both exist, else the same
// absolute path once links and "." and ".." are resolved. Empty paths name no file.
bool sameFile(const std::string& a, const std::string& b);

} // namespace morvane::platform
