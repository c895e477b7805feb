#pragma once

// The output files of one batch. An output never replaces a file that is a source of the list, and
// two rows never write the same file: a later row gets a free name with " (2)", " (3)" ... before
// its extension. A file left by an earlier batch is no source and no claim, so a new batch still
// replaces its own earlier outputs.

#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace morvane::engine {

class OutputNames {
public:
    // A file of the list; it stays one for the rest of the batch.
    void addSource(const std::string& path);

    // `wanted` when no source is there and no row has claimed it, else the first free
    // "<name> (n)<extension>" (each cut to what the file system holds); the name given is claimed.
    // Safe to call from several threads.
    std::string claim(const std::string& wanted);

private:
    bool takenLocked(const std::string& path) const;

    mutable std::mutex m_mutex;
    std::set<std::string> m_sourcePaths;
    std::set<std::pair<unsigned long long, unsigned long long>> m_sourceFiles; // device, inode
    std::set<std::string> m_claimed;
};

// `path` with " (n)" put before the extension of its file name ("clip.mp4" -> "clip (2).mp4").
std::string numberedName(const std::string& path, int n);

} // namespace morvane::engine
