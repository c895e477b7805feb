#pragma once

// Named work files: what a program writes beside a file before it may take that file's name, where
// an unnamed file (unnamed_file.h) cannot be made. A work file is named
// "<stem><mark><six letters or digits><extension>" and is held locked (flock) by the process that
// writes it for as long as that process runs, so a later run can tell the work files of ended runs
// (free locks) from those still being written, and remove only the former.

#include <string>
#include <string_view>

#include "platform/expected.h"
#include "platform/unique_fd.h"

namespace morvane::platform {

inline constexpr std::size_t kWorkTagLength = 6;

// Set to 1 in a converter's environment: a stop request abandons the run and removes its work file,
// so nothing unfinished takes the output's name (without it, what was written so far is kept).
inline constexpr const char* kDiscardOnStopVariable = "MORVANE_DISCARD_ON_STOP";

// Six random letters or digits.
std::string randomWorkTag();

// The work file name for `path` with `mark` and `tag`, in the same folder; the stem gives way so
// the name fits where the output's name fits (255 bytes).
std::string workFileName(std::string_view path, std::string_view mark, std::string_view tag);

// Whether the file name `name` (no folder) has the form workFileName gives, with `mark`: something
// before the mark, six letters or digits after it, then nothing or one extension.
bool isWorkFileName(std::string_view name, std::string_view mark);

struct LockedWorkFile {
    std::string path;
    UniqueFd fd; // holds the lock; closing it frees the file for the next run's sweep
};

// Makes a fresh, empty work file for `path` and locks it; never touches a file that is there.
Expected<LockedWorkFile> createWorkFile(const std::string& path, std::string_view mark);

// The file `name` in the folder open as `folder`, opened and locked, when it is a regular file this
// process may write and no running process holds its lock (and the name still names it); an
// invalid descriptor otherwise. The caller decides whether to remove it.
UniqueFd takeAbandonedWorkFile(int folder, const std::string& name);

// Whether the name `path` (relative to the folder open as `folder`) still names the file open as `fd`.
bool namesOpenFile(int folder, const std::string& path, int fd);

} // namespace morvane::platform
