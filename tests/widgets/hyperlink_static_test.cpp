#include "widgets/hyperlink_static.h"

#include <QTest>

#include <gtest/gtest.h>

namespace morvane::widgets {
namespace {

TEST(HyperlinkStatic, ErrorTexts) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources."},
        {2, "Unable to open hyperlink:\n\nThe specified file was not found."},
        {26, "Unable to open hyperlink:\n\nA sharing violation occurred. "},
        {31, "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename "
             "extension."},
        {32, "Unable to open hyperlink:\n\nThe specified dynamic-link library was not found."},
        {99, "Unable to open hyperlink:\n\nUnknown Error (99) occurred."},
        {-4, "Unable to open hyperlink:\n\nUnknown Error (-4) occurred."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hyperlinkErrorText(c.code), QString::fromLatin1(c.text)) << c.code;
    }
}

struct LinkFixture {
    LinkFixture() : link(QStringLiteral("Home page"), QStringLiteral("https://example.org/"), &window) {
        window.resize(300, 100);
        link.move(10, 10);
        link.setOpener([this](const QString& address) {
            opened.append(address);
            return result;
        });
        link.setErrorReporter([this](const QString& message) { errors.append(message); });
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
    HyperlinkStatic link;
    int result = 42;
    QStringList opened;
    QStringList errors;
};

TEST(HyperlinkStatic, ClickOpensTheAddressAndMarksItVisited) {
    LinkFixture f;
    EXPECT_EQ(f.link.currentColor(), QColor(0, 0, 238));
    QTest::mouseClick(&f.link, Qt::LeftButton, {}, f.link.rect().center());
    EXPECT_EQ(f.opened, QStringList{QStringLiteral("https://example.org/")});
    EXPECT_TRUE(f.link.isVisited());
    EXPECT_TRUE(f.errors.isEmpty());
    QTest::mouseMove(&f.window, QPoint(250, 90));
    f.link.setUnderline(HyperlinkStatic::UnderlineNever); // leaves the hover as it is
    EXPECT_EQ(f.link.currentColor(), f.link.isHovered() ? QColor(255, 0, 0) : QColor(85, 26, 139));
}

TEST(HyperlinkStatic, FailedOpenTellsWhyAndStaysUnvisited) {
    LinkFixture f;
    f.result = 26;
    QTest::mouseClick(&f.link, Qt::LeftButton, {}, f.link.rect().center());
    EXPECT_FALSE(f.link.isVisited());
    EXPECT_EQ(f.errors,
              QStringList{QStringLiteral("Unable to open hyperlink:\n\nA sharing violation occurred. ")});
    // Results above 32 are successes; an unlisted failure code is named by its number.
    f.result = 7;
    EXPECT_FALSE(f.link.open());
    EXPECT_EQ(f.errors.last(), QStringLiteral("Unable to open hyperlink:\n\nUnknown Error (7) occurred."));
    f.result = 33;
    EXPECT_TRUE(f.link.open());
    EXPECT_EQ(f.errors.size(), 2);
}

TEST(HyperlinkStatic, EnterOrSpaceOpensLikeAClick) {
    LinkFixture f;
    QTest::keyClick(&f.link, Qt::Key_Return);
    QTest::keyClick(&f.link, Qt::Key_Space);
    QTest::keyClick(&f.link, Qt::Key_A);
    EXPECT_EQ(f.opened.size(), 2);
    EXPECT_TRUE(f.link.isVisited());
    // A right click or a release outside the link opens nothing.
    QTest::mouseClick(&f.link, Qt::RightButton, {}, f.link.rect().center());
    QTest::mouseRelease(&f.link, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(f.opened.size(), 2);
}

TEST(HyperlinkStatic, FittingKeepsTheAlignedEdge) {
    QWidget window;
    struct Case {
        Qt::Alignment alignment;
        int left; // of a 200 x 40 box at (100, 50), for the text's width w
        int top;
    };
    for (const Case c : {Case{Qt::AlignLeft | Qt::AlignTop, 0, 0}, Case{Qt::AlignRight | Qt::AlignTop, 1, 0},
                         Case{Qt::AlignHCenter | Qt::AlignVCenter, 2, 2}}) {
        HyperlinkStatic link(QStringLiteral("Go"), QStringLiteral("https://example.org/"), &window);
        link.setFitToText(false);
        link.setAlignment(c.alignment);
        link.setGeometry(100, 50, 200, 40);
        link.setFitToText(true);
        const QSize text = link.fontMetrics().size(Qt::TextSingleLine, link.text());
        EXPECT_EQ(link.size(), text);
        const int expectedLeft = c.left == 0   ? 100
                                 : c.left == 1 ? 300 - text.width()
                                               : 100 + (200 - text.width()) / 2;
        const int expectedTop = c.top == 0 ? 50 : 50 + (40 - text.height()) / 2;
        EXPECT_EQ(link.pos(), QPoint(expectedLeft, expectedTop)) << c.alignment;
    }
}

TEST(HyperlinkStatic, EmptyTextShowsTheAddressAndFitsIt) {
    HyperlinkStatic link(QString(), QStringLiteral("https://example.org/support"));
    EXPECT_EQ(link.text(), QStringLiteral("https://example.org/support"));
    EXPECT_EQ(link.toolTip(), QStringLiteral("https://example.org/support"));
    EXPECT_EQ(link.width(), link.fontMetrics().size(Qt::TextSingleLine, link.text()).width());
    HyperlinkStatic named(QStringLiteral("Support"));
    EXPECT_EQ(named.address(), QStringLiteral("Support"));
}

TEST(HyperlinkStatic, HoverUnderlinesUntilThePointerLeaves) {
    LinkFixture f;
    EXPECT_FALSE(f.link.font().underline());
    QCursor::setPos(f.link.mapToGlobal(f.link.rect().center()));
    QTest::mouseMove(&f.link, f.link.rect().center());
    EXPECT_TRUE(f.link.isHovered());
    EXPECT_TRUE(f.link.font().underline());
    EXPECT_EQ(f.link.currentColor(), QColor(255, 0, 0));
    // The pointer leaves without the link being told: the poll notices.
    QCursor::setPos(f.window.mapToGlobal(QPoint(280, 90)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.link.isHovered(); }, 1000));
    EXPECT_FALSE(f.link.font().underline());

    f.link.setUnderline(HyperlinkStatic::UnderlineAlways);
    EXPECT_TRUE(f.link.font().underline());
    f.link.setUnderline(5); // refused
    EXPECT_EQ(f.link.underline(), HyperlinkStatic::UnderlineAlways);
}

} // namespace
} // namespace morvane::widgets
