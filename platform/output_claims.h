#pragma once

// Output names claimed across processes: two programs converting into one folder at once must not
// write the same file. A claim is a lock on one byte of the folder's claims file
// ".morvane-outputs.lock", at an offset given by a hash of the output's file name. The lock belongs to
// the open file, so the claims of a process that ends in any way, killed outright included, are gone
// with it, and a stale claim never holds a name. Where the folder cannot take the file or the file
// system has no such locks, claims are not made and each program keeps to its own names.

#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/unique_fd.h"

namespace morvane::platform {

inline constexpr const char* kOutputClaimsFileName = ".morvane-outputs.lock";

class OutputClaims {
public:
    enum class Result {
        Claimed,     // this object holds the name now
        HeldByOther, // another live run, in this process or another, holds it
        Unavailable, // no claims in this folder (not writable, no locks): nothing was claimed
    };

    OutputClaims() = default;
    OutputClaims(const OutputClaims&) = delete;
    OutputClaims& operator=(const OutputClaims&) = delete;
    ~OutputClaims();

    // Claims the output path `path` (folder and file name) for this object.
    Result claim(const std::string& path);

    // Lets every claim go; the claims file goes too when no other run holds a claim in it.
    void releaseAll();

private:
    struct Folder {
        std::pair<unsigned long long, unsigned long long> key; // the folder's device and inode
        UniqueFd fd;
        std::string claimsPath;
    };
    // The claims file of `folder`, opened once per folder.
    Folder* folderFor(const std::string& folder);

    std::mutex m_mutex;
    std::map<std::pair<unsigned long long, unsigned long long>, Folder> m_folders; // device, inode
};

} // namespace morvane::platform
