#include "converter/work_output.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string_view>
#include <utility>

#include "converter/vec_program.h"
#include "platform/work_files.h"

namespace morvane::converter {

namespace {

constexpr std::string_view kWorkMark = platform::kConverterWorkMark;
constexpr std::string_view kPassLogMark = ".pass-";

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A work file's name: the run's own file (its lock holder), or a two-pass log written beside it.
struct WorkName {
    bool log = false;
    std::string holder; // the run's work file
};

// "<stem>.vec-part-<tag><extension>" is a holder; "<holder>.pass-<digits>.log", with ".mbtree" and
// ".temp" after it, a log. Anything else is no work file.
std::optional<WorkName> parseWorkName(std::string_view name) {
    if (platform::isWorkFileName(name, kWorkMark)) {
        return WorkName{false, std::string(name)};
    }
    const auto pass = name.rfind(kPassLogMark);
    if (pass == std::string_view::npos || !platform::isWorkFileName(name.substr(0, pass), kWorkMark)) {
        return std::nullopt;
    }
    std::string_view log = name.substr(pass + kPassLogMark.size());
    const auto digits = log.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string_view::npos) {
        return std::nullopt;
    }
    log.remove_prefix(digits);
    const auto take = [&log](std::string_view part) {
        const bool there = log.substr(0, part.size()) == part;
        if (there) {
            log.remove_prefix(part.size());
        }
        return there;
    };
    if (take(".log")) {
        take(".mbtree");
        take(".temp");
        if (log.empty()) {
            return WorkName{true, std::string(name.substr(0, pass))};
        }
    }
    return std::nullopt;
}

// Renames `from` to `to` only when nothing is there (EEXIST otherwise); 0 or the error.
int renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A file system without the flag: a hard link is made only where no name is.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

// The names in `folder` that are the two-pass logs of the work file named `holder`.
std::vector<std::string> passLogsOf(const std::string& folder, const std::string& holder) {
    std::vector<std::string> logs;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return logs;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const auto work = parseWorkName(entry->d_name);
        if (work && work->log && work->holder == holder) {
            logs.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    return logs;
}

} // namespace

platform::Expected<WorkOutput> WorkOutput::create(const std::string& outputPath, bool named) {
    WorkOutput work;
    work.m_output = outputPath;
    work.m_done = false;
    if (!named) {
        work.m_unnamed = platform::UnnamedFile::open(folderOf(outputPath));
        if (work.m_unnamed.valid()) {
            work.m_kind = Kind::Unnamed;
            return work;
        }
        // The file system cannot make unnamed files: a named one follows (and says what else fails).
    }
    auto created = platform::createWorkFile(outputPath, kWorkMark);
    if (!created) {
        return platform::Failure{created.error()};
    }
    work.m_kind = Kind::Named;
    work.m_path = std::move(created->path);
    work.m_fd = std::move(created->fd);
    return work;
}

WorkOutput::WorkOutput(WorkOutput&& other) noexcept
    : m_kind(other.m_kind), m_output(std::move(other.m_output)), m_path(std::move(other.m_path)),
      m_fd(std::move(other.m_fd)), m_unnamed(std::move(other.m_unnamed)),
      m_done(std::exchange(other.m_done, true)) {}

WorkOutput& WorkOutput::operator=(WorkOutput&& other) noexcept {
    if (this != &other) {
        if (!m_done) {
            discard();
        }
        m_kind = other.m_kind;
        m_output = std::move(other.m_output);
        m_path = std::move(other.m_path);
        m_fd = std::move(other.m_fd);
        m_unnamed = std::move(other.m_unnamed);
        m_done = std::exchange(other.m_done, true);
    }
    return *this;
}

WorkOutput::~WorkOutput() {
    if (!m_done) {
        discard();
    }
}

std::string WorkOutput::ffmpegPath() const {
    return m_kind == Kind::Unnamed ? platform::UnnamedFile::kChildPath : m_path;
}

std::string WorkOutput::passLogPrefix() const {
    return m_kind == Kind::Named ? m_path + ".pass" : std::string();
}

long long WorkOutput::size() const {
    if (m_kind == Kind::Unnamed) {
        return m_unnamed.size();
    }
    struct stat info {};
    return ::stat(m_path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

int WorkOutput::place(bool replace) {
    int error = 0;
    if (m_kind == Kind::Named) {
        platform::unmarkWorkFile(m_fd.get()); // a result is no work file
        error = replace ? (::rename(m_path.c_str(), m_output.c_str()) == 0 ? 0 : errno)
                        : renameWithoutReplacing(m_path, m_output);
    } else {
        // Where a file is there, the result first takes a work name beside it, then replaces it.
        error = m_unnamed.place(m_output, replace, [this] {
            return m_path = temporaryOutputName(m_output, platform::randomWorkTag());
        });
    }
    if (error == 0) {
        m_done = true;
    }
    return error;
}

int WorkOutput::placePassLogs(const std::string& publicPrefix) {
    if (m_kind != Kind::Named) {
        return 0;
    }
    const std::string folder = folderOf(m_path);
    const std::string prefix = nameOf(passLogPrefix());
    int error = 0;
    for (const auto& log : passLogsOf(folder, nameOf(m_path))) {
        const std::string to = publicPrefix + log.substr(prefix.size());
        if (::rename((folder + "/" + log).c_str(), to.c_str()) != 0 && error == 0) {
            error = errno;
        }
    }
    return error;
}

void WorkOutput::discard() {
    if (m_kind == Kind::Named && !m_path.empty()) {
        const std::string folder = folderOf(m_path);
        for (const auto& log : passLogsOf(folder, nameOf(m_path))) {
            ::unlink((folder + "/" + log).c_str());
        }
        ::unlink(m_path.c_str());
    }
    m_fd.reset();
    m_unnamed = platform::UnnamedFile();
    m_done = true;
}

std::vector<std::string> removeAbandonedWorkFiles(const std::string& folder,
                                                  const std::vector<std::string>& keep) {
    std::vector<std::string> removed;
    platform::UniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = dirFd.valid() ? ::fdopendir(::dup(dirFd.get())) : nullptr;
    if (dir == nullptr) {
        return removed;
    }
    std::vector<std::pair<std::string, WorkName>> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (auto work = parseWorkName(entry->d_name)) {
            found.emplace_back(entry->d_name, *std::move(work));
        }
    }
    ::closedir(dir);
    const int at = dirFd.get();
    const auto kept = [&keep](int fd) {
        struct stat held {};
        struct stat other {};
        return ::fstat(fd, &held) == 0 && std::any_of(keep.begin(), keep.end(), [&](const std::string& path) {
                   return ::stat(path.c_str(), &other) == 0 && other.st_dev == held.st_dev &&
                          other.st_ino == held.st_ino;
               });
    };
    std::vector<std::string> freed; // holders whose runs are gone, removed below
    for (const auto& [name, work] : found) {
        if (work.log) {
            continue;
        }
        // Only a marked work file this user may write is taken; its run is gone when its lock is free.
        const platform::UniqueFd held = platform::takeAbandonedWorkFile(at, name);
        if (!held.valid() || kept(held.get())) {
            continue;
        }
        if (::unlinkat(at, name.c_str(), 0) == 0) {
            removed.push_back(name);
            freed.push_back(name);
        }
    }
    for (const auto& [name, work] : found) {
        // A log goes with its holder only: a file that merely looks like a log of a missing holder
        // may be anybody's.
        if (work.log && std::find(freed.begin(), freed.end(), work.holder) != freed.end() &&
            ::unlinkat(at, name.c_str(), 0) == 0) {
            removed.push_back(name);
        }
    }
    return removed;
}

} // namespace morvane::converter
