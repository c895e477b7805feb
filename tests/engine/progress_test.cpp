#include "engine/progress.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace morvane::engine {
namespace {

constexpr const char* kVideoLine =
    "frame= 250 fps= 25 q=2.0 size= 1024kB dup=0 time=12.96 bitrate= 647.3kbits/s";
constexpr const char* kAudioLine = "size= 512kB time=41.20 bitrate= 128.0kbits/s";

TEST(Progress, ReadsTheSecondsOfProgressLines) {
    struct Case {
        const char* line;
        bool hasVideo;
        std::optional<int> seconds;
    };
    const std::vector<Case> cases = {
        {kVideoLine, true, 12},
        {kAudioLine, false, 41},
        {kVideoLine, false, std::nullopt}, // eight tokens where two are expected
        {kAudioLine, true, std::nullopt},  // two tokens where eight are expected
        {"a b c time=5", false, std::nullopt},
        {"a  b \t time=5", false, 5},
        {"a b time= 7", false, 7},
        {"a b time=-3", false, -3},
        {"a b time=99999999999", false, INT_MAX},
        {"a b time=abc", false, std::nullopt},
        {"a b time=", false, std::nullopt},
        {"a b Time=5", false, std::nullopt},
        {"Input #0, avi, from 'clip.avi':", false, std::nullopt},
        {"Input #0, avi, from 'clip.avi':", true, std::nullopt},
        {"", false, std::nullopt},
        {"1 2 3 4 5 6 7 8 time=3\r", true, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseProgressSeconds(c.line, c.hasVideo), c.seconds) << c.line << " video " << c.hasVideo;
    }
    EXPECT_EQ(parseProgressSeconds(nullptr, false), std::nullopt);
}

TEST(Progress, TurnsSecondsIntoTheCallbackPercentage) {
    struct Case {
        int seconds;
        double duration;
        int percent;
        bool reachedEnd;
    };
    const std::vector<Case> cases = {
        {30, 60.0, 50, false},    {59, 60.0, 98, false}, // 98.3 is cut toward zero
        {99, 100.0, 99, false},   {1, 100.0, 1, false},  {2, 100.0, 2, false},
        {0, 60.0, 1, false},      {1, 200.0, 1, false}, // 0.5 % still shows as 1
        {-5, 60.0, 1, false},     {60, 60.0, 1, true},  // the whole length: 100 % gives 1 and marks the end
        {45, 30.0, 1, true},                            // the duration is shorter than the reported time
        {INT_MAX, 0.5, 1, true},  {10, 0.0, 1, false},  // no duration: every line gives 1
        {0, 0.0, 1, false},       {10, -4.0, 1, false},  {10, std::nan(""), 1, false},
        {10, INFINITY, 1, false},
    };
    for (const auto& c : cases) {
        const ProgressStep step = progressStep(c.seconds, c.duration);
        EXPECT_EQ(step.percent, c.percent) << c.seconds << " of " << c.duration;
        EXPECT_EQ(step.reachedEnd, c.reachedEnd) << c.seconds << " of " << c.duration;
    }
}

} // namespace
} // namespace morvane::engine
