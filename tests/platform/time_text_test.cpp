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

// The one reader behind the file list's, the splitter's and the command builder's time texts.
TEST(TimeText, PartsAreReadAsScanfReadsThemWithOrWithoutAWidth) {
    const struct {
        const char* text;
        std::size_t width;
        int count;
        long long numbers[3];
        std::size_t end;
        bool tooLarge;
    } cases[] = {
        {"01:02:03", 2, 3, {1, 2, 3}, 8, false},
        {"001:02:03", 2, 1, {0, 0, 0}, 2, false}, // the width ends the first number before its colon
        {"1:2:345", 2, 3, {1, 2, 34}, 6, false},  // the width leaves a digit over
        {"-1:+2: 3", 2, 3, {-1, 2, 3}, 8, false}, // a sign counts towards the width
        {"-12:00:00", 2, 1, {-1, 0, 0}, 2, false},
        {"\t1 :2:3", 0, 1, {1, 0, 0}, 2, false}, // the colon must follow the number
        {"12:30", 0, 2, {12, 30, 0}, 5, false},
        {"+-5:0:0", 0, 0, {0, 0, 0}, 0, false}, // one sign only
        {"10000000000000:0:0", 0, 3, {10000000000000, 0, 0}, 18, false},
        {"100000000000000:0:0", 0, 3, {10000000000000, 0, 0}, 19, true}, // held, and told
    };
    for (const auto& c : cases) {
        const TimeTextParts parts = readTimeTextParts(c.text, c.width);
        EXPECT_EQ(parts.count, c.count) << c.text;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(parts.numbers[i], c.numbers[i]) << c.text << " number " << i;
        }
        EXPECT_EQ(parts.end, c.end) << c.text;
        EXPECT_EQ(parts.tooLarge, c.tooLarge) << c.text;
    }
    // Blanks are the six ASCII ones whatever the locale: a no-break space is no blank.
    EXPECT_EQ(readTimeTextParts("\xa0"
                                "1:2:3")
                  .count,
              0);
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
