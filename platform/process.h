#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/expected.h"
#include "platform/unique_fd.h"

namespace morvane::platform {

enum class StdStream {
    Closed,          // the child gets /dev/null
    Pipe,            // a pipe to or from us
    Inherit,         // our own descriptor
    MergeWithStdout, // standard error only: the same pipe as standard output
};

struct SpawnOptions {
    StdStream stdinMode = StdStream::Closed;
    StdStream stdoutMode = StdStream::Pipe;
    StdStream stderrMode = StdStream::MergeWithStdout;
    std::string workingDirectory;         // empty: ours
    bool dieWithParent = true;            // the child is killed when the spawning thread ends
    bool newProcessGroup = false;         // the child leads a process group of its own
    std::vector<std::string> environment; // extra "NAME=value" entries on top of ours
    int passedDescriptor = -1;            // a descriptor of ours that the child gets as its descriptor 3
};

// How a child ended.
struct ExitStatus {
    enum class Kind { Exited, Signalled };
    Kind kind = Kind::Exited;
    int code = 0; // exit code, or the signal number
    bool coreDumped = false;

    bool success() const { return kind == Kind::Exited && code == 0; }
    static ExitStatus fromWaitStatus(int status);
    std::string describe() const; // "exit code 3", "killed by signal 9 (Killed)"
};

// A running child process with RAII ownership: its pipes close and, when it is still running,
// it is killed and reaped when the object goes. The child sees only its three standard
// descriptors (and the one passed on, if any) and runs at the program's normal priority (never the idle
// scheduling of a thread lowered by makeThisThreadIdle()); programs are run directly from an argument vector,
// never through a shell.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // argv[0] is the program: a path, or a name looked up in PATH. A failure says why, as in
    // "cannot start \"/x/vec\": No such file or directory", with the failing step's errno as its number.
    static Expected<ChildProcess> start(const std::vector<std::string>& argv, const SpawnOptions& options);
    // Splits the command-line text by the Windows rules first.
    static Expected<ChildProcess> startCommandLine(std::string_view commandLine, const SpawnOptions& options);
    // As start(), for callers that need no reason: a child that is not valid() when it failed.
    static ChildProcess spawn(const std::vector<std::string>& argv, const SpawnOptions& options);
    static ChildProcess spawnCommandLine(std::string_view commandLine, const SpawnOptions& options);

    bool valid() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }

    int stdinFd() const { return m_stdin.get(); }
    int stdoutFd() const { return m_stdout.get(); }
    int stderrFd() const { return m_stderr.get(); }

    // Blocking read from standard output (or error); 0 at end of file, -1 on error. Retries EINTR.
    ssize_t readStdout(void* buffer, std::size_t size);
    ssize_t readStderr(void* buffer, std::size_t size);
    // Writes all bytes to standard input; false when the pipe is gone.
    bool writeStdin(const void* data, std::size_t size);
    void closeStdin();
    void closeStdout();

    // Waits for the child to end and reaps it; repeated calls give the same status.
    ExitStatus wait();
    // Waits at most `timeout`; nothing when still running.
    std::optional<ExitStatus> waitFor(std::chrono::milliseconds timeout);
    std::optional<ExitStatus> exitStatus() const { return m_status; }

    // Sends a signal to the child (or its process group, when it leads one).
    bool kill(int signal);

private:
    void release();

    pid_t m_pid = -1;
    bool m_ownGroup = false;
    UniqueFd m_stdin;
    UniqueFd m_stdout;
    UniqueFd m_stderr;
    std::optional<ExitStatus> m_status;
};

// Lowers the calling thread to idle scheduling. The processes it starts afterwards still run at the
// scheduling and nice value the calling thread had before: an unprivileged process cannot leave
// idle scheduling once it has it, so they are forked by a helper thread that keeps that priority.
// False when the thread could not be lowered (it then runs on at its priority).
bool makeThisThreadIdle();

} // namespace morvane::platform
