#include "widgets/range_slider.h"
#include "widgets/range_slider_math.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace morvane::widgets {
namespace {

// --- pure maths ----------------------------------------------------------------------------------------

TEST(RangeSliderMath, ValueToPixelTruncatesAfterAddingAHalf) {
    const RangeValues interval{0.0, 10.0, 0.0, 10.0};
    struct Case {
        double value;
        int trackWidth;
        int expected;
    };
    const Case cases[] = {
        {0.0, 190, 0},   {10.0, 190, 190}, {5.0, 190, 95}, {0.026, 190, 0}, // 0.494 -> 0
        {0.027, 190, 1},                                                    // 0.513 -> 1
        {3.3, 7, 2},                                                        // 2.31 + 0.5 -> 2
        {-1.0, 100, -9},                                                    // -10 + 0.5 truncates toward zero
    };
    for (const Case& c : cases) {
        EXPECT_EQ(valueToPixel(c.value, interval, c.trackWidth), c.expected) << c.value;
    }
    // An empty interval maps to the track's start instead of dividing by zero.
    EXPECT_EQ(valueToPixel(5.0, RangeValues{5.0, 5.0, 5.0, 5.0}, 190), 0);
}

TEST(RangeSliderMath, LayoutPlacesThumbsBandAndHitAreas) {
    // 220 x 20: a = 15, t = 190; left 2.5 of 0..10 at pixel 48 (47.5 + 0.5), right 7.5 at 143.
    const SliderLayout layout = sliderLayout(RangeValues{0.0, 10.0, 2.5, 7.5}, 220, 20);
    EXPECT_EQ(layout.arrowWidth, 15);
    EXPECT_EQ(layout.trackWidth, 190);
    EXPECT_EQ(layout.leftX, 48);
    EXPECT_EQ(layout.rightX, 143);
    EXPECT_EQ(layout.leftThumb, (SliderRect{49, 1, 61, 18}));
    EXPECT_EQ(layout.rightThumb, (SliderRect{159, 1, 171, 18}));
    EXPECT_EQ(layout.band, (SliderRect{62, 0, 158, 20}));
    EXPECT_EQ(layout.bandFill, (SliderRect{64, 1, 158, 19}));
    EXPECT_TRUE(layout.leftThumb.contains(49, 1));
    EXPECT_FALSE(layout.leftThumb.contains(61, 1)); // right edge lies outside
}

TEST(RangeSliderMath, NormalizeReportsEachCorrectionInOrder) {
    struct Case {
        RangeValues before;
        RangeValues after;
        std::vector<RangeChange> changes;
    };
    const Case cases[] = {
        {{0, 10, -5, 20}, {0, 10, 0, 10}, {ChangeLeft, ChangeRight}},
        {{0, 10, -5, -3}, {0, 10, 0, 0}, {ChangeLeft, ChangeRight}},
        {{0, 10, 12, 15}, {0, 10, 10, 10}, {ChangeRight, ChangeLeft}},
        {{0, 10, 7, 3}, {0, 10, 7, 3}, {}}, // inside the interval a reversed range is kept as given
        {{0, 10, 2, 30}, {0, 10, 2, 10}, {ChangeRight}},
        {{0, 10, 0, 10}, {0, 10, 0, 10}, {}},
    };
    for (const Case& c : cases) {
        RangeValues range = c.before;
        EXPECT_EQ(normalizeRange(range), c.changes) << c.before.left << " " << c.before.right;
        EXPECT_EQ(range, c.after);
    }
}

TEST(RangeSliderMath, ThumbDragsStopAtTheOtherThumbAndAtTheEnds) {
    const int a = 15;
    const int t = 190;
    RangeValues range{0, 10, 2, 8};
    // Left thumb: q = a/2 + pixel.
    EXPECT_EQ(dragLeftThumb(range, 7 + 95, a, t), ChangeLeft);
    EXPECT_DOUBLE_EQ(range.left, 5.0);
    dragLeftThumb(range, 7 + 180, a, t); // past the right thumb
    EXPECT_DOUBLE_EQ(range.left, 8.0);
    dragLeftThumb(range, -300, a, t); // below the track's start: exactly the minimum
    EXPECT_EQ(range.left, 0.0);
    // Right thumb: q = 3a/2 (22) + pixel.
    EXPECT_EQ(dragRightThumb(range, 22 + 19, a, t), ChangeRight);
    EXPECT_DOUBLE_EQ(range.right, 1.0);
    range.left = 4.0;
    dragRightThumb(range, 22, a, t); // past the left thumb
    EXPECT_DOUBLE_EQ(range.right, 4.0);
    EXPECT_EQ(dragRightThumb(range, 22, a, t), ChangeLeft); // unchanged: reported with code 0
    dragRightThumb(range, 5000, a, t);
    EXPECT_EQ(range.right, 10.0);
    // A track without width leaves the values alone.
    const RangeValues kept = range;
    dragLeftThumb(range, 50, a, 0);
    dragRightThumb(range, 50, a, -4);
    dragBand(range, 50, a, 0);
    EXPECT_EQ(range, kept);
}

TEST(RangeSliderMath, BandDragKeepsItsWidthAgainstBothEnds) {
    const int a = 15;
    const int t = 190;
    RangeValues range{0, 10, 3, 5};
    EXPECT_EQ(dragBand(range, a + 114, a, t), ChangeBoth); // centre at 6
    EXPECT_DOUBLE_EQ(range.left, 5.0);
    EXPECT_DOUBLE_EQ(range.right, 7.0);
    dragBand(range, -100, a, t);
    EXPECT_EQ(range.left, 0.0);
    EXPECT_DOUBLE_EQ(range.right, 2.0);
    dragBand(range, 1000, a, t);
    EXPECT_EQ(range.right, 10.0);
    EXPECT_DOUBLE_EQ(range.left, 8.0);
}

TEST(RangeSliderMath, ArrowKeysMoveOrStretchOnThePixelGrid) {
    const int t = 100; // one pixel is 0.1 on 0..10
    struct Case {
        RangeValues before;
        bool rightArrow;
        bool shift;
        RangeValues after;
        RangeChange code;
    };
    const Case cases[] = {
        {{0, 10, 2, 5}, true, false, {0, 10, 2.1, 5.1}, ChangeBoth},
        {{0, 10, 2, 5}, false, false, {0, 10, 1.9, 4.9}, ChangeBoth},
        {{0, 10, 2, 5}, true, true, {0, 10, 2, 5.1}, ChangeLeft},
        {{0, 10, 2, 5}, false, true, {0, 10, 2, 4.9}, ChangeLeft},
        {{0, 10, 2.04, 5}, true, false, {0, 10, 2.1, 5.1}, ChangeBoth}, // snaps to the grid
        {{0, 10, 3, 10}, true, false, {0, 10, 3, 10}, ChangeBoth},      // at the right end: refused
        {{0, 10, 0, 4}, false, false, {0, 10, 0, 4}, ChangeBoth},       // at the left end: refused
        {{0, 10, 3, 9.9}, true, false, {0, 10, 3.1, 10}, ChangeBoth},   // lands exactly on the maximum
        {{0, 10, 3, 9.9}, true, true, {0, 10, 3, 10}, ChangeLeft},
        {{0, 10, 0.1, 4}, false, false, {0, 10, 0, 3.9}, ChangeBoth}, // exactly on the minimum
        {{0, 10, 3, 3}, false, true, {0, 10, 3, 3}, ChangeLeft},      // Shift+Left never crosses left
        {{0, 10, 7, 3}, true, false, {0, 10, 7.1, 3.1}, ChangeBoth},  // a reversed range still moves
    };
    for (const Case& c : cases) {
        RangeValues range = c.before;
        const std::optional<RangeChange> code = arrowKeyStep(range, c.rightArrow, c.shift, t);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, c.code);
        EXPECT_NEAR(range.left, c.after.left, 1e-9) << c.before.left << " " << c.rightArrow << c.shift;
        EXPECT_NEAR(range.right, c.after.right, 1e-9) << c.before.right << " " << c.rightArrow << c.shift;
    }
    RangeValues empty{5, 5, 5, 5};
    EXPECT_FALSE(arrowKeyStep(empty, true, false, t).has_value());
    RangeValues narrow{0, 10, 2, 5};
    EXPECT_FALSE(arrowKeyStep(narrow, true, false, 0).has_value());
}

