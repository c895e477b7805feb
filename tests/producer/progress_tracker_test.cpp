#include "producer/progress_tracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvane::producer {
namespace {

TEST(LineSplitter, CutsAtLineFeedsAndCarriageReturnsAcrossChunks) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    const auto collect = [&](std::string_view line) { lines.emplace_back(line); };
    splitter.feed("frame=1\nfps=0.0", collect);
    splitter.feed("0\r\n\rprogress=cont", collect);
    splitter.feed("inue\n[rm @ 0x1] Muxing", collect);
    splitter.finish(collect);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"frame=1", "fps=0.00", "progress=continue", "[rm @ 0x1] Muxing"}));
}

TEST(LineSplitter, CutsOverlongLines) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    const auto collect = [&](std::string_view line) { lines.emplace_back(line); };
    splitter.feed(std::string(LineSplitter::kMaxLine + 100, 'x') + "\nnext\n", collect);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), LineSplitter::kMaxLine);
    EXPECT_EQ(lines[1], "next");
}

TEST(ProgressTracker, ReportsRisingPercentagesOfTheOutputTime) {
    ProgressTracker tracker(20.0);
    const struct {
        const char* line;
        ProgressTracker::Kind kind;
        int percent; // -1: none
    } steps[] = {
        {"frame=1", ProgressTracker::Kind::Progress, -1},
        {"out_time_us=N/A", ProgressTracker::Kind::Progress, -1},
        {"out_time_us=42667", ProgressTracker::Kind::Progress, 0},
        {"out_time_ms=42667", ProgressTracker::Kind::Progress, -1}, // same time in microseconds: no news
        {"out_time=00:00:00.042667", ProgressTracker::Kind::Progress, -1},
        {"progress=continue", ProgressTracker::Kind::Progress, -1},
        {"out_time_us=5000000", ProgressTracker::Kind::Progress, 25},
        {"out_time=00:00:10.000000", ProgressTracker::Kind::Progress, 50},
        {"out_time_us=4000000", ProgressTracker::Kind::Progress, -1}, // never backwards
        {"[rv20 @ 0x55] rc buffer underflow", ProgressTracker::Kind::Message, -1},
        {"Error while opening encoder for output stream #0:0", ProgressTracker::Kind::Message, -1},
        {"bitrate=  57.4kbits/s", ProgressTracker::Kind::Progress, -1},
        {"out_time_us=20010667", ProgressTracker::Kind::Progress, 99}, // 100 only once the file is done
        {"progress=end", ProgressTracker::Kind::Progress, -1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.line);
        const auto update = tracker.onLine(step.line);
        EXPECT_EQ(update.kind, step.kind);
        EXPECT_EQ(update.percent.value_or(-1), step.percent);
    }
    EXPECT_TRUE(tracker.ended());
    EXPECT_EQ(tracker.lastPercent(), 99);
}

TEST(ProgressTracker, AnUnknownLengthGivesNoPercentages) {
    ProgressTracker tracker(0.0);
    EXPECT_FALSE(tracker.onLine("out_time_us=5000000").percent);
    EXPECT_DOUBLE_EQ(tracker.outputSeconds(), 5.0);
    EXPECT_FALSE(tracker.ended());
}

TEST(ProgressTracker, ReadsClockTimes) {
    EXPECT_DOUBLE_EQ(parseClockTime("01:02:03.5").value_or(-1), 3723.5);
    EXPECT_DOUBLE_EQ(parseClockTime("00:00:00.000000").value_or(-1), 0.0);
    for (const char* bad : {"", "12", "1:2", "a:b:c", "00:00:-1", "00:00:01x"}) {
        EXPECT_FALSE(parseClockTime(bad)) << bad;
    }
}

} // namespace
} // namespace morvane::producer
