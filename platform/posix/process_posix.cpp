#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/command_line.h"
#include "platform/fd_io.h"

extern char** environ; // NOLINT(readability-redundant-declaration)

namespace morvane::platform {

namespace {

// What failed in the child before exec could take over, sent back through a close-on-exec pipe.
enum class ChildStep : int { Setup = 1, Redirect = 2, ChangeDirectory = 3, Exec = 4 };

struct ChildFailure {
    int step = 0;
    int error = 0;
};

[[noreturn]] void failInChild(int reportFd, ChildStep step) {
    const ChildFailure failure{static_cast<int>(step), errno};
    [[maybe_unused]] const auto n = ::write(reportFd, &failure, sizeof failure);
    ::_exit(127);
}

void closeDescriptorsFrom(int first) {
    if (::close_range(static_cast<unsigned>(first), ~0U, 0) == 0) {
        return;
    }
    const long limit = ::sysconf(_SC_OPEN_MAX);
    const int last = limit > 0 && limit < 65536 ? static_cast<int>(limit) : 65536;
    for (int fd = first; fd < last; ++fd) {
        ::close(fd);
    }
}

// Moves `source` onto `target` in the child, keeping it open across exec.
bool redirect(int source, int target) {
    if (source == target) {
        return ::fcntl(target, F_SETFD, 0) == 0;
    }
    return ::dup2(source, target) == target;
}

bool makePipe(UniqueFd& readEnd, UniqueFd& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return true;
}

std::string stepText(ChildStep step) {
    switch (step) {
    case ChildStep::Setup:
        return "cannot prepare";
    case ChildStep::Redirect:
        return "cannot redirect the standard streams of";
    case ChildStep::ChangeDirectory:
        return "cannot enter the working directory for";
    case ChildStep::Exec:
        return "cannot start";
    }
    return "cannot start";
}

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> result;
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string entry(*e);
        bool replaced = false;
        for (const auto& add : extra) {
            replaced = replaced || nameOf(add) == nameOf(entry);
        }
        if (!replaced) {
            result.push_back(entry);
        }
    }
    result.insert(result.end(), extra.begin(), extra.end());
    return result;
}

// The descriptors of one start: the pipes asked for, /dev/null for closed streams, and the report
// pipe through which the child tells what failed before exec.
struct ChildPipes {
    UniqueFd devNull;
    UniqueFd inRead, inWrite, outRead, outWrite, errRead, errWrite, reportRead, reportWrite;

    bool open(const SpawnOptions& options) {
        devNull.reset(::open("/dev/null", O_RDWR | O_CLOEXEC));
        return devNull.valid() && makePipe(reportRead, reportWrite) &&
               (options.stdinMode != StdStream::Pipe || makePipe(inRead, inWrite)) &&
               (options.stdoutMode != StdStream::Pipe || makePipe(outRead, outWrite)) &&
               (options.stderrMode != StdStream::Pipe || makePipe(errRead, errWrite));
    }

    // The parent keeps only its own ends.
    void closeChildEnds() {
        reportWrite.reset();
        inRead.reset();
        outWrite.reset();
        errWrite.reset();
    }
};

// What the child does between fork and exec, all prepared before the fork: only async-signal-safe
// calls are allowed in between.
struct ExecPlan {
    ExecPlan(const std::vector<std::string>& argv, const SpawnOptions& options, const ChildPipes& pipes);
    // Pointers into the members: never copied or moved.
    ExecPlan(const ExecPlan&) = delete;
    ExecPlan& operator=(const ExecPlan&) = delete;

    std::vector<char*> args;
    std::vector<std::string> envStrings;
    std::vector<char*> envp; // empty: the parent's environment
    const char* workingDirectory = nullptr;
    pid_t parent = 0;
    int childIn = -1;
    int childOut = -1;
    int childErr = -1; // -1: standard output's descriptor
    int reportFd = -1;
    int passedFd = -1;
    bool dieWithParent = false;
    bool newProcessGroup = false;
};

int streamFor(StdStream mode, int pipeEnd, int own, int devNull) {
    switch (mode) {
    case StdStream::Pipe:
        return pipeEnd;
    case StdStream::Inherit:
        return own;
    case StdStream::MergeWithStdout:
    case StdStream::Closed:
        break;
    }
    return devNull;
}

