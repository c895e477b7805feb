#pragma once

// The output files of one batch. An output never replaces a file that is a source of the list, and
// two rows never write the same file: a later row gets a free name with " (2)", " (3)" ... before
// its extension. The names are claimed across processes as well (platform/output_claims.h): a name
// that another running program (a second window, a batch run) has claimed takes the same rule. A
// file left by an earlier batch is no source and no claim, so a new batch still replaces its own
// earlier outputs.

#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/output_claims.h"
#include "platform/unique_fd.h"

namespace morvane::engine {

class OutputNames {
public:
    // A file of the list; it stays one for the rest of the batch.
    void addSource(const std::string& path);

    // `wanted` when no source is there and no row has claimed it, else the first free
    // "<name> (n)<extension>" (each cut to what the file system holds); the name given is claimed.
    // Safe to call from several threads.
    std::string claim(const std::string& wanted);

    // Lets the claims go when the batch ends, so that a later run may write those names again.
    void releaseClaims();

private:
    bool takenLocked(const std::string& path) const;

    mutable std::mutex m_mutex;
    std::set<std::string> m_sourcePaths;
    std::set<std::pair<unsigned long long, unsigned long long>> m_sourceFiles; // device, inode
    std::set<std::string> m_claimed;
    platform::OutputClaims m_claims;
    // Sources named like work files, held with a shared lock so that no converter's sweep takes
    // them for its own abandoned work.
    std::vector<platform::UniqueFd> m_heldSources;
};

// `path` with " (n)" put before the extension of its file name ("clip.mp4" -> "clip (2).mp4").
std::string numberedName(const std::string& path, int n);

} // namespace morvane::engine