// --- the control ---------------------------------------------------------------------------------------

class RangeSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        slider.resize(220, 20); // a = 15, t = 190
        QObject::connect(&slider, &CRangeSlider::rangeChanged, &slider, [this](RangeChange change) {
            changes.push_back(change);
            seen.push_back(slider.values()); // the owner reads the values during the notification
        });
        slider.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
    }

    // Drags from the centre of `from` to x positions, one move per position.
    void drag(const SliderRect& from, const std::vector<int>& xs) {
        const QPoint start(from.centreX(), from.centreY());
        QTest::mousePress(&slider, Qt::LeftButton, {}, start);
        for (int x : xs) {
            QTest::mouseMove(&slider, QPoint(x, start.y()));
        }
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(xs.back(), start.y()));
    }

    CRangeSlider slider;
    std::vector<RangeChange> changes;
    std::vector<RangeValues> seen;
};

TEST_F(RangeSliderTest, StartsAtTheFullUnitIntervalAndSortsItsEnds) {
    EXPECT_EQ(slider.values(), (RangeValues{0.0, 1.0, 0.0, 1.0}));
    slider.SetMinMax(10.0, 0.0);
    EXPECT_EQ(slider.minimum(), 0.0);
    EXPECT_EQ(slider.maximum(), 10.0);
    EXPECT_TRUE(changes.empty());
    slider.SetRange(7.0, 3.0);
    EXPECT_EQ(slider.left(), 7.0);
    EXPECT_EQ(slider.right(), 3.0);
    slider.SetRange(std::nan(""), 3.0); // refused, nothing changes
    EXPECT_EQ(slider.left(), 7.0);
}