ExecPlan::ExecPlan(const std::vector<std::string>& argv, const SpawnOptions& options,
                   const ChildPipes& pipes) {
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    if (!options.environment.empty()) {
        envStrings = mergedEnvironment(options.environment);
        for (auto& e : envStrings) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
    }
    workingDirectory = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    parent = ::getpid();
    const int devNull = pipes.devNull.get();
    childIn = streamFor(options.stdinMode, pipes.inRead.get(), STDIN_FILENO, devNull);
    childOut = streamFor(options.stdoutMode, pipes.outWrite.get(), STDOUT_FILENO, devNull);
    childErr = options.stderrMode == StdStream::MergeWithStdout
                   ? -1
                   : streamFor(options.stderrMode, pipes.errWrite.get(), STDERR_FILENO, devNull);
    reportFd = pipes.reportWrite.get();
    passedFd = options.passedDescriptor;
    dieWithParent = options.dieWithParent;
    newProcessGroup = options.newProcessGroup;
}

// The child's side of the fork: never returns.
[[noreturn]] void execInChild(const ExecPlan& plan) {
    if (plan.dieWithParent) {
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != plan.parent) {
            ::_exit(127); // the parent is already gone
        }
    }
    if (plan.newProcessGroup) {
        ::setpgid(0, 0);
    }
    // A thread made idle by other means than makeThisThreadIdle() forks directly; with privilege its
    // child still leaves idle scheduling here.
    const sched_param normal{};
    ::sched_setscheduler(0, SCHED_OTHER, &normal);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Ignored signals stay ignored across exec: the program gets the usual dispositions, also
    // of SIGXFSZ, which a front end ignores so that its own writes fail rather than kill it.
    for (const int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGXFSZ}) {
        ::signal(sig, SIG_DFL);
    }
    // Standard error last: when it shares standard output it copies the descriptor set just before.
    if (!redirect(plan.childIn, STDIN_FILENO) || !redirect(plan.childOut, STDOUT_FILENO) ||
        !redirect(plan.childErr < 0 ? STDOUT_FILENO : plan.childErr, STDERR_FILENO)) {
        failInChild(plan.reportFd, ChildStep::Redirect);
    }
    int reportFd = plan.reportFd;
    int firstClosed = 3;
    if (plan.passedFd >= 0) {
        // The report pipe moves out of the way when it holds descriptor 3.
        if (reportFd == 3 && (reportFd = ::fcntl(reportFd, F_DUPFD_CLOEXEC, 4)) < 0) {
            failInChild(plan.reportFd, ChildStep::Redirect);
        }
        if (!redirect(plan.passedFd, 3)) {
            failInChild(reportFd, ChildStep::Redirect);
        }
        firstClosed = 4;
    }
    // Nothing but the three standard streams, the passed descriptor and the close-on-exec report pipe
    // reaches the program.
    if (reportFd > firstClosed) {
        ::close_range(static_cast<unsigned>(firstClosed), static_cast<unsigned>(reportFd - 1), 0);
    }
    closeDescriptorsFrom(std::max(reportFd + 1, firstClosed));
    if (plan.workingDirectory != nullptr && ::chdir(plan.workingDirectory) != 0) {
        failInChild(reportFd, ChildStep::ChangeDirectory);
    }
    if (plan.envp.empty()) {
        ::execvp(plan.args[0], plan.args.data());
    } else {
        ::execvpe(plan.args[0], plan.args.data(), plan.envp.data());
    }
    failInChild(reportFd, ChildStep::Exec);
}

// Forks children for threads of idle scheduling: a child forked by such a thread would inherit it,
// and an unprivileged process cannot go back to normal scheduling. Started by the first
// makeThisThreadIdle() while its caller still has normal priority, the thread lives as long as the
// process, since a child's death signal is tied to the thread that forked it.
class NormalPrioritySpawner {
public:
    static NormalPrioritySpawner* running() { return s_running.load(); }

    static void start() {
        static std::once_flag once;
        std::call_once(once, [] {
            auto* spawner = new NormalPrioritySpawner; // never freed: the thread outlives every caller
            // Signals stay with the program's other threads.
            sigset_t all;
            sigset_t previous;
            sigfillset(&all);
            ::pthread_sigmask(SIG_SETMASK, &all, &previous);
            std::thread(&NormalPrioritySpawner::serve, spawner).detach();
            ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
            s_running.store(spawner);
        });
    }

