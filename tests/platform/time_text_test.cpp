#include "platform/time_text.h"

#include <gtest/gtest.h>

namespace morvane::platform {
namespace {

TEST(TimeText, FormatsAndParsesBackTheSameSeconds) {
    const struct {
        long long seconds;
        const char* text;
    } cases[] = {
        {0, "00:00:00"},
        {59, "00:00:59"},
        {60, "00:01:00"},
        {3600, "01:00:00"},
        {3725, "01:02:05"},
        {100LL * 3600, "100:00:00"},
        {100LL * 3600 + 59 * 60 + 59, "100:59:59"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatTimeText(c.seconds), c.text);
        EXPECT_EQ(parseTimeText(c.text), c.seconds) << c.text;
    }
    EXPECT_EQ(formatTimeText(-5), "00:00:00");
}

TEST(TimeText, ParsingAcceptsLooseNumbersAndRejectsMissingOnes) {
    EXPECT_EQ(parseTimeText("1:2:3"), 3723);
    EXPECT_EQ(parseTimeText("00:75:00"), 4500); // minutes above 59 count as they stand
    EXPECT_EQ(parseTimeText(" 01: 02: 03"), 3723);
    for (const char* bad : {"", "12:30", "aa:bb:cc", "1:2:", ":1:2", "01-02-03", "1::2", "-1:00:00",
                            "99999999999999999999:00:00"}) {
        EXPECT_FALSE(parseTimeText(bad).has_value()) << bad;
    }
}

TEST(FileNameOfPath, TakesTheTextAfterTheLastSeparator) {
    EXPECT_EQ(fileNameOfPath("/home/u/clip.avi"), "clip.avi");
    EXPECT_EQ(fileNameOfPath("clip.avi"), "clip.avi");
    EXPECT_EQ(fileNameOfPath("/home/u/"), "");
    EXPECT_EQ(fileNameOfPath("/home/u/back\\slash.avi"), "back\\slash.avi");
    EXPECT_FALSE(fileNameOfPath("").has_value());
}

} // namespace
} // namespace morvane::platform