TEST_F(RangeSliderTest, SetRangeOutsideTheIntervalReportsLeftThenRightSynchronously) {
    slider.SetMinMax(0.0, 10.0);
    slider.SetRange(-5.0, 20.0);
    EXPECT_EQ(changes, (std::vector<RangeChange>{ChangeLeft, ChangeRight}));
    ASSERT_EQ(seen.size(), 2U);
    EXPECT_EQ(seen[0], (RangeValues{0, 10, 0, 20})); // the owner sees each correction as it happens
    EXPECT_EQ(seen[1], (RangeValues{0, 10, 0, 10}));
    changes.clear();
    slider.SetMinMax(2.0, 6.0);
    EXPECT_EQ(changes, (std::vector<RangeChange>{ChangeLeft, ChangeRight}));
    EXPECT_EQ(slider.values(), (RangeValues{2, 6, 2, 6}));
}

TEST_F(RangeSliderTest, DraggingTheLeftThumbStopsAtTheRightThumbAndAtTheMinimum) {
    slider.SetMinMax(0.0, 10.0);
    slider.SetRange(2.0, 6.0);
    drag(slider.leftThumbRect(), {120, 300, 300, -200});
    EXPECT_EQ(changes, std::vector<RangeChange>(4, ChangeLeft)); // every move, changed or not
    EXPECT_DOUBLE_EQ(seen[1].left, 6.0);
    EXPECT_EQ(slider.left(), 0.0);
    EXPECT_EQ(slider.right(), 6.0);
    EXPECT_FALSE(slider.isTracking());
}

TEST_F(RangeSliderTest, DraggingTheRightThumbStopsAtTheLeftThumbAndAtTheMaximum) {
    slider.SetMinMax(0.0, 10.0);
    slider.SetRange(2.0, 6.0);
    const SliderRect thumb = slider.rightThumbRect();
    drag(thumb, {0, 0, 1000});
    EXPECT_EQ(changes, (std::vector<RangeChange>{ChangeRight, ChangeLeft, ChangeRight}));
    EXPECT_DOUBLE_EQ(seen[0].right, 2.0);
    EXPECT_EQ(slider.right(), 10.0);
    EXPECT_EQ(slider.left(), 2.0);
}

TEST_F(RangeSliderTest, DraggingTheBandKeepsItsWidthAtBothEnds) {
    slider.SetMinMax(0.0, 10.0);
    slider.SetRange(3.0, 5.0);
    const SliderLayout layout = sliderLayout(slider.values(), 220, 20);
    drag(layout.band, {-100});
    EXPECT_EQ(slider.left(), 0.0);
    EXPECT_DOUBLE_EQ(slider.right(), 2.0);
    drag(sliderLayout(slider.values(), 220, 20).band, {500});
    EXPECT_EQ(slider.right(), 10.0);
    EXPECT_DOUBLE_EQ(slider.left(), 8.0);
    EXPECT_EQ(changes, (std::vector<RangeChange>{ChangeBoth, ChangeBoth}));
}

