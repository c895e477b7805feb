#include "widgets/image_button.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace morvane::widgets {
namespace {

// A solid picture of one colour with a black square in its middle.
Picture solid(const char* colour) {
    const QByteArray svg = QByteArray(R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20">)") +
                           R"(<rect width="20" height="20" fill=")" + colour + R"("/>)" +
                           R"(<rect x="8" y="8" width="4" height="4" fill="#000000"/></svg>)";
    return *Picture::fromData(svg);
}

TEST(ImageButton, PictureChoice) {
    struct Case {
        std::array<bool, 3> present; // hover, normal, pressed
        bool pressed;
        bool hovered;
        int shown;
    };
    const Case cases[] = {
        {{true, true, true}, false, false, 1},   {{true, true, true}, false, true, 0},
        {{true, true, true}, true, true, 2},     {{true, true, true}, true, false, 2},
        {{true, true, false}, true, true, 0},    {{true, true, false}, false, false, 1},
        {{true, false, false}, false, false, 0}, {{false, true, false}, true, true, 1},
        {{false, false, false}, true, true, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseButtonPicture(c.present, c.pressed, c.hovered), c.shown)
            << c.present[0] << c.present[1] << c.present[2] << " pressed " << c.pressed << " hovered "
            << c.hovered;
    }
}

TEST(ImageButton, PicturePlacementByAlignment) {
    const QRect client(0, 0, 100, 60);
    const QSize picture(20, 10);
    const QSize margins(3, 3);
    struct Case {
        int alignment;
        bool caption;
        QPoint at;
    };
    const Case cases[] = {
        {0, true, {3, 25}},  {0, false, {40, 25}}, {1, true, {40, 3}}, {1, false, {40, 25}},
        {2, true, {77, 25}}, {2, false, {77, 25}}, {3, true, {0, 0}},  {3, false, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(imageButtonLayout(client, picture, c.alignment, margins, c.caption).picture.topLeft(), c.at)
            << c.alignment << " " << c.caption;
    }
    // The caption goes beside or below the picture.
    EXPECT_EQ(imageButtonLayout(client, picture, 0, margins, true).caption.left(), 26);
    EXPECT_EQ(imageButtonLayout(client, picture, 1, margins, true).caption.top(), 16);
    EXPECT_EQ(imageButtonLayout(client, picture, 2, margins, true).caption.right(), 73);
}

TEST(ImageButton, FailuresAndRefusals) {
    ImageButton button;
    EXPECT_EQ(button.setAlignment(3), 0);
    EXPECT_EQ(button.setAlignment(4), 4);
    EXPECT_EQ(button.alignment(), 3);
    EXPECT_EQ(button.setIcon(999999), 1);
    EXPECT_EQ(button.shownPicture(), -1);
    EXPECT_EQ(button.setIcon(186, 999999), 1);
    EXPECT_EQ(button.shownPicture(), -1);
    EXPECT_EQ(button.setIcon(186), 0);
    EXPECT_EQ(button.shownPicture(), 1);
    EXPECT_EQ(button.pressedOffset(), QPoint(1, 1));
    EXPECT_EQ(button.setBitmaps(152, Qt::black, 999999, Qt::black, 154, Qt::black), 1);
    EXPECT_EQ(button.shownPicture(), -1);
    EXPECT_EQ(button.setBitmaps(152, Qt::black, 153, Qt::black, 154, Qt::black), 0);
    EXPECT_EQ(button.pressedOffset(), QPoint(0, 0));
    // A picture with no size cannot be measured.
    const auto empty = Picture::fromData(R"(<svg xmlns="http://www.w3.org/2000/svg" width="0" height="0"/>)");
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(button.setBitmapPictures({empty, solid("#ff0000"), std::nullopt}, {}), 2);
    EXPECT_EQ(button.shownPicture(), -1);
}

TEST(ImageButton, ShowsPressedAndHoverPicturesThroughTheirMasks) {
    QWidget window;
    window.resize(100, 100);
    auto* button = new ImageButton(&window);
    button->setGeometry(10, 10, 20, 20);
    button->setAlignment(3);
    ASSERT_EQ(button->setBitmapPictures({solid("#ff0000"), solid("#00ff00"), solid("#0000ff")},
                                        {QColor(Qt::black), QColor(Qt::black), QColor(Qt::black)}),
              0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QColor face = button->palette().color(QPalette::Button);
    auto pixel = [&](int x, int y) { return button->grab().toImage().pixelColor(x, y); };

    EXPECT_EQ(pixel(5, 5), QColor(0, 255, 0));
    EXPECT_EQ(pixel(10, 10), face); // the black middle is transparent
    QTest::mouseMove(button, QPoint(5, 5));
    EXPECT_TRUE(button->isHovered());
    EXPECT_EQ(pixel(5, 5), QColor(255, 0, 0));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(pixel(5, 5), QColor(0, 0, 255));
    EXPECT_EQ(pixel(10, 10), face);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(pixel(5, 5), QColor(255, 0, 0));

    // Leaving clears the hover; a press from outside does not bring it back while the button is held.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->isHovered());
    QMouseEvent heldMove(QEvent::MouseMove, QPointF(6, 6), button->mapToGlobal(QPointF(6, 6)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &heldMove);
    EXPECT_FALSE(button->isHovered());
    EXPECT_EQ(pixel(5, 5), QColor(0, 255, 0));

    // Disabled: the picture is drawn greyed.
    button->setEnabled(false);
    const QColor grey = pixel(5, 5);
    EXPECT_NE(grey, QColor(0, 255, 0));
    EXPECT_EQ(grey.red(), grey.green());
}

TEST(ImageButton, IconShiftsByThePressedOffsetAndTooltipsCanBeInactive) {
    QWidget window;
    auto* button = new ImageButton(&window);
    button->setGeometry(0, 0, 40, 40);
    ASSERT_EQ(button->setIcon(186), 0);
    button->setAlignment(1);
    button->setTransparentFace();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage rest = button->grab().toImage();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    const QImage pressed = button->grab().toImage();
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 20));
    // Inside the border, the pressed picture is the resting one moved one pixel right and down.
    int differing = 0;
    for (int y = 3; y < 36; ++y) {
        for (int x = 3; x < 36; ++x) {
            EXPECT_EQ(pressed.pixel(x + 1, y + 1), rest.pixel(x, y)) << x << "," << y;
            differing += pressed.pixel(x, y) != rest.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(differing, 10);

    button->setTooltipText(QStringLiteral("Play"));
    EXPECT_EQ(button->toolTip(), QStringLiteral("Play"));
    button->setTooltipText(QStringLiteral("Pause"), false);
    EXPECT_TRUE(button->toolTip().isEmpty());
}

TEST(Picture, RendersSharpAtTwiceThePixelRatioAndClearsItsTransparentColour) {
    const Picture picture = solid("#ff0000");
    const QPixmap one = picture.render(1.0, {}, Qt::black);
    const QPixmap two = picture.render(2.0, {}, Qt::black);
    EXPECT_EQ(one.size(), QSize(20, 20));
    EXPECT_EQ(two.size(), QSize(40, 40));
    EXPECT_EQ(two.deviceIndependentSize(), QSizeF(20, 20));
    const QImage image = two.toImage();
    // The black square's edge falls on whole device pixels: no blended colours next to it.
    EXPECT_EQ(image.pixelColor(15, 20), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(16, 20).alpha(), 0);
    EXPECT_EQ(image.pixelColor(23, 20).alpha(), 0);
    EXPECT_EQ(image.pixelColor(24, 20), QColor(255, 0, 0));
    EXPECT_FALSE(Picture::fromData("not a picture").has_value());
}

TEST(Picture, EveryNumberedPictureLoads) {
    const int numbers[] = {128, 130, 152, 153, 154, 158, 164, 166, 167, 168, 169, 170, 171,
                           172, 176, 177, 178, 185, 186, 195, 196, 197, 200, 201, 202, 203,
                           204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214};
    for (const int number : numbers) {
        const auto picture = Picture::load(number);
        ASSERT_TRUE(picture.has_value()) << number;
        EXPECT_FALSE(picture->size().isEmpty()) << number;
    }
    const QList<QPixmap> header = loadPictureStrip(130, 16, 2.0);
    ASSERT_EQ(header.size(), 3);
    EXPECT_EQ(header.at(2).deviceIndependentSize(), QSizeF(16, 16));
}

} // namespace
} // namespace morvane::widgets
