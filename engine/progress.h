#pragma once

#include <optional>

namespace morvane::engine {

// Reads the elapsed whole seconds from a converter progress line: with video the line carries
// eight tokens before "time=", without video two. Anything else is a diagnostic line: nothing.
std::optional<int> parseProgressSeconds(const char* line, bool hasVideo);

struct ProgressStep {
    int percent = 1;         // what the progress callback receives, 1 to 99
    bool reachedEnd = false; // the reported time reached the whole length
};

// Turns elapsed seconds into the callback's percentage against `progressDuration` seconds: the
// percentage cut toward zero when it lies in 1 to 99, otherwise 1 (also for 100 or more, which
// marks the end, and for a length that is not positive).
ProgressStep progressStep(int seconds, double progressDuration);

} // namespace morvane::engine
