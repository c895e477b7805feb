#include "engine/trace_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

#include "platform/unique_fd.h"
#include "platform/user_files.h"

namespace morvane::engine {

namespace {

struct TraceState {
    std::mutex mutex;
    platform::UniqueFd fd;
    std::string path; // of the open trace
};

thread_local std::string t_tag;

TraceState& state() {
    static TraceState instance;
    return instance;
}

// Each running program keeps its own lines: it holds its trace locked, and a program that finds
// "trace.flt" held by another live run writes "trace-2.flt" (or the next number not held) instead, which
// traceFilePath() and the messages then name.
constexpr int kLastTraceNumber = 99;

enum class Opened { Yes, HeldByLiveRun, No };

// Appending keeps the writes of other writers to the same file (the producer's log) intact. A named
// pipe in its place must not hold the program until someone reads it: only a regular file is the trace.
// The running program holds its trace locked, so a second program sharing the folder leaves it (and
// its lines) alone; it is emptied only once this run holds it.
Opened openRegular(const std::string& path, platform::UniqueFd& result) {
    platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0644));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Opened::No;
    }
    // A file system without locks keeps the earlier rule: the trace is this run's.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return Opened::HeldByLiveRun;
    }
    if (::ftruncate(fd.get(), 0) != 0) {
        return Opened::No;
    }
    result = std::move(fd);
    return Opened::Yes;
}

// "trace.flt" in `folder`, or while a live run holds it, the first of "trace-2.flt", "trace-3.flt" ...
// that none holds.
Opened openInFolder(const std::string& first, platform::UniqueFd& fd, std::string& path) {
    const auto slash = first.rfind('/');
    auto dot = first.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        dot = first.size();
    }
    for (int n = 1; n <= kLastTraceNumber; ++n) {
        path = n == 1 ? first : first.substr(0, dot) + "-" + std::to_string(n) + first.substr(dot);
        const Opened opened = openRegular(path, fd);
        if (opened != Opened::HeldByLiveRun) {
            return opened;
        }
    }
    return Opened::HeldByLiveRun;
}

bool openLocked(TraceState& trace) {
    if (trace.fd.valid()) {
        return true;
    }
    const std::string first = platform::userFilePlaces().traceFile;
    std::string path;
    platform::UniqueFd fd;
    if (openInFolder(first, fd, path) != Opened::Yes) {
        const std::string folder = platform::privateTemporaryFolder();
        if (!folder.empty() && folder + kTraceFileName != first) {
            openInFolder(folder + kTraceFileName, fd, path);
        }
    }
    if (!fd.valid()) {
        return false;
    }
    trace.fd = std::move(fd);
    trace.path = std::move(path);
    return true;
}

void writeAll(int fd, iovec* pieces, int count) {
    while (count > 0) {
        const ssize_t n = ::writev(fd, pieces, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        auto left = static_cast<std::size_t>(n);
        while (count > 0 && left >= pieces->iov_len) {
            left -= pieces->iov_len;
            ++pieces;
            --count;
        }
        if (count > 0) {
            pieces->iov_base = static_cast<char*>(pieces->iov_base) + left;
            pieces->iov_len -= left;
        }
    }
}

void writePieces(std::string_view text, std::string_view ending) {
    std::string tagged;
    if (!t_tag.empty()) {
        tagged = taggedLines(text, t_tag);
        text = tagged;
    }
    auto& trace = state();
    const std::lock_guard lock(trace.mutex);
    if (!openLocked(trace)) {
        return;
    }
    iovec pieces[2] = {{const_cast<char*>(text.data()), text.size()},
                       {const_cast<char*>(ending.data()), ending.size()}};
    writeAll(trace.fd.get(), pieces, 2);
}

} // namespace

std::string traceFilePath() {
    auto& trace = state();
    const std::lock_guard lock(trace.mutex);
    return trace.fd.valid() ? trace.path : platform::userFilePlaces().traceFile;
}

bool openTraceFile() {
    auto& trace = state();
    const std::lock_guard lock(trace.mutex);
    return openLocked(trace);
}

std::optional<std::string> writtenTraceFile() {
    auto& trace = state();
    const std::lock_guard lock(trace.mutex);
    return openLocked(trace) ? std::optional(trace.path) : std::nullopt;
}

void writeTrace(std::string_view text) {
    writePieces(text, {});
}

void writeTraceLine(std::string_view line) {
    writePieces(line, "\r\n");
}

void closeTraceFile() {
    auto& trace = state();
    const std::lock_guard lock(trace.mutex);
    trace.fd.reset();
}

ScopedTraceTag::ScopedTraceTag(std::string tag) : m_previous(std::exchange(t_tag, std::move(tag))) {}

ScopedTraceTag::~ScopedTraceTag() {
    t_tag = std::move(m_previous);
}

const std::string& traceTag() {
    return t_tag;
}

std::string taggedLines(std::string_view text, std::string_view tag) {
    std::string result;
    result.reserve(text.size() + tag.size());
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart) {
            result.append(tag);
        }
        result.push_back(c);
        lineStart = c == '\n';
    }
    if (text.empty()) {
        result.append(tag);
    }
    return result;
}

} // namespace morvane::engine
