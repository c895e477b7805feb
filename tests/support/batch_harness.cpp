#include "tests/support/batch_harness.h"

#include "tests/support/test_support.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace morvane::test {

namespace fs = std::filesystem;

namespace {

bool isProgramFile(const fs::directory_entry& entry) {
    const auto name = entry.path().filename().string();
    if (name.size() > 3 && (name.ends_with(".so") || name.find(".so.") != std::string::npos)) {
        return true;
    }
    std::error_code ec;
    const auto permissions = fs::status(entry.path(), ec).permissions();
    return !ec && (permissions & fs::perms::owner_exec) != fs::perms::none;
}

// The file size limit is inherited at fork: it is lowered only while a child is being started.
std::mutex& spawnMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

void cloneProgramDirectory(const std::string& from, const std::string& to) {
    fs::create_directories(to);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const auto target = fs::path(to) / fs::relative(entry.path(), from);
        if (entry.is_directory()) {
            fs::create_directories(target);
            continue;
        }
        const auto name = entry.path().filename().string();
        if (name == "config.ini" || name == "trace.flt" || name == "input.avs") {
            continue;
        }
        std::error_code ec;
        if (isProgramFile(entry)) {
            fs::create_hard_link(entry.path(), target, ec);
        }
        if (!isProgramFile(entry) || ec) {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        }
    }
}

WatchedProgram::WatchedProgram(const std::vector<std::string>& argv, const WatchOptions& options) {
    platform::SpawnOptions spawn;
    spawn.stdinMode = platform::StdStream::Closed;
    spawn.stdoutMode = platform::StdStream::Pipe;
    spawn.stderrMode = platform::StdStream::Pipe;
    spawn.workingDirectory = options.workingDirectory;
    spawn.environment = options.environment;
    platform::Expected<platform::ChildProcess> started = platform::ChildProcess();
    {
        const std::lock_guard lock(spawnMutex());
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        if (options.fileSizeLimit) {
            rlimit lowered = saved;
            lowered.rlim_cur = static_cast<rlim_t>(*options.fileSizeLimit);
            ::setrlimit(RLIMIT_FSIZE, &lowered);
        }
        started = platform::ChildProcess::start(argv, spawn);
        if (options.fileSizeLimit) {
            ::setrlimit(RLIMIT_FSIZE, &saved);
        }
    }
    m_deadline = std::chrono::steady_clock::now() + options.timeLimit;
    if (started) {
        m_child = *std::move(started);
    }
    if (!m_child.valid()) {
        m_spawnError = started.error();
        m_outClosed = m_errClosed = true;
        return;
    }
    m_pid = m_child.pid();
    m_outReader = std::thread([this] { readStdout(); });
    m_errReader = std::thread([this] { readStderr(); });
}

WatchedProgram::~WatchedProgram() {
    if (!m_run) {
        kill(SIGKILL);
        finish();
    }
}

void WatchedProgram::readStdout() {
    char buffer[4096];
    for (ssize_t n; (n = m_child.readStdout(buffer, sizeof buffer)) > 0;) {
        const std::lock_guard lock(m_mutex);
        m_out.append(buffer, static_cast<std::size_t>(n));
        m_changed.notify_all();
    }
    const std::lock_guard lock(m_mutex);
    m_outClosed = true;
    m_changed.notify_all();
}

void WatchedProgram::readStderr() {
    char buffer[4096];
    for (ssize_t n; (n = m_child.readStderr(buffer, sizeof buffer)) > 0;) {
        const std::lock_guard lock(m_mutex);
        m_err.append(buffer, static_cast<std::size_t>(n));
        m_changed.notify_all();
    }
    const std::lock_guard lock(m_mutex);
    m_errClosed = true;
    m_changed.notify_all();
}

std::string WatchedProgram::out() const {
    const std::lock_guard lock(m_mutex);
    return m_out;
}

std::string WatchedProgram::err() const {
    const std::lock_guard lock(m_mutex);
    return m_err;
}

bool WatchedProgram::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return m_out.find(text) != std::string::npos || m_outClosed;
    }) && m_out.find(text) != std::string::npos;
}

void WatchedProgram::kill(int signal) {
    if (!m_run && m_child.valid()) {
        m_child.kill(signal);
    }
}

WatchedRun WatchedProgram::finish() {
    if (m_run) {
        return *m_run;
    }
    WatchedRun run;
    if (m_child.valid()) {
        for (;;) {
            const auto left = m_deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero()) {
                run.timedOut = true;
                m_child.kill(SIGKILL);
                break;
            }
            if (m_child.waitFor(std::min<std::chrono::milliseconds>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(left),
                    std::chrono::milliseconds(200)))) {
                break;
            }
        }
        run.status = m_child.wait();
        m_outReader.join();
        m_errReader.join();
    }
    run.exitCode =
        run.status.kind == platform::ExitStatus::Kind::Exited ? run.status.code : 128 + run.status.code;
    if (!m_child.valid()) {
        run.exitCode = 127;
        run.err = m_spawnError;
    }
    {
        const std::lock_guard lock(m_mutex);
        run.out += m_out;
        run.err += m_err;
    }
    m_run = run;
    return run;
}

WatchedRun runWatched(const std::vector<std::string>& argv, const WatchOptions& options) {
    WatchedProgram program(argv, options);
    return program.finish();
}

std::optional<ProcessEntry> processEntry(pid_t pid) {
    const std::string text = readFile("/proc/" + std::to_string(pid) + "/stat");
    // "pid (name) state parent group ...": the name may hold blanks and parentheses.
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return std::nullopt;
    }
    ProcessEntry entry;
    entry.pid = pid;
    entry.name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 1));
    long parent = 0;
    long group = 0;
    if (!(rest >> entry.state >> parent >> group)) {
        return std::nullopt;
    }
    entry.parent = static_cast<pid_t>(parent);
    entry.group = static_cast<pid_t>(group);
    return entry;
}

std::vector<ProcessEntry> processTable() {
    std::vector<ProcessEntry> table;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return table;
    }
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') {
            continue;
        }
        if (auto process = processEntry(static_cast<pid_t>(pid))) {
            table.push_back(std::move(*process));
        }
    }
    ::closedir(proc);
    return table;
}

std::vector<ProcessEntry> descendantsOf(pid_t root) {
    const auto table = processTable();
    std::vector<ProcessEntry> found;
    std::vector<pid_t> parents{root};
    while (!parents.empty()) {
        const pid_t parent = parents.back();
        parents.pop_back();
        for (const auto& process : table) {
            if (process.parent == parent) {
                found.push_back(process);
                parents.push_back(process.pid);
            }
        }
    }
    return found;
}

bool processRunning(pid_t pid) {
    const auto entry = processEntry(pid);
    return entry && entry->state != 'Z' && entry->state != 'X';
}

int openDescriptorCount(pid_t pid) {
    std::error_code ec;
    int count = 0;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
         it.increment(ec)) {
        ++count;
    }
    return ec ? -1 : count;
}

long residentKilobytes(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

} // namespace morvane::test
