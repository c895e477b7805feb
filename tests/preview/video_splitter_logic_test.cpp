#include "preview/video_splitter_logic.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace morvane::preview {
namespace {

TEST(SplitterTimeTest, ReadsTwoCharactersPerNumber) {
    struct Case {
        std::string text;
        std::optional<int> seconds;
    };
    const std::vector<Case> cases{
        {"00:00:00", 0},      {"01:02:05", 3725},
        {"00:90:00", 5400},   {"1:2:3", 3723},
        {"99:59:59", 359999}, {" 01: 02: 03", 3723},
        {"01:02:03  ", 3723}, {"00:00:99", 99},
        {"+1:00:00", 3600},   {"-1:00:00", -3600},
        {"100:00:00", {}},    {"00:00:034", {}},
        {"01:02", {}},        {"", {}},
        {"aa:bb:cc", {}},     {"01 :02:03", {}},
        {"01:02:03x", {}},    {"-:00:00", {}},
        {"00:00:+", {}},      {"12:34:56:78", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseSplitterTime(c.text), c.seconds) << '"' << c.text << '"';
    }
    EXPECT_EQ(splitterTimeText(3725), "01:02:05");
    EXPECT_EQ(splitterTimeText(5400), "01:30:00");
}

TEST(SplitterTimeTest, TypedTimesAreHeldToTheIntervalAndMustNotCrossTheOtherEnd) {
    const SplitterValues values{0, 100, 200, 3725};
    struct Case {
        std::string text;
        TypedField field;
        std::optional<int> stored;
    };
    const std::vector<Case> cases{
        {"00:02:30", TypedField::Start, 150}, {"00:03:20", TypedField::Start, 200}, // equal to the end
        {"00:03:21", TypedField::Start, {}},  {"-1:00:00", TypedField::Start, 0},   // below: held to 0
        {"nonsense", TypedField::Start, {}},  {"00:01:40", TypedField::End, 100},   // equal to the start
        {"00:01:39", TypedField::End, {}},    {"99:00:00", TypedField::End, 3725},  // past the file
        {"00:90:00", TypedField::End, 3725},  {"00:02:00", TypedField::End, 120},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(acceptTypedTime(c.text, c.field, values), c.stored)
            << c.text << (c.field == TypedField::Start ? " as start" : " as end");
    }
    // 00:90:00 is 5400 s when the file is long enough and the end later.
    EXPECT_EQ(acceptTypedTime("00:90:00", TypedField::Start, {0, 0, 6000, 7200}), 5400);
    // Past the end after holding: a start typed beyond the file is held to the maximum first.
    EXPECT_EQ(acceptTypedTime("99:00:00", TypedField::Start, {0, 0, 3725, 3725}), 3725);
    EXPECT_EQ(acceptTypedTime("99:00:00", TypedField::Start, {0, 0, 3000, 3725}), std::nullopt);
}

TEST(SplitterTimeTest, RowsOpenWithTheirCellsOrTheWholeFile) {
    struct Case {
        std::string start;
        std::string end;
        double duration;
        SplitterValues values;
    };
    const std::vector<Case> cases{
        {"00:00:10", "00:00:20", 60.0, {0, 10, 20, 60, 59.0}},
        {"00:00:00", "01:02:05", 3725.9, {0, 0, 3725, 3725, 3724.9}}, // the maximum is cut toward zero
        {"", "garbage", 12.7, {0, 0, 12, 12, 11.7}},                  // unreadable: 0 and the length
        {"00:05:00", "00:09:00", 120.0, {0, 120, 120, 120, 119.0}},   // held to the file
        {"100:00:00", "", 400000.0, {0, 360000, 400000, 400000, 399999.0}},
        {"00:00:00", "00:00:00", 0.0, {0, 0, 0, 0, -1.0}}, // no length known
    };
    for (const Case& c : cases) {
        EXPECT_EQ(splitterValuesForRow(c.start, c.end, c.duration), c.values) << c.start << " " << c.end;
    }
}

TEST(SplitterTimeTest, TheFilesRealEndIsShownAndTypedTimesPastItAreHeldAndSaidSo) {
    // A 12.04 s clip: the probe's 13.04 s gives the bound 13, the clip ends at 12.
    const SplitterValues clip = splitterValuesForRow("00:00:00", "00:00:13", 13.04);
    ASSERT_EQ(clip, (SplitterValues{0, 0, 13, 13, 13.04 - 1.0}));
    EXPECT_EQ(shownEnd(clip), 12);
    EXPECT_EQ(shownTime(13, clip), 12);
    EXPECT_EQ(shownTime(11, clip), 11);
    EXPECT_EQ(shownEnd({0, 0, 13, 13, 12.6}), 13) << "rounded to the nearest second";
    EXPECT_EQ(shownEnd({0, 0, 13, 13, 40.0}), 13) << "never past the bound";
    EXPECT_EQ(shownEnd({0, 0, 13, 13}), 13) << "length unknown: the bound";

    struct Case {
        const char* text;
        TypedField field;
        int stored;
        bool held;
    };
    const std::vector<Case> cases{
        {"00:00:13", TypedField::End, 13, true},   // past the shown end: held, and the whole file
        {"00:00:12", TypedField::End, 13, false},  // the shown end stands for the file's end
        {"00:00:11", TypedField::End, 11, false},  //
        {"00:00:20", TypedField::Start, 13, true}, // held to the bound: the cut is then empty
        {"-1:00:00", TypedField::Start, 0, true},  // before the beginning
        {"00:00:03", TypedField::Start, 3, false}, //
    };
    for (const Case& c : cases) {
        const auto taken = readTypedTime(c.text, c.field, clip);
        ASSERT_TRUE(taken) << c.text;
        EXPECT_EQ(taken->stored, c.stored) << c.text;
        EXPECT_EQ(taken->held, c.held) << c.text;
    }

    // An empty cut as the user sees it: equal ends, or a start at or past the file's end.
    EXPECT_FALSE(emptyCut(clip));
    EXPECT_TRUE(emptyCut({0, 5, 5, 13, 12.04}));
    EXPECT_TRUE(emptyCut({0, 12, 13, 13, 12.04}));
    EXPECT_FALSE(emptyCut({0, 11, 13, 13, 12.04}));
    EXPECT_FALSE(emptyCut({0, 4, 5, 13}));
}

TEST(SplitterTimeTest, SliderValuesTruncateTowardZero) {
    EXPECT_EQ(wholeSeconds(3725.9), 3725);
    EXPECT_EQ(wholeSeconds(-0.5), 0);
    EXPECT_EQ(wholeSeconds(7.999999), 7);
    EXPECT_EQ(wholeSeconds(1e300), INT_MAX);
}

} // namespace
} // namespace morvane::preview
