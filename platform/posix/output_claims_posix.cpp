#include "platform/output_claims.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/work_files.h"

namespace morvane::platform {

namespace {

constexpr int kOpenAttempts = 10;

// The byte a name's claim locks: within off_t's positive range, away from 0 (where the whole-file
// lock of the last one out starts anyway).
off_t claimOffset(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return static_cast<off_t>((hash >> 2) | 1U);
}

// An open-file lock on [start, start + length) (length 0: to the end of all offsets); 0 or errno.
int lockRange(int fd, short type, off_t start, off_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 0 : errno;
}

std::pair<std::string, std::string> splitFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

OutputClaims::~OutputClaims() {
    releaseAll();
}

OutputClaims::Folder* OutputClaims::folderFor(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return nullptr;
    }
    const auto key = std::make_pair(static_cast<unsigned long long>(info.st_dev),
                                    static_cast<unsigned long long>(info.st_ino));
    if (const auto found = m_folders.find(key); found != m_folders.end()) {
        return &found->second;
    }
    Folder opened;
    opened.key = key;
    opened.claimsPath = (folder == "/" ? std::string() : folder) + "/" + kOutputClaimsFileName;
    opened.fd.reset(::open(opened.claimsPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
    struct stat file {};
    if (!opened.fd.valid() || ::fstat(opened.fd.get(), &file) != 0 || !S_ISREG(file.st_mode)) {
        return nullptr;
    }
    return &m_folders.emplace(key, std::move(opened)).first->second;
}

OutputClaims::Result OutputClaims::claim(const std::string& path) {
    const std::lock_guard lock(m_mutex);
    const auto [folderPath, name] = splitFolder(path);
    const off_t offset = claimOffset(name);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        Folder* folder = folderFor(folderPath);
        if (folder == nullptr) {
            return Result::Unavailable;
        }
        const int error = lockRange(folder->fd.get(), F_WRLCK, offset, 1);
        if (error != 0 && error != EAGAIN && error != EACCES) {
            return Result::Unavailable;
        }
        // The last run out removes the file: a claim made in a removed file counts for nothing (and
        // the last run held all of it while removing it), so it is made again in the file that now
        // lies there.
        if (namesOpenFile(AT_FDCWD, folder->claimsPath, folder->fd.get())) {
            return error == 0 ? Result::Claimed : Result::HeldByOther;
        }
        const auto key = folder->key;
        m_folders.erase(key);
    }
    return Result::Unavailable;
}

void OutputClaims::releaseAll() {
    const std::lock_guard lock(m_mutex);
    for (auto& entry : m_folders) {
        Folder& folder = entry.second;
        lockRange(folder.fd.get(), F_UNLCK, 0, 0);
        // Nobody else holds a claim when the whole file can be locked; then it goes.
        if (lockRange(folder.fd.get(), F_WRLCK, 0, 0) == 0 &&
            namesOpenFile(AT_FDCWD, folder.claimsPath, folder.fd.get())) {
            ::unlink(folder.claimsPath.c_str());
        }
    }
    m_folders.clear();
}

} // namespace morvane::platform
