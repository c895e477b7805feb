#pragma once

// Named work files: what a program writes beside a file before it may take that file's name, where
// an unnamed file (unnamed_file.h) cannot be made. A work file is named
// "<stem><mark><six letters or digits><extension>" and is held locked (flock) by the process that
// writes it for as long as that process runs, so a later run can tell the work files of ended runs
// (free locks) from those still being written, and remove only the former. A file matching the name
// is not enough to be removed: a work file carries, from its creation, the extended attribute
// "user.morvane.work" holding its own name, which no other file has (a user's file that merely
// looks like one, a copy under another name). Where the file system keeps no such attributes (FAT
// file systems, older tmpfs and NFS) work files are made unmarked, and a run ended outright leaves
// its work file there for the user: nothing unproven is ever removed.

#include <string>
#include <string_view>

#include "platform/expected.h"
#include "platform/unique_fd.h"

namespace morvane::platform {

inline constexpr std::size_t kWorkTagLength = 6;

// The mark of the converter's work files beside its output.
inline constexpr std::string_view kConverterWorkMark = ".vec-part-";

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

inline constexpr const char* kWorkFileAttribute = "user.morvane.work";

// Makes a fresh, empty work file for `path`, marks it as one and locks it; never touches a file that
// is there.
Expected<LockedWorkFile> createWorkFile(const std::string& path, std::string_view mark);

// The file `name` in the folder open as `folder`, opened and locked, when it is a regular file this
// process may write, marked as the work file of that very name, no running process holds its lock
// and the name still names it; an invalid descriptor otherwise. The caller decides whether to remove
// it.
UniqueFd takeAbandonedWorkFile(int folder, const std::string& name);

// Whether the file open as `fd` carries the work-file mark for the file name `name` (no folder).
bool isMarkedWorkFile(int fd, std::string_view name);

// Takes the mark off a work file that becomes a result.
void unmarkWorkFile(int fd);

// Whether the name `path` (relative to the folder open as `folder`) still names the file open as `fd`.
bool namesOpenFile(int folder, const std::string& path, int fd);

} // namespace morvane::platform
