#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/conversion_job.h"

namespace morvane::engine {

// The converter's process id, as the runner hands it to its owner.
using ProcessHandle = std::int64_t;

// What the converter runner reports to the encoder that started it.
enum class ConverterEvent : std::int32_t {
    StopRequested = 996, // a stop request was written to the converter
    Started = 997,       // number: the converter's process id
    Line = 998,          // line: one complete line of output
    Finished = 999,      // number: 0 when the output ended normally, else the system error code
};

struct ConverterEventValue {
    std::int64_t number = 0;
    std::string_view line; // valid for the duration of the call only
};

// How an encoder's last conversion ended, in words the user can act on.
struct ConversionReport {
    enum class Outcome {
        None,      // nothing has been converted yet
        Converted, // the output was written
        Failed,    // no output: `reason` says why
        Stopped,   // a stop request ended it; nothing was kept under the output's name
    };
    Outcome outcome = Outcome::None;
    std::string reason;  // why it failed or stopped: where it can, the converter's own last word
    std::string warning; // something the user should know about an output that was kept; empty when none
};

// The encoder interface the media-control facade drives. Every operation catches what it raises:
// results are 1 for success and 0 for failure unless stated.
class CMediaEncoder {
public:
    CMediaEncoder() = default;
    CMediaEncoder(const CMediaEncoder&) = delete;
    CMediaEncoder& operator=(const CMediaEncoder&) = delete;
    virtual ~CMediaEncoder() = default;

    // Kept so the operations stay in their established order; nothing calls them.
    virtual std::int32_t Reserved1() { return 1; }
    virtual std::int32_t Reserved2() { return 1; }
    virtual std::int32_t Reserved3() { return 1; }

    // Takes a copy of the job and prepares its conversion; may complete job->outputPath.
    virtual std::int32_t PrepareCommand(ConversionJob* job) = 0;

    virtual std::int32_t Reserved4() { return 1; }

    // Asks a running conversion to end soon, keeping what was written. Called from another thread.
    virtual std::int32_t RequestStop() = 0;
    // Runs the prepared conversion to its end on the calling thread.
    virtual std::int32_t RunConversion(const char* outputPath, std::int32_t targetCode) = 0;
    virtual std::int32_t Initialize(const EncoderInitRecord* record) = 0;
    virtual std::int32_t Shutdown() = 0;
    // Learns the length, frame size and streams of the file at `path` into `job`.
    virtual std::int32_t bGetMediaFileContent(const char* path, ConversionJob* job) = 0;
    // The reply is 1 unless the encoder has met an error.
    virtual std::int32_t OnConverterEvent(ConverterEvent code, const ConverterEventValue& value,
                                          std::int32_t userValue) = 0;
    virtual void SetProcessHandle(ProcessHandle handle) = 0;
    virtual void SetForceFrameServer(std::int32_t flag) = 0;
    // How the last PrepareCommand and RunConversion ended; read on the thread that converted.
    virtual ConversionReport LastReport() const { return {}; }
};

} // namespace morvane::engine
