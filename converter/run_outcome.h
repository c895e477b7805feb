#pragma once

#include <string>

#include "platform/process.h"

namespace morvane::converter {

// How a conversion run ended, from FFmpeg's status and what the converter did to it.
struct RunFacts {
    platform::ExitStatus status;
    bool stopRequested = false; // "q" reached FFmpeg
    bool interruptSent = false; // FFmpeg was sent one SIGINT to stop (it then exits 255)
    int abortSignal = 0;        // the converter itself was told to end by this signal
    bool discardOnStop = false; // the caller wants nothing kept from a stopped run
    long long outputBytes = -1; // size of the temporary output, -1 when missing
    // From FFmpeg's progress: whether any report came, and whether one counted a video frame or
    // audio time written. A file without either holds no picture and no sound.
    bool progressSeen = false;
    bool mediaWritten = false;
    // What was asked of the source, to say why nothing came out: where the cut starts (0: at the start)
    // and how long the source is (0 when not known).
    double cutStart = 0.0;
    double sourceLength = 0.0;
};

// What the converter exits with when a stop request abandoned the run (sysexits' "try again").
inline constexpr int kStoppedExit = 75;

struct RunVerdict {
    bool keepOutput = false; // rename the temporary output to the requested name
    int exitCode = 0;
    std::string message; // a last diagnostic line; empty when all went well
};

// Decides whether the output is kept and what the converter exits with. A file is kept only when FFmpeg
// finished, or was stopped on request and wrote a file (unless the caller asked for stopped runs to be
// discarded); everything else leaves no output behind.
RunVerdict judgeRun(const RunFacts& facts, const std::string& outputPath);

} // namespace morvane::converter
