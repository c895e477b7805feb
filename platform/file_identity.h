#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace morvane::platform {

// Whether two paths name one file: the same file (device and inode) when both exist, else the same
// absolute path once links and "." and ".." are resolved. Empty paths name no file.
bool sameFile(const std::string& a, const std::string& b);

// What stands at `path` (links followed) when it is there but is no regular file: "a folder", "a
// named pipe", "a device" or "a socket". Nothing for a regular file or a path that cannot be examined.
std::optional<std::string> irregularFileKind(const std::string& path);

// One version of one file: which file it is and when it last changed (data or attributes). Any
// write, replacement, truncation or rename over the path gives another version.
struct FileVersion {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0; // data last written
    std::int64_t changedNs = 0;  // data or attributes last changed (cannot be set back by anyone)

    bool operator==(const FileVersion&) const = default;
};

// The version of the regular file at `path` (links followed); nothing for anything else.
std::optional<FileVersion> fileVersion(const std::string& path);

// The program a command names: `name` itself when it holds a slash, else the first executable
// regular file of that name in PATH's folders (an empty entry is the current folder).
std::optional<std::string> findProgram(const std::string& name);

} // namespace morvane::platform
