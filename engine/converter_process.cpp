#include "engine/converter_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>

#include "engine/engine_log.h"
#include "engine/line_splitter.h"
#include "engine/trace_file.h"

namespace morvane::engine {

namespace {
// The converter's stop request: "q" and nine zero bytes.
constexpr char kStopBlock[10] = {'q', 0, 0, 0, 0, 0, 0, 0, 0, 0};
} // namespace

ConverterVerdict judgeConverterExit(const platform::ExitStatus& status, bool stopRequested) {
    if (stopRequested) {
        return ConverterVerdict::Stopped;
    }
    return status.success() ? ConverterVerdict::Succeeded : ConverterVerdict::Failed;
}

void ConverterProcess::Init(std::string_view commandLine, CMediaEncoder* owner, std::int32_t userValue,
                            std::string workingDirectory, std::vector<std::string> environment) {
    m_commandLine.assign(commandLine);
    m_workingDirectory = std::move(workingDirectory);
    m_environment = std::move(environment);
    const std::lock_guard lock(m_mutex);
    m_owner = owner;
    m_userValue = userValue;
    m_running = nullptr;
    m_stopped = false;
}

std::int32_t ConverterProcess::notify(ConverterEvent code, std::int64_t number, std::string_view line) {
    CMediaEncoder* owner = nullptr;
    std::int32_t userValue = 0;
    {
        const std::lock_guard lock(m_mutex);
        owner = m_owner;
        userValue = m_userValue;
    }
    if (owner == nullptr) {
        return 0;
    }
    return owner->OnConverterEvent(code, ConverterEventValue{number, line}, userValue);
}

void ConverterProcess::writeStopBlockLocked() {
    if (m_running != nullptr) {
        m_running->writeStdin(kStopBlock, sizeof kStopBlock);
    }
}

std::int32_t ConverterProcess::RequestStop() {
    {
        const std::lock_guard lock(m_mutex);
        writeStopBlockLocked();
        m_stopped = true;
    }
    return notify(ConverterEvent::StopRequested, 0);
}

std::int32_t ConverterProcess::Start() {
    try {
        return run();
    } catch (const std::exception& e) {
        logErrorInfo(kRunnerModule, "Start", e.what());
    } catch (...) {
        logErrorInfo(kRunnerModule, "Start", "unknown exception");
    }
    return 0;
}

void ConverterProcess::abandon(platform::ChildProcess& child, std::string_view why) {
    // Nobody reads the converter's output any more: end it rather than wait for it forever.
    m_lastRun.io = platform::Failure{std::string(why), EIO};
    logErrorInfo(kRunnerModule, "ReadOutput", why);
    child.kill(SIGKILL);
}

std::int32_t ConverterProcess::run() {
    m_lastRun = ConverterRun{};
    platform::SpawnOptions options;
    options.stdinMode = platform::StdStream::Pipe;
    options.stdoutMode = platform::StdStream::Pipe;
    options.stderrMode = platform::StdStream::MergeWithStdout;
    options.workingDirectory = m_workingDirectory;
    options.environment = m_environment;
    options.dieWithParent = true; // this thread waits for the converter, so it outlives it

    auto started = platform::ChildProcess::startCommandLine(m_commandLine, options);
    if (!started) {
        const std::string& why = started.error();
        m_lastRun.io = platform::Failure{why, started.errorCode() != 0 ? started.errorCode() : EINVAL};
        // The trace the user is asked to send must say why nothing ran.
        writeTraceLine(m_commandLine);
        writeTraceLine(why);
        logErrorInfo(kRunnerModule, "Start", why);
        notify(ConverterEvent::Finished, m_lastRun.status());
        return 0;
    }
    platform::ChildProcess child = *std::move(started);
    m_lastRun.started = true;
    {
        const std::lock_guard lock(m_mutex);
        m_running = &child;
        // A stop requested while the converter was being started applies to this run.
        if (m_stopped) {
            writeStopBlockLocked();
        }
    }
    try {
        CMediaEncoder* owner = nullptr;
        {
            const std::lock_guard lock(m_mutex);
            owner = m_owner;
        }
        if (owner != nullptr) {
            owner->SetProcessHandle(child.pid());
        }
        notify(ConverterEvent::Started, child.pid());
        readOutput(child);
    } catch (const std::exception& e) {
        abandon(child, e.what());
    } catch (...) {
        abandon(child, "unknown exception");
    }

    {
        // Closing our ends first lets a converter that still waits for input, or still writes after
        // a failed read, come to its end.
        const std::lock_guard lock(m_mutex);
        m_running = nullptr;
        child.closeStdin();
    }
    child.closeStdout();
    m_lastRun.exit = child.wait();

    const bool stopped = m_stopped.exchange(false);
    m_lastRun.stopRequested = stopped;
    if (!stopped) {
        notify(ConverterEvent::Finished, m_lastRun.status());
    }
    return 1;
}

void ConverterProcess::readOutput(platform::ChildProcess& child) {
    m_pending = std::string();
    writeTraceLine(m_commandLine);
    const LineSink onLine = [this](std::string_view line) {
        writeTraceLine(line);
        notify(ConverterEvent::Line, 0, line);
    };
    char buffer[kChunkBytes + 1];
    int readError = 0;
    for (;;) {
        const ssize_t n = child.readStdout(buffer, kChunkBytes);
        if (n <= 0) {
            readError = n < 0 ? errno : 0;
            break;
        }
        buffer[n] = '\0';
        splitLines(std::string_view(buffer, static_cast<std::size_t>(n)), m_pending, onLine);
    }
    // The text after the last line feed is a line of its own; it often says why the converter ended.
    const std::string lastLine = readError != 0 ? m_pending : std::string();
    const bool hadLastLine = finishLines(m_pending, onLine);
    if (readError != 0) {
        m_lastRun.io = platform::Failure{std::strerror(readError), readError};
        if (hadLastLine) {
            logErrorInfo(kRunnerModule, "PostMessage", lastLine);
        }
    }
}

} // namespace morvane::engine
