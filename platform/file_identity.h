#pragma once

#include <optional>
#include <string>

namespace morvane::platform {

// Whether two paths name one file: the same file (device and inode) when both exist, else the same
// absolute path once links and "." and ".." are resolved. Empty paths name no file.
bool sameFile(const std::string& a, const std::string& b);

// What stands at `path` (links followed) when it is there but is no regular file: "a folder", "a
// named pipe", "a device" or "a socket". Nothing for a regular file or a path that cannot be examined.
std::optional<std::string> irregularFileKind(const std::string& path);

} // namespace morvane::platform