    // The child's pid, or -1 with errno set.
    pid_t fork(const ExecPlan& plan) {
        const std::lock_guard caller(m_callerMutex);
        std::unique_lock lock(m_mutex);
        m_plan = &plan;
        m_done = false;
        m_wake.notify_all();
        m_wake.wait(lock, [this] { return m_done; });
        errno = m_error;
        return m_pid;
    }

private:
    void serve() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_plan != nullptr; });
            const pid_t pid = ::fork();
            if (pid == 0) {
                execInChild(*m_plan);
            }
            m_error = pid < 0 ? errno : 0;
            m_pid = pid;
            m_plan = nullptr;
            m_done = true;
            m_wake.notify_all();
        }
    }

    static inline std::atomic<NormalPrioritySpawner*> s_running{nullptr};
    std::mutex m_callerMutex; // one request at a time
    std::mutex m_mutex;
    std::condition_variable m_wake;
    const ExecPlan* m_plan = nullptr;
    bool m_done = false;
    pid_t m_pid = -1;
    int m_error = 0;
};

pid_t forkForPlan(const ExecPlan& plan) {
    NormalPrioritySpawner* spawner = NormalPrioritySpawner::running();
    if (spawner != nullptr && ::sched_getscheduler(0) == SCHED_IDLE) {
        return spawner->fork(plan);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        execInChild(plan);
    }
    return pid;
}

// What the child reported before exec; nothing when exec took over (the pipe closed empty).
std::optional<ChildFailure> readChildFailure(int reportFd) {
    ChildFailure failure;
    ssize_t n = 0;
    do {
        n = ::read(reportFd, &failure, sizeof failure);
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof failure)) {
        return failure;
    }
    return std::nullopt;
}

} // namespace

ExitStatus ExitStatus::fromWaitStatus(int status) {
    ExitStatus result;
    if (WIFSIGNALED(status)) {
        result.kind = Kind::Signalled;
        result.code = WTERMSIG(status);
        result.coreDumped = WCOREDUMP(status);
    } else {
        result.kind = Kind::Exited;
        result.code = WEXITSTATUS(status);
    }
    return result;
}