TEST_F(RangeSliderTest, PressOutsideEveryPartStartsNoDragAndMovesNothing) {
    slider.SetMinMax(0.0, 10.0);
    slider.SetRange(0.0, 10.0);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(0, 10)); // the frame left of the left thumb
    EXPECT_FALSE(slider.isTracking());
    QTest::mouseMove(&slider, QPoint(100, 10));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(slider.hasFocus());
}

TEST_F(RangeSliderTest, ArrowKeysWithAndWithoutShiftAndControlIgnored) {
    slider.SetMinMax(0.0, 19.0); // one pixel is 0.1
    slider.SetRange(2.0, 5.0);
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_NEAR(slider.left(), 2.1, 1e-9);
    EXPECT_NEAR(slider.right(), 5.1, 1e-9);
    QTest::keyClick(&slider, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_NEAR(slider.left(), 2.1, 1e-9);
    EXPECT_NEAR(slider.right(), 5.0, 1e-9);
    QTest::keyClick(&slider, Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(&slider, Qt::Key_Up);
    EXPECT_NEAR(slider.right(), 5.0, 1e-9);
    EXPECT_EQ(changes, (std::vector<RangeChange>{ChangeBoth, ChangeLeft}));

    // Shift+Left shrinks the band to nothing and no further.
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(&slider, Qt::Key_Left, Qt::ShiftModifier);
    }
    EXPECT_NEAR(slider.right(), slider.left(), 1e-9);
    EXPECT_EQ(changes.size(), 42U); // refused steps still notify

    slider.SetRange(18.0, 19.0);
    changes.clear();
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(slider.right(), 19.0);
    EXPECT_EQ(changes, (std::vector<RangeChange>{ChangeBoth}));

    slider.SetMinMax(4.0, 4.0); // an empty interval: keys do nothing at all
    changes.clear();
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_TRUE(changes.empty());
}

TEST_F(RangeSliderTest, PaintsTrackThumbsArrowsAndBand) {
    slider.SetMinMax(0.0, 10.0);
    slider.SetRange(2.5, 7.5); // thumbs at pixels 48 and 143
    const QImage image = slider.grab().toImage();
    ASSERT_EQ(image.size(), QSize(220, 20));
    EXPECT_EQ(image.pixelColor(20, 10), QColor(128, 128, 128)); // grey track left of the left thumb
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));       // its black frame
    EXPECT_EQ(image.pixelColor(100, 10), QColor(Qt::white));    // the band
    EXPECT_EQ(image.pixelColor(48, 10), QColor(Qt::black));     // left thumb's frame
    EXPECT_EQ(image.pixelColor(48 + 7, 10), QColor(Qt::black)); // inside its arrow (5..10, 6..13)
    EXPECT_EQ(image.pixelColor(48 + 12, 4), slider.palette().color(QPalette::Button)); // thumb face
    EXPECT_EQ(image.pixelColor(143 + 15 + 7, 10), QColor(Qt::black));                  // right arrow
    EXPECT_EQ(image.pixelColor(210, 10), QColor(128, 128, 128));
    // The focus rectangle: dots 3 pixels inside the band (64..157 x 1..18), only while focused.
    auto dotsOnRow = [](const QImage& picture, int y) {
        int dots = 0;
        for (int x = 67; x <= 154; ++x) {
            dots += picture.pixelColor(x, y) == QColor(Qt::black) ? 1 : 0;
        }
        return dots;
    };
    QApplication::setActiveWindow(&slider);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&slider));
    slider.setFocus();
    const QImage focused = slider.grab().toImage();
    EXPECT_GT(dotsOnRow(focused, 4), 20);
    EXPECT_GT(dotsOnRow(focused, 15), 20);
    EXPECT_LE(dotsOnRow(focused, 10), 2); // the two sides only
    slider.clearFocus();
    EXPECT_EQ(dotsOnRow(slider.grab().toImage(), 4), 0);
    slider.setEnabled(false);
    const QColor grey = slider.palette().color(QPalette::Disabled, QPalette::WindowText);
    ASSERT_NE(grey, QColor(Qt::black));
    EXPECT_EQ(slider.grab().toImage().pixelColor(48 + 7, 10), grey);
}

} // namespace
} // namespace morvane::widgets
