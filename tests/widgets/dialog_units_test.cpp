#include "widgets/dialog_units.h"

#include <gtest/gtest.h>

namespace morvane::widgets {
namespace {

TEST(DialogUnits, ScalesByQuarterWidthAndEighthHeightRoundingToNearest) {
    // A font of 7 x 15 pixels: 4 units across are 7 pixels, 8 units down are 15.
    EXPECT_EQ(dialogUnitsToPixels({4, 8, 40, 16}, 7, 15), (UnitRect{7, 15, 70, 30}));
    EXPECT_EQ(dialogUnitsToPixels({1, 1, 3, 5}, 7, 15), (UnitRect{2, 2, 5, 9}));
    EXPECT_EQ(dialogUnitsToPixels({0, 0, 0, 0}, 6, 13), (UnitRect{0, 0, 0, 0}));
}

} // namespace
} // namespace morvane::widgets