std::string ExitStatus::describe() const {
    if (kind == Kind::Exited) {
        return "exit code " + std::to_string(code);
    }
    const char* name = ::sigdescr_np(code);
    return "killed by signal " + std::to_string(code) +
           (name != nullptr ? " (" + std::string(name) + ")" : "");
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_ownGroup(other.m_ownGroup), m_stdin(std::move(other.m_stdin)),
      m_stdout(std::move(other.m_stdout)), m_stderr(std::move(other.m_stderr)),
      m_status(std::exchange(other.m_status, std::nullopt)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        release();
        m_pid = std::exchange(other.m_pid, -1);
        m_ownGroup = other.m_ownGroup;
        m_stdin = std::move(other.m_stdin);
        m_stdout = std::move(other.m_stdout);
        m_stderr = std::move(other.m_stderr);
        m_status = std::exchange(other.m_status, std::nullopt);
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    release();
}

void ChildProcess::release() {
    m_stdin.reset();
    m_stdout.reset();
    m_stderr.reset();
    if (m_pid > 0 && !m_status) {
        kill(SIGKILL);
        wait();
    }
    m_pid = -1;
    m_status.reset();
}

Expected<ChildProcess> ChildProcess::startCommandLine(std::string_view commandLine,
                                                      const SpawnOptions& options) {
    return start(splitCommandLine(commandLine), options);
}

ChildProcess ChildProcess::spawn(const std::vector<std::string>& argv, const SpawnOptions& options) {
    auto started = start(argv, options);
    return started ? *std::move(started) : ChildProcess();
}

ChildProcess ChildProcess::spawnCommandLine(std::string_view commandLine, const SpawnOptions& options) {
    return spawn(splitCommandLine(commandLine), options);
}

Expected<ChildProcess> ChildProcess::start(const std::vector<std::string>& argv,
                                           const SpawnOptions& options) {
    const auto fail = [&](int err, const std::string& what) {
        return Failure{what + ": " + std::strerror(err), err};
    };
    if (argv.empty() || argv.front().empty()) {
        return fail(EINVAL, "cannot start a program without a name");
    }
    const std::string quotedName = "\"" + argv.front() + "\"";

    ChildPipes pipes;
    if (!pipes.open(options)) {
        return fail(errno, "cannot prepare " + quotedName);
    }
    const ExecPlan plan(argv, options, pipes);
    const pid_t pid = forkForPlan(plan);
    if (pid < 0) {
        return fail(errno, "cannot start " + quotedName);
    }

    pipes.closeChildEnds();
    ChildProcess child;
    child.m_pid = pid;
    child.m_ownGroup = options.newProcessGroup;
    if (const auto failure = readChildFailure(pipes.reportRead.get())) {
        child.wait();
        std::string what = stepText(static_cast<ChildStep>(failure->step)) + " " + quotedName;
        if (failure->step == static_cast<int>(ChildStep::ChangeDirectory)) {
            what += " (\"" + options.workingDirectory + "\")";
        }
        return fail(failure->error, what);
    }
    child.m_stdin = std::move(pipes.inWrite);
    child.m_stdout = std::move(pipes.outRead);
    child.m_stderr = std::move(pipes.errRead);
    return child;
}

namespace {
ssize_t readRetrying(int fd, void* buffer, std::size_t size) {
    if (fd < 0) {
        return -1;
    }
    ssize_t n = 0;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}
} // namespace

ssize_t ChildProcess::readStdout(void* buffer, std::size_t size) {
    return readRetrying(m_stdout.get(), buffer, size);
}

ssize_t ChildProcess::readStderr(void* buffer, std::size_t size) {
    return readRetrying(m_stderr.get(), buffer, size);
}

bool ChildProcess::writeStdin(const void* data, std::size_t size) {
    if (!m_stdin.valid()) {
        return false;
    }
    // A pipe whose reader is gone raises SIGPIPE; keep it away from this thread and swallow it.
    sigset_t pipeSet;
    sigset_t previous;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSet, &previous);
    const bool ok = writeAll(m_stdin.get(), {static_cast<const char*>(data), size});
    const bool broken = !ok && errno == EPIPE;
    if (broken) {
        const timespec zero{};
        while (::sigtimedwait(&pipeSet, nullptr, &zero) == SIGPIPE) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

void ChildProcess::closeStdin() {
    m_stdin.reset();
}

void ChildProcess::closeStdout() {
    m_stdout.reset();
}

ExitStatus ChildProcess::wait() {
    if (m_status) {
        return *m_status;
    }
    if (m_pid <= 0) {
        return ExitStatus{ExitStatus::Kind::Exited, -1, false};
    }
    int status = 0;
    pid_t r = 0;
    do {
        r = ::waitpid(m_pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    m_status =
        r == m_pid ? ExitStatus::fromWaitStatus(status) : ExitStatus{ExitStatus::Kind::Exited, -1, false};
    return *m_status;
}

std::optional<ExitStatus> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    if (m_status || m_pid <= 0) {
        return wait();
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // A descriptor of the process becomes readable when it ends: the wait wakes at once, with no polling.
    const UniqueFd exited(static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0)));
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_status = ExitStatus::fromWaitStatus(status);
            return m_status;
        }
        if (r < 0 && errno != EINTR) {
            m_status = ExitStatus{ExitStatus::Kind::Exited, -1, false};
            return m_status;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return std::nullopt;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        if (exited.valid()) {
            pollfd ending{exited.get(), POLLIN, 0};
            ::poll(&ending, 1, static_cast<int>(std::min<long long>(left.count(), 60'000)));
            continue;
        }
        // A kernel without process descriptors (before Linux 5.3): short naps.
        std::this_thread::sleep_for(std::min(pause, left));
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

bool makeThisThreadIdle() {
    NormalPrioritySpawner::start();
    const sched_param idle{};
    return ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &idle) == 0;
}

bool ChildProcess::kill(int signal) {
    if (m_pid <= 0 || m_status) {
        return false;
    }
    return ::kill(m_ownGroup ? -m_pid : m_pid, signal) == 0;
}

} // namespace morvane::platform
