#include "widgets/cell_geometry.h"

#include <gtest/gtest.h>

#include <array>

namespace morvane::widgets {
namespace {

TEST(CellGeometry, ProgressWellAndBarInAHundredPixelCell) {
    // Cell x 0..99, y 10..29: frame columns 1 and 98, rows 10 and 29; bar from x 3.
    struct Case {
        int percent;
        int barWidth;
    };
    for (const Case c :
         {Case{0, 0}, Case{1, 0}, Case{50, 47}, Case{99, 94}, Case{100, 95}, Case{150, 95}, Case{-5, 0}}) {
        SCOPED_TRACE(c.percent);
        const ProgressGeometry g = progressGeometry(QRect(0, 10, 100, 20), c.percent);
        EXPECT_EQ(g.frameLeft, 1);
        EXPECT_EQ(g.frameRight, 98);
        EXPECT_EQ(g.frameTop, 10);
        EXPECT_EQ(g.frameBottom, 29);
        EXPECT_EQ(g.well, QRect(2, 11, 96, 18));
        EXPECT_EQ(g.bar, QRect(3, 12, c.barWidth, 17));
        EXPECT_EQ(g.text, QRect(2, 12, 95, 16));
    }
}

TEST(CellGeometry, FillWidthIsWholePixelsRoundedDown) {
    EXPECT_EQ(progressFillWidth(3, 98, 50), 47);
    EXPECT_EQ(progressFillWidth(3, 98, 33), 31);
    EXPECT_EQ(progressFillWidth(10, 5, 50), 0); // a cell too narrow for a well
}

TEST(CellGeometry, CheckBoxSitsNinePixelsInOrCentred) {
    // 14-pixel row: the full-height box of 13, one pixel trimmed from its left.
    EXPECT_EQ(checkBoxRect(QRect(0, 0, 30, 14), false), QRect(9, 0, 12, 13));
    EXPECT_EQ(checkBoxRect(QRect(100, 20, 200, 14), true), QRect(110, 20, 12, 13));
    // Low row: side height - 1.
    EXPECT_EQ(checkBoxRect(QRect(0, 0, 30, 11), true), QRect(10, 0, 9, 10));
    // Tall row: a box of 13 in the middle.
    EXPECT_EQ(checkBoxRect(QRect(0, 0, 31, 21), false), QRect(10, 3, 12, 13));
}

TEST(CellGeometry, TickStrokes) {
    const std::array<QRect, 7> expected{QRect(19, 23, 1, 3), QRect(18, 24, 1, 3), QRect(17, 25, 1, 3),
                                        QRect(16, 26, 1, 3), QRect(15, 28, 1, 3), QRect(14, 27, 1, 3),
                                        QRect(13, 26, 1, 3)};
    EXPECT_EQ(tickStrokes(10, 20), expected);
}

TEST(CellGeometry, ProgressTextFormats) {
    struct Case {
        const char* format;
        int percent;
        const char* text;
    };
    for (const Case c : {Case{"", 50, "50%"}, Case{"", 0, "0%"}, Case{"%d%%", 7, "7%"},
                         Case{"Converting %i %%", 42, "Converting 42 %"}, Case{"%s %n %d", 3, "%s %n 3"},
                         Case{"100%", 9, "100%"}, Case{"%", 1, "%"}}) {
        EXPECT_EQ(formatProgressText(QString::fromLatin1(c.format), c.percent), QString::fromLatin1(c.text))
            << c.format;
    }
}

TEST(CellGeometry, ColumnWidthsShareTheListWidth) {
    const std::array<int, 5> shares{3, 20, 8, 6, 6};
    EXPECT_EQ(columnWidthsByShare(642, shares, 64), (std::vector<int>{30, 200, 80, 60, 60, 208}));
    EXPECT_EQ(columnWidthsByShare(100, shares, 64), (std::vector<int>{4, 30, 12, 9, 9, 32}));
    EXPECT_EQ(columnWidthsByShare(1, shares, 64), (std::vector<int>{0, 0, 0, 0, 0, 0}));
}

} // namespace
} // namespace morvane::widgets
