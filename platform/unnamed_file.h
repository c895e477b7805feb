#pragma once

// A file made in a folder without a name, which gets one only when it is finished: a process killed
// while writing it leaves nothing behind. A child process given the descriptor as its descriptor 3
// (SpawnOptions::passedDescriptor) opens the file as kChildPath, for writing and seeking alike.

#include <functional>
#include <string>

#include "platform/unique_fd.h"

namespace morvane::platform {

class UnnamedFile {
public:
    // Where a child process that got the descriptor as its descriptor 3 finds the file.
    static constexpr const char* kChildPath = "/proc/self/fd/3";

    // Not valid where the file system (or a missing /proc) does not allow such files.
    static UnnamedFile open(const std::string& folder);

    bool valid() const { return m_fd.valid(); }
    int fd() const { return m_fd.get(); }
    // Bytes written so far; -1 when unknown.
    long long size() const;

    // Gives the file the name `path`. Where a file is there already it is kept (EEXIST), or, with
    // `replace`, replaced in one step: the file first takes a free name from `spareName` beside it.
    // 0 or the error.
    int place(const std::string& path, bool replace, const std::function<std::string()>& spareName) const;

private:
    int linkAs(const std::string& path) const;

    UniqueFd m_fd;
};

} // namespace morvane::platform
