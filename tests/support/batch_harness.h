#pragma once

// Running the program's executables as a user does, in a program directory of the test's own, and
// looking at the processes they start.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"

namespace morvane::test {

// Makes `to` a program directory like `from`: executables and shared libraries hard-linked (copied
// across file systems), everything else copied, so that a test may change or remove any file
// without touching the build's. config.ini, trace.flt and input.avs are left out: they are the test's.
void cloneProgramDirectory(const std::string& from, const std::string& to);

struct WatchOptions {
    std::string workingDirectory;
    std::vector<std::string> environment;       // "NAME=value" entries on top of ours
    std::optional<std::uint64_t> fileSizeLimit; // bytes a process may write into one file
    std::chrono::seconds timeLimit{120};        // then the program is killed and the run marked
};

struct WatchedRun {
    platform::ExitStatus status;
    int exitCode = -1; // the exit code, or 128 + the signal that ended the program
    bool timedOut = false;
    std::string out;
    std::string err;
};

// A program started with its standard output and error read into memory as they come.
class WatchedProgram {
public:
    WatchedProgram(const std::vector<std::string>& argv, const WatchOptions& options);
    ~WatchedProgram();
    WatchedProgram(const WatchedProgram&) = delete;
    WatchedProgram& operator=(const WatchedProgram&) = delete;

    pid_t pid() const { return m_pid; }
    bool started() const { return m_pid > 0; }
    const std::string& spawnError() const { return m_spawnError; }

    std::string out() const;
    std::string err() const;
    // Waits until the standard output holds `text`; false when the program ended or time ran out first.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    void kill(int signal);
    // Waits for the end (killing the program at its time limit) and gives what it printed.
    WatchedRun finish();

private:
    void readStdout();
    void readStderr();

    platform::ChildProcess m_child;
    pid_t m_pid = -1;
    std::string m_spawnError;
    std::chrono::steady_clock::time_point m_deadline;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_out;
    std::string m_err;
    bool m_outClosed = false;
    bool m_errClosed = false;
    std::thread m_outReader;
    std::thread m_errReader;
    std::optional<WatchedRun> m_run;
};

// Starts a program and waits for its end.
WatchedRun runWatched(const std::vector<std::string>& argv, const WatchOptions& options);

// One line of the process table.
struct ProcessEntry {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t group = 0;
    char state = '?'; // 'Z' for a process that has ended and waits to be reaped
    std::string name; // the executable's name, at most 15 bytes
};

std::vector<ProcessEntry> processTable();
std::optional<ProcessEntry> processEntry(pid_t pid);
// Children, grandchildren and so on of `root`, as the process table shows them now.
std::vector<ProcessEntry> descendantsOf(pid_t root);
// Exists and has not ended (a zombie has ended).
bool processRunning(pid_t pid);
// Open file descriptors and resident memory of a running process; -1 when it cannot be read.
int openDescriptorCount(pid_t pid);
long residentKilobytes(pid_t pid);

} // namespace morvane::test
