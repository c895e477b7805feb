#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/media_encoder.h"
#include "platform/expected.h"
#include "platform/process.h"

namespace morvane::engine {

// How one converter run ended, as far as the engine judges it.
enum class ConverterVerdict {
    Succeeded, // the converter ended with exit code 0
    Failed,    // it ended with another code or was killed, without a stop request
    Stopped,   // a stop was requested: what was written is judged by the output file
};

ConverterVerdict judgeConverterExit(const platform::ExitStatus& status, bool stopRequested);

// What the last Start saw.
struct ConverterRun {
    bool started = false;
    bool stopRequested = false;
    platform::ExitStatus exit;
    // A failure when the converter could not be started or its output not read: why, with the
    // system error code as its number.
    platform::Expected<void> io;

    // 0, or the system error code of a failed start or read.
    std::int64_t status() const { return io.errorCode(); }
};

// Starts the external converter with a prepared command line, reads everything it prints (standard
// output and error), cuts it into lines for the owner and the trace file, and carries the user's
// stop request to it. A run blocks the calling thread until the converter has ended; RequestStop
// may be called from another thread meanwhile.
class ConverterProcess {
public:
    static constexpr std::size_t kChunkBytes = 1024;

    ConverterProcess() = default;
    ConverterProcess(const ConverterProcess&) = delete;
    ConverterProcess& operator=(const ConverterProcess&) = delete;

    // Takes the command line, the owner that receives the events and the value passed back with
    // them. The converter runs in `workingDirectory` (empty: ours) with `environment` ("NAME=value")
    // on top of ours. Clears a stop request.
    void Init(std::string_view commandLine, CMediaEncoder* owner, std::int32_t userValue,
              std::string workingDirectory = {}, std::vector<std::string> environment = {});

    // Starts the converter and reads its output to the end; 1 when it was started, else 0.
    std::int32_t Start();

    // Writes "q" and nine zero bytes to a running converter; the result is the owner's reply to
    // the stop event.
    std::int32_t RequestStop();

    const ConverterRun& lastRun() const { return m_lastRun; }

    // Memory held for the line being collected (bounded whatever the converter prints).
    std::size_t lineBufferCapacity() const { return m_pending.capacity(); }

private:
    std::int32_t run();
    std::int32_t notify(ConverterEvent code, std::int64_t number, std::string_view line = {});
    void readOutput(platform::ChildProcess& child);
    void abandon(platform::ChildProcess& child, std::string_view why);
    void writeStopBlockLocked();

    std::string m_commandLine;
    std::string m_workingDirectory;
    std::vector<std::string> m_environment;
    std::string m_pending; // the line being collected

    // Shared with RequestStop on another thread.
    std::mutex m_mutex;
    CMediaEncoder* m_owner = nullptr;
    std::int32_t m_userValue = 0;
    platform::ChildProcess* m_running = nullptr; // the converter whose input takes stop requests
    std::atomic<bool> m_stopped{false};

    ConverterRun m_lastRun;
};

} // namespace morvane::engine
