// The A/V offset measure finds shifts that were made on purpose, and none where there is none.
#include <gtest/gtest.h>

#include "tests/converter/av_offset.h"
#include "tests/support/test_support.h"

namespace morvane::test {
namespace {

TEST(AvOffset, FindsShiftsMadeOnPurpose) {
    TempDir dir;
    const auto source = dir.file("sync.mkv");
    ASSERT_TRUE(makeSyncClip(source, {"-c:v", "ffv1", "-c:a", "flac"}, 3.0));
    struct Case {
        const char* name;
        std::vector<std::string> arguments; // after the source, given twice as inputs 0 and 1
        double audio;
        double video;
    };
    const std::vector<Case> cases = {
        {"copy", {"-map", "0:v", "-map", "1:a", "-c", "copy"}, 0.0, 0.0},
        {"sound 120 ms late", {"-map", "0:v", "-map", "1:a", "-c", "copy"}, 0.120, 0.0},
        {"pictures 100 ms late", {"-map", "1:v", "-map", "0:a", "-c", "copy"}, 0.0, 0.100},
        // Every other frame, each kept at its own time: no lag, though a frame lasts twice as long.
        {"half the frame rate",
         {"-map", "0:v", "-map", "1:a", "-c:v", "ffv1", "-vf", "fps=15", "-c:a", "copy"},
         0.0,
         0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double shift = std::max(c.audio, c.video);
        const auto output = dir.file("shifted.mkv");
        std::vector<std::string> argv{"ffmpeg", "-nostdin",   "-loglevel",           "error", "-y",  "-i",
                                      source,   "-itsoffset", std::to_string(shift), "-i",    source};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        argv.push_back(output);
        ASSERT_EQ(runProgram(argv), 0);
        const AvLags lags = measureLags(source, output);
        ASSERT_TRUE(lags.audio && lags.video);
        EXPECT_NEAR(*lags.audio, c.audio, 0.005);
        EXPECT_NEAR(*lags.video, c.video, 0.002);
        EXPECT_NEAR(*lags.offset(), c.video - c.audio, 0.006);
    }
    // A file with other sound and pictures matches nowhere.
    const auto other = dir.file("other.mkv");
    ASSERT_TRUE(generateClip(other, "av", 3.0));
    EXPECT_FALSE(measureLags(source, other).offset().has_value());
}

} // namespace
} // namespace morvane::test
