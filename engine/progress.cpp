#include "engine/progress.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace morvane::engine {

namespace {

// Reads an integer as "%d" would, without its undefined behaviour on overflow: values out of range
// are clamped.
std::optional<int> readInteger(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text) {
        return std::nullopt;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

} // namespace

std::optional<int> parseProgressSeconds(const char* line, bool hasVideo) {
    if (line == nullptr) {
        return std::nullopt;
    }
    // The tokens and "time=" are matched as sscanf matches them; %n marks where the number starts.
    int numberAt = -1;
    if (hasVideo) {
        std::sscanf(line, "%*s %*s %*s %*s %*s %*s %*s %*s time=%n", &numberAt);
    } else {
        std::sscanf(line, "%*s %*s time=%n", &numberAt);
    }
    if (numberAt < 0) {
        return std::nullopt;
    }
    return readInteger(line + numberAt);
}

ProgressStep progressStep(int seconds, double progressDuration) {
    if (!std::isfinite(progressDuration) || progressDuration <= 0.0) {
        return {};
    }
    const double percent = static_cast<double>(seconds) / progressDuration * 100.0;
    if (percent >= 100.0) {
        return {1, true};
    }
    if (percent < 1.0) {
        return {};
    }
    return {static_cast<int>(percent), false};
}

} // namespace morvane::engine
