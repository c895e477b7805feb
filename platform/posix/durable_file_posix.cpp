#include "platform/durable_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/fd_io.h"

namespace morvane::platform {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string systemReason(const char* what, const std::string& path) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(errno);
}

} // namespace

Expected<void> replaceFileDurably(const std::string& path, std::string_view bytes, mode_t mode) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return Failure{"\"" + path + "\" is not a regular file"};
    }
    std::string temp = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid()) {
        return Failure{systemReason("cannot create", temp)};
    }
    bool ok = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string reason = systemReason("cannot write", path);
        ::unlink(temp.c_str());
        return Failure{reason};
    }
    // The rename is only lasting once the folder's entry is on disk.
    const UniqueFd folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) {
        ::fsync(folder.get());
    }
    return {};
}

std::string setAsideName(const std::string& path, long long when) {
    const auto seconds = static_cast<std::time_t>(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + "." + stamp;
    std::string name = base + ".bad";
    struct stat st {};
    for (int n = 2; ::lstat(name.c_str(), &st) == 0; ++n) {
        name = base + "-" + std::to_string(n) + ".bad";
    }
    return name;
}

Expected<std::string> setFileAside(const std::string& path) {
    const std::string aside = setAsideName(path, static_cast<long long>(std::time(nullptr)));
    if (::rename(path.c_str(), aside.c_str()) != 0) {
        return Failure{systemReason("cannot rename", path)};
    }
    return aside;
}

FileOwnership FileOwnership::take(const std::string& path) {
    FileOwnership ownership;
    const std::string lockPath = path + ".lock";
    UniqueFd fd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
        ownership.m_fd = std::move(fd);
    }
    return ownership;
}

} // namespace morvane::platform
