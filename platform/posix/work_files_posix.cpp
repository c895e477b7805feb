#include "platform/work_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/fixed_text.h"

namespace morvane::platform {

namespace {

constexpr std::size_t kLongestName = 255;
constexpr int kNameAttempts = 100;

bool isTagCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

std::string randomWorkTag() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::string tag;
    for (std::size_t i = 0; i < kWorkTagLength; ++i) {
        tag += kLetters[random() % (sizeof kLetters - 1)];
    }
    return tag;
}

std::string workFileName(std::string_view path, std::string_view mark, std::string_view tag) {
    const auto slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    auto dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart) {
        dot = path.size(); // no extension (a leading dot only hides a file)
    }
    const std::string marker = std::string(mark) + std::string(tag);
    std::string_view extension = path.substr(dot);
    std::string_view stem = path.substr(nameStart, dot - nameStart);
    if (marker.size() + extension.size() > kLongestName) {
        extension = {};
    }
    const std::size_t room = kLongestName - marker.size() - extension.size();
    if (stem.size() > room) {
        stem = utf8Prefix(stem, room);
    }
    return std::string(path.substr(0, nameStart)) + std::string(stem) + marker + std::string(extension);
}

bool isWorkFileName(std::string_view name, std::string_view mark) {
    for (auto at = name.find(mark); at != std::string_view::npos; at = name.find(mark, at + 1)) {
        const std::size_t tagEnd = at + mark.size() + kWorkTagLength;
        if (tagEnd > name.size() ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(at + mark.size()),
                         name.begin() + static_cast<std::ptrdiff_t>(tagEnd), isTagCharacter)) {
            continue;
        }
        const std::string_view rest = name.substr(tagEnd);
        if (rest.empty() || (rest.front() == '.' && rest.find('.', 1) == std::string_view::npos)) {
            return true;
        }
    }
    return false;
}

bool isMarkedWorkFile(int fd, std::string_view name) {
    char value[kLongestName + 1];
    const ssize_t size = ::fgetxattr(fd, kWorkFileAttribute, value, sizeof value);
    return size > 0 && std::string_view(value, static_cast<std::size_t>(size)) == name;
}

void unmarkWorkFile(int fd) {
    ::fremovexattr(fd, kWorkFileAttribute);
}

bool namesOpenFile(int folder, const std::string& path, int fd) {
    struct stat named {};
    struct stat open {};
    return ::fstatat(folder, path.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

Expected<LockedWorkFile> createWorkFile(const std::string& path, std::string_view mark) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = workFileName(path, mark, randomWorkTag());
        UniqueFd fd(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid()) {
            if (errno == EEXIST) {
                continue;
            }
            return Failure{std::strerror(errno)};
        }
        // The mark proves the file is a work file to later sweeps; a file system without extended
        // attributes keeps it unmarked, and no sweep ever removes it.
        const auto slash = name.rfind('/');
        const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
        ::fsetxattr(fd.get(), kWorkFileAttribute, base.data(), base.size(), XATTR_CREATE);
        // Another run's sweep may have taken the fresh file for abandoned in between: then it is
        // that run's to remove, and this run takes another name. Where the file system has no locks
        // the file stays unlocked, and no sweep removes it either.
        const bool locked = ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
        if (!locked || !namesOpenFile(AT_FDCWD, name, fd.get())) {
            continue;
        }
        return LockedWorkFile{std::move(name), std::move(fd)};
    }
    return Failure{std::strerror(EEXIST)};
}

UniqueFd takeAbandonedWorkFile(int folder, const std::string& name) {
    UniqueFd fd(::openat(folder, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        !isMarkedWorkFile(fd.get(), name) || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 ||
        !namesOpenFile(folder, name, fd.get())) {
        return {};
    }
    return fd;
}

} // namespace morvane::platform
