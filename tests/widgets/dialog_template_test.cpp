#include "widgets/dialog_template.h"

#include <QCheckBox>
#include <QDialog>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace morvane::widgets {
namespace {

TEST(DialogTemplate, TheFontShrinksInHalfPointsOnlyAsFarAsTheScreenNeeds) {
    // A dialog 80 pixels wide and 50 high for every point of its font.
    int layouts = 0;
    const auto sizeAt = [&](const QFont& font) {
        ++layouts;
        const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
        return QSize(static_cast<int>(points * 80), static_cast<int>(points * 50));
    };
    QFont nine;
    nine.setPointSizeF(9.0);
    struct Case {
        QSize available;
        double points;
        int layouts;
    };
    const std::vector<Case> cases{
        {{720, 450}, 9.0, 1}, // fits exactly: the font and the layout stay
        {{719, 450}, 8.5, 2}, // a pixel short: the next half point
        {{700, 360}, 7.0, 5}, // the height decides
        {{480, 300}, 6.0, 7}, // the smallest allowed fits just
        {{100, 100}, 6.0, 7}, // nothing fits: the smallest
    };
    for (const auto& c : cases) {
        layouts = 0;
        const QFont chosen = fittingDialogFont(nine, c.available, 6.0, sizeAt);
        EXPECT_EQ(chosen.pointSizeF(), c.points) << c.available.width() << "x" << c.available.height();
        EXPECT_EQ(layouts, c.layouts);
        EXPECT_EQ(chosen.family(), nine.family());
    }
    // A font sized in pixels steps by pixels.
    QFont pixels;
    pixels.setPixelSize(12); // 9 points
    EXPECT_EQ(fittingDialogFont(pixels, {700, 500}, 6.0, sizeAt).pixelSize(), 11);
    EXPECT_EQ(fittingDialogFont(pixels, {10, 10}, 6.0, sizeAt).pixelSize(), 8);
}

TEST(DialogTemplate, GrowsToTheNeededSizeAroundTheVerticalCentre) {
    struct Case {
        QRect placed;
        QSize needed;
        QRect grown;
    };
    const std::vector<Case> cases = {
        {{10, 20, 50, 16}, {40, 10}, {10, 20, 50, 16}}, // fits: unchanged, never shrinks
        {{10, 20, 50, 16}, {80, 16}, {10, 20, 80, 16}}, // wider: keeps the left edge
        {{10, 20, 50, 16}, {50, 24}, {10, 16, 50, 24}}, // taller: keeps the middle
        {{10, 2, 50, 16}, {50, 24}, {10, 0, 50, 24}},   // never above the top
    };
    for (const auto& c : cases) {
        EXPECT_EQ(grownToFit(c.placed, c.needed), c.grown);
    }
}

TEST(DialogTemplate, GrownControlsPushTheirRightNeighbours) {
    // A label grown by 30 pixels, the field right of it on the same line, a button below, a frame around.
    std::vector<PlacedControl> controls = {
        {{0, 0, 200, 100}, {0, 0, 200, 100}, true},    // frame
        {{10, 10, 50, 10}, {10, 10, 80, 10}, false},   // label, grew by 30
        {{58, 8, 30, 14}, {58, 8, 30, 14}, false},     // field overlapping the label by 2 pixels
        {{95, 8, 10, 14}, {95, 8, 10, 14}, false},     // spinner 7 pixels right of the field
        {{10, 40, 40, 14}, {10, 40, 60, 14}, false},   // button below, grew by 20
        {{60, 40, 40, 14}, {60, 40, 40, 14}, false},   // its neighbour
        {{150, 40, 20, 14}, {150, 40, 20, 14}, false}, // far right on the same line
    };
    makeRoomForGrownControls(controls);
    EXPECT_EQ(controls[0].grown, QRect(0, 0, 200, 100)) << "frames stay";
    EXPECT_EQ(controls[1].grown, QRect(10, 10, 80, 10));
    EXPECT_EQ(controls[2].grown.left(), 90) << "off the grown label";
    EXPECT_EQ(controls[3].grown.left(), 127) << "keeps its gap after the moved field";
    EXPECT_EQ(controls[4].grown.left(), 10) << "the line below is not pushed by the label";
    EXPECT_EQ(controls[5].grown.left(), 80);
    EXPECT_EQ(controls[6].grown.left(), 170) << "keeps its 50-pixel gap after the moved neighbour";
}

constexpr std::array<DialogControl, 5> kTable{{
    {0, ControlKind::GroupBox, nullptr, {4, 2, 100, 40}, "frame"},
    {0, ControlKind::Label, "A caption far longer than its little rectangle", {8, 8, 20, 8}, "label"},
    {10, ControlKind::Edit, nullptr, {28, 7, 30, 12}, "edit"},
    {11, ControlKind::CheckBox, "Check", {8, 24, 60, 10}, "check"},
    {1, ControlKind::DefaultPushButton, "OK", {30, 46, 40, 14}, "ok"},
}};

TEST(DialogTemplate, CreatesNamedControlsThatShowTheirWholeText) {
    QDialog dialog;
    const auto controls = createDialogControls(dialog, kTable);
    fixDialogSize(dialog, 110, 64);
    ASSERT_EQ(controls.size(), kTable.size());
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("label"));
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("edit"));
    auto* frame = dialog.findChild<QGroupBox*>(QStringLiteral("frame"));
    ASSERT_TRUE(label && edit && frame && dialog.findChild<QCheckBox*>(QStringLiteral("check")));
    EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("ok"))->isDefault());
    EXPECT_EQ(controls[1], label);

    EXPECT_GE(label->width(), label->sizeHint().width()) << "the caption is not clipped";
    EXPECT_FALSE(label->geometry().intersects(edit->geometry())) << "the field moved aside";
    EXPECT_TRUE(frame->geometry().contains(edit->geometry())) << "the frame grew round the moved field";
    for (auto* control : controls) {
        EXPECT_TRUE(dialog.rect().contains(control->geometry())) << control->objectName().toStdString();
    }
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "a fixed size";
}

} // namespace
} // namespace morvane::widgets
