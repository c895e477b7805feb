#pragma once

// Files that must survive a crash or a power cut whole: state a later run reads back.

#include <sys/types.h>

#include <string>
#include <string_view>

#include "platform/expected.h"
#include "platform/unique_fd.h"

namespace morvane::platform {

// Replaces the file at `path` with `bytes` so that a crash at any moment leaves either the old file or
// the new one, never a mix: written beside it, flushed to disk, renamed over it, and the folder flushed
// so the rename itself lasts. A new file gets `mode`; something other than a regular file at `path` (a
// folder, a named pipe) is refused and left alone.
Expected<void> replaceFileDurably(const std::string& path, std::string_view bytes, mode_t mode = 0600);

// The name a file is set aside under when it cannot be used: "<path>.<YYYYMMDD-HHMMSS>.bad", with the
// local time `when` (seconds since the epoch), and "-2", "-3" ... added while that name is taken.
std::string setAsideName(const std::string& path, long long when);

// Renames the file at `path` to setAsideName(path, now); the new path, or why it could not be moved.
Expected<std::string> setFileAside(const std::string& path);

// Holds a lock on "<path>.lock" (made when missing) for as long as the object lives, so that only one
// running process at a time owns the file at `path`. Free when the holder ends in any way, a crash
// included.
class FileOwnership {
public:
    // Takes the lock without waiting; an invalid ownership when another process holds it or the lock
    // file cannot be made.
    static FileOwnership take(const std::string& path);

    bool held() const { return m_fd.valid(); }

private:
    UniqueFd m_fd;
};

} // namespace morvane::platform
