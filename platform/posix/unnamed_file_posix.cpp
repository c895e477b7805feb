#include "platform/unnamed_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace morvane::platform {

namespace {
constexpr int kSpareNameAttempts = 100;
constexpr const char* kProcFds = "/proc/self/fd/";
} // namespace

UnnamedFile UnnamedFile::open(const std::string& folder) {
    UnnamedFile file;
    // The file is reached through its descriptor's entry under /proc, by a child and for linking.
    if (::access(kProcFds, X_OK) == 0) {
        file.m_fd.reset(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
    }
    if (file.valid()) {
        // Locked from the start: whatever name it takes is known to belong to a running process.
        ::flock(file.fd(), LOCK_EX | LOCK_NB);
    }
    return file;
}

long long UnnamedFile::size() const {
    struct stat info {};
    return ::fstat(m_fd.get(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

int UnnamedFile::linkAs(const std::string& path) const {
    const std::string self = kProcFds + std::to_string(m_fd.get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return 0;
    }
    const int error = errno;
    // Without /proc's help only a privileged process can link a descriptor.
    if (error != EEXIST && ::linkat(m_fd.get(), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) {
        return 0;
    }
    return error;
}

int UnnamedFile::place(const std::string& path, bool replace,
                       const std::function<std::string()>& spareName) const {
    int error = linkAs(path);
    if (error != EEXIST || !replace) {
        return error;
    }
    std::string spare;
    for (int attempt = 0; attempt < kSpareNameAttempts && error == EEXIST; ++attempt) {
        spare = spareName();
        error = linkAs(spare);
    }
    if (error == 0 && ::rename(spare.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(spare.c_str());
    }
    return error;
}

} // namespace morvane::platform
