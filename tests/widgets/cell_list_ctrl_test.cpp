#include "widgets/cell_list_ctrl.h"

#include <QAbstractItemModelTester>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

#include "widgets/cell_geometry.h"
#include "widgets/x_header_ctrl.h"

namespace morvane::widgets {
namespace {

const QColor kTextColor(200, 0, 0);
const QColor kBackground(0, 160, 0);

// The file list's six columns, with rows of a check box, a name and a status.
struct ListFixture {
    explicit ListFixture(int rows = 3, int rowHeight = 40) {
        list.resize(640, 300);
        QFont font = list.font();
        font.setStyleStrategy(QFont::NoAntialias); // text pixels in exactly their colour
        list.setFont(font);
        list.verticalHeader()->setDefaultSectionSize(rowHeight);
        const char* captions[] = {"", "Video File", "Target", "Start", "End", "Status"};
        const int widths[] = {30, 200, 80, 60, 60, 100};
        for (int c = 0; c < 6; ++c) {
            list.insertColumn(c, QString::fromLatin1(captions[c]), c == 1 ? Qt::AlignLeft : Qt::AlignHCenter,
                              widths[c]);
        }
        list.cells().setHeaderCheck(0, CellListModel::HeaderUnchecked);
        for (int r = 0; r < rows; ++r) {
            list.insertRow(r, QString());
            list.setCheck(r, 0, 1);
            list.setItemText(r, 1, QStringLiteral("clip%1.mov").arg(r));
            list.setItemText(r, 5, QStringLiteral("Ready"));
        }
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    QPoint cellCenter(int row, int column) {
        return list.visualRect(list.cells().index(row, column)).center();
    }
    void click(int row, int column) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cellCenter(row, column));
    }
    QImage cellImage(int row, int column, QRect* rect) {
        *rect = list.visualRect(list.cells().index(row, column));
        return list.viewport()->grab().toImage();
    }

    CellListCtrl list;
};

TEST(CellListCtrl, OperationsCheckTheirBounds) {
    CellListCtrl list;
    list.insertColumn(0, QString());
    list.insertColumn(1, QStringLiteral("Name"));
    ASSERT_EQ(list.insertRow(0, QStringLiteral("a")), 0);
    // A row inserted while the list had two columns keeps two cells after a third arrives.
    list.insertColumn(2, QStringLiteral("Status"));
    int value = 7;

    struct Case {
        const char* what;
        std::function<long long()> call;
        long long failure;
    };
    const Case cases[] = {
        {"insert at -1", [&] { return list.insertRow(-1, QString()); }, -1},
        {"text row -1", [&] { return list.setItemText(-1, 0, QString()); }, 0},
        {"text row 1", [&] { return list.setItemText(1, 0, QString()); }, 0},
        {"text column 3", [&] { return list.setItemText(0, 3, QString()); }, 0},
        {"text missing cell", [&] { return list.setItemText(0, 2, QString()); }, 0},
        {"delete row 1", [&] { return list.deleteRow(1); }, 0},
        {"delete row -1", [&] { return list.deleteRow(-1); }, 0},
        {"set check column -1", [&] { return list.setCheck(0, -1, 1); }, 0},
        {"set check missing cell", [&] { return list.setCheck(0, 2, 1); }, 0},
        {"set check state 2", [&] { return list.setCheck(0, 0, 2); }, 0},
        {"get check row 5", [&] { return list.getCheck(5, 0); }, -1},
        {"get check missing cell", [&] { return list.getCheck(0, 2); }, -1},
        {"get check without box", [&] { return list.getCheck(0, 1); }, -1},
        {"progress row 1", [&] { return list.setProgress(1, 0); }, 0},
        {"progress missing cell", [&] { return list.setProgress(0, 2); }, 0},
        {"set data row 1", [&] { return list.setItemData(1, &value); }, 0},
        {"get data row -1", [&] { return list.getItemData(-1) == nullptr ? 0LL : 1LL; }, 0},
        {"get data row 1", [&] { return list.getItemData(1) == nullptr ? 0LL : 1LL; }, 0},
        {"selected row", [&] { return list.getSelectedRow(); }, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), c.failure) << c.what;
    }
    // Calls that return nothing leave the cells alone.
    list.updateProgress(0, 2, 50);
    list.clearProgress(3, 0);
    EXPECT_EQ(list.itemText(0, 0), QStringLiteral("a"));
    EXPECT_EQ(list.cells().rowCount(), 1);

    // And in range they work.
    EXPECT_EQ(list.setItemData(0, &value), 1);
    EXPECT_EQ(list.getItemData(0), &value);
    EXPECT_EQ(list.setCheck(0, 1, 0), 1);
    EXPECT_EQ(list.getCheck(0, 1), 0);
    EXPECT_EQ(list.insertRow(9, QStringLiteral("b")), 1); // past the end appends
    EXPECT_EQ(list.itemText(1, 0), QStringLiteral("b"));
    EXPECT_EQ(list.deleteRow(0), 1);
    EXPECT_EQ(list.itemText(0, 0), QStringLiteral("b"));
}

TEST(CellListCtrl, ModelPassesTheModelTester) {
    CellListCtrl list;
    QAbstractItemModelTester tester(&list.cells(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (int c = 0; c < 3; ++c) {
        list.insertColumn(c, QStringLiteral("c%1").arg(c));
    }
    list.cells().setHeaderCheck(0, CellListModel::HeaderChecked);
    for (int r = 0; r < 5; ++r) {
        list.insertRow(r, QStringLiteral("r%1").arg(r));
        list.setCheck(r, 0, r % 2);
        list.cells().setItemColors(r, 1, Qt::red, Qt::yellow);
    }
    list.setProgress(2, 2);
    list.updateProgress(2, 2, 40);
    list.cells().setRowEnabled(3, false);
    list.cells().headerClicked(0);
    list.deleteRow(4);
    list.deleteColumn(1);
    list.insertColumn(1, QStringLiteral("again"));
    list.cells().moveRowWith(0, 3, [] {});
    list.cells().resetWith([] {});
    EXPECT_EQ(list.cells().rowCount(), 4);
}

TEST(CellListCtrl, ChangedCellIsReportedAlone) {
    ListFixture f(2);
    QSignalSpy spy(&f.list.cells(), &QAbstractItemModel::dataChanged);
    f.list.setProgress(1, 5);
    f.list.updateProgress(1, 5, 30);
    f.list.setItemText(0, 3, QStringLiteral("00:00:10"));
    ASSERT_EQ(spy.count(), 3);
    const QModelIndex cells[] = {f.list.cells().index(1, 5), f.list.cells().index(1, 5),
                                 f.list.cells().index(0, 3)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(spy.at(i).at(0).toModelIndex(), cells[i]);
        EXPECT_EQ(spy.at(i).at(1).toModelIndex(), cells[i]);
    }
}

TEST(CellListCtrl, HeaderBoxFollowsTheRowsAndTogglesThem) {
    ListFixture f(3);
    CellListModel& cells = f.list.cells();
    // Every row checked: the header box is checked.
    EXPECT_EQ(cells.headerCheck(0), CellListModel::HeaderChecked);

    const int section0 = f.list.horizontalHeader()->sectionViewportPosition(0) + 15;
    const QPoint headerPoint(section0, f.list.horizontalHeader()->height() / 2);
    QSignalSpy clicked(&f.list, &CellListCtrl::checkBoxClicked);
    QTest::mouseClick(f.list.horizontalHeader()->viewport(), Qt::LeftButton, {}, headerPoint);
    EXPECT_EQ(cells.headerCheck(0), CellListModel::HeaderUnchecked);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(f.list.getCheck(r, 0), 0) << r;
    }
    QTest::mouseClick(f.list.horizontalHeader()->viewport(), Qt::LeftButton, {}, headerPoint);
    EXPECT_EQ(cells.headerCheck(0), CellListModel::HeaderChecked);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(f.list.getCheck(r, 0), 1) << r;
    }
    EXPECT_EQ(clicked.count(), 0); // the header tells nobody

    // A header without a box ignores clicks.
    QTest::mouseClick(f.list.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(f.list.horizontalHeader()->sectionViewportPosition(1) + 20, headerPoint.y()));
    EXPECT_EQ(cells.headerCheck(1), CellListModel::HeaderNoBox);

    // Unchecking one row by hand clears the header box; checking the last unchecked one sets it.
    f.click(1, 0);
    EXPECT_EQ(cells.headerCheck(0), CellListModel::HeaderUnchecked);
    f.list.setCheck(2, 0, 0);
    f.click(1, 0);
    EXPECT_EQ(cells.headerCheck(0), CellListModel::HeaderUnchecked);
    f.list.setCheck(2, 0, 1);
    EXPECT_EQ(cells.headerCheck(0), CellListModel::HeaderChecked);

    // Removing the only unchecked row leaves all checked.
    f.list.setCheck(0, 0, 0);
    f.list.deleteRow(0);
    EXPECT_EQ(cells.headerCheck(0), CellListModel::HeaderChecked);
}

TEST(CellListCtrl, ClickAnywhereInACheckCellTogglesItAndTellsTheOwner) {
    ListFixture f(2);
    QSignalSpy clicked(&f.list, &CellListCtrl::checkBoxClicked);
    const QRect cell = f.list.visualRect(f.list.cells().index(1, 0));
    QTest::mouseClick(f.list.viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(1, 1));
    EXPECT_EQ(f.list.getCheck(1, 0), 0);
    EXPECT_EQ(f.list.getSelectedRow(), 1);
    QTest::mouseClick(f.list.viewport(), Qt::LeftButton, {}, cell.bottomRight() - QPoint(1, 1));
    EXPECT_EQ(f.list.getCheck(1, 0), 1);
    ASSERT_EQ(clicked.count(), 2);
    EXPECT_EQ(clicked.at(0), (QList<QVariant>{1, 0}));

    // A text cell selects its row and toggles nothing.
    f.click(0, 1);
    EXPECT_EQ(f.list.getSelectedRow(), 0);
    EXPECT_EQ(clicked.count(), 2);

    // Space toggles the current row's box.
    QTest::keyClick(f.list.viewport(), Qt::Key_Space);
    EXPECT_EQ(f.list.getCheck(0, 0), 0);
    EXPECT_EQ(clicked.count(), 3);
}

TEST(CellListCtrl, DisabledRowSwallowsClicks) {
    ListFixture f(2);
    f.list.selectRow(0);
    f.list.cells().setRowEnabled(1, false);
    QSignalSpy clicked(&f.list, &CellListCtrl::checkBoxClicked);
    f.click(1, 0);
    f.click(1, 1);
    QTest::mouseDClick(f.list.viewport(), Qt::LeftButton, {}, f.cellCenter(1, 0));
    EXPECT_EQ(f.list.getCheck(1, 0), 1);
    EXPECT_EQ(f.list.getSelectedRow(), 0);
    EXPECT_EQ(clicked.count(), 0);

    // It is drawn in the grey-text colour, its tick too.
    QRect rect;
    const QImage image = f.cellImage(1, 0, &rect);
    const QRect box = checkBoxRect(rect, false);
    const QColor grey = f.list.palette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_EQ(image.pixelColor(tickStrokes(box.x(), box.y())[0].topLeft()), grey);
}

TEST(CellListCtrl, CheckBoxDrawsItsTick) {
    ListFixture f(2, 14);
    f.list.setCheck(1, 0, 0);
    QRect rect;
    const QImage image = f.cellImage(0, 0, &rect);
    const QRect box = checkBoxRect(rect, false);
    const QColor window = f.list.palette().color(QPalette::Base);
    for (const QRect& stroke : tickStrokes(box.x(), box.y())) {
        for (int y = stroke.top(); y <= stroke.bottom(); ++y) {
            EXPECT_EQ(image.pixelColor(stroke.x(), y), QColor(Qt::black)) << stroke.x() << "," << y;
        }
    }
    // Inside the box but off the tick: the window colour.
    EXPECT_EQ(image.pixelColor(box.x() + 9, box.y() + 9), window);
    EXPECT_EQ(image.pixelColor(box.x() + 3, box.y() + 3), window);

    // The unchecked box of the next row has no tick.
    QRect rect1;
    const QImage image1 = f.cellImage(1, 0, &rect1);
    const QRect box1 = checkBoxRect(rect1, false);
    for (const QRect& stroke : tickStrokes(box1.x(), box1.y())) {
        EXPECT_EQ(image1.pixelColor(stroke.topLeft()), window);
    }
}

// Pixels of `color` in a rectangle.
int countPixels(const QImage& image, const QRect& area, const QColor& color) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += image.pixelColor(x, y) == color ? 1 : 0;
        }
    }
    return n;
}

TEST(CellListCtrl, ProgressBarFillsWholePixelsAndSplitsItsTextColours) {
    ListFixture f(2);
    f.list.setColumnWidth(5, 100);
    f.list.setProgress(0, 5);
    f.list.updateProgress(0, 5, 50);
    f.list.cells().setItemColors(0, 5, kTextColor, kBackground);
    f.list.setProgress(1, 5);
    f.list.cells().setItemColors(1, 5, kTextColor, kBackground);
    const QColor bar = f.list.palette().color(QPalette::Highlight);
    const QColor well(224, 224, 224);

    QRect rect;
    const QImage image = f.cellImage(0, 5, &rect);
    ASSERT_EQ(rect.width(), 99); // the grid line takes the column's last pixel
    const ProgressGeometry g = progressGeometry(rect, 50);
    ASSERT_GT(g.bar.width(), 40);
    // The top row of the bar, above the text: bar colour to the bar's end, then the well.
    const int y = g.bar.top();
    for (int x = g.bar.left(); x < g.bar.left() + g.bar.width(); ++x) {
        EXPECT_EQ(image.pixelColor(x, y), bar) << x;
    }
    EXPECT_EQ(image.pixelColor(g.bar.left() + g.bar.width(), y), well);
    EXPECT_EQ(image.pixelColor(g.well.left(), y), QColor(Qt::black)); // inner left line

    // "50%" lies across the bar's end: background colour over the bar, text colour beside it.
    const QRect overBar = g.bar.intersected(g.text);
    const QRect besideBar(g.bar.right() + 1, g.text.top(), g.text.right() - g.bar.right(), g.text.height());
    EXPECT_GT(countPixels(image, overBar, kBackground), 5);
    EXPECT_EQ(countPixels(image, overBar, kTextColor), 0);
    EXPECT_GT(countPixels(image, besideBar, kTextColor), 5);
    EXPECT_EQ(countPixels(image, besideBar, kBackground), 0);

    // At 0 percent: the empty well, no text.
    QRect rect1;
    const QImage image1 = f.cellImage(1, 5, &rect1);
    const ProgressGeometry g1 = progressGeometry(rect1, 0);
    const QRect inside = g1.well.adjusted(1, 1, 0, 0);
    EXPECT_EQ(countPixels(image1, inside, well), inside.width() * inside.height());
}

// The leftmost and rightmost columns holding a pixel of `color`, or (-1, -1).
std::pair<int, int> columnsWith(const QImage& image, const QRect& area, const QColor& color) {
    int first = -1;
    int last = -1;
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (image.pixelColor(x, y) == color) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST(CellListCtrl, TextFollowsItsColumnsAlignmentAndBoldFlag) {
    ListFixture f(2);
    // Column 1 is left-aligned, column 2 centred; the same text in both.
    for (int c = 1; c <= 2; ++c) {
        f.list.setItemText(0, c, QStringLiteral("MP4"));
        f.list.cells().setItemColors(0, c, kTextColor, kBackground);
    }
    QRect left;
    QRect centred;
    const QImage image = f.cellImage(0, 1, &left);
    centred = f.list.visualRect(f.list.cells().index(0, 2));
    const auto [leftFirst, leftLast] = columnsWith(image, left, kTextColor);
    ASSERT_GE(leftFirst, 0);
    EXPECT_LE(leftFirst - left.left(), 4);
    const auto [first, last] = columnsWith(image, centred, kTextColor);
    ASSERT_GE(first, 0);
    EXPECT_LE(std::abs((first - centred.left()) - (centred.right() - last)), 2);
    EXPECT_NEAR(last - first, leftLast - leftFirst, 1);
    EXPECT_EQ(image.pixelColor(centred.topLeft()), kBackground);

    // Bold text covers more pixels than the same text plain.
    const int plain = countPixels(image, left, kTextColor);
    f.list.cells().setBold(0, 1, true);
    const int bold = countPixels(f.cellImage(0, 1, &left), left, kTextColor);
    EXPECT_GT(bold, plain);
}

TEST(CellListCtrl, ProgressTextStaysReadableWhenTheBackgroundIsTheBarColour) {
    ListFixture f(1);
    f.list.setColumnWidth(5, 100);
    const QColor bar = f.list.palette().color(QPalette::Highlight);
    const QColor highlightText = f.list.palette().color(QPalette::HighlightedText);
    ASSERT_NE(bar, highlightText);
    f.list.setProgress(0, 5, true, QStringLiteral("%d%% done"));
    f.list.updateProgress(0, 5, 100);
    f.list.cells().setItemColors(0, 5, kTextColor, bar);
    QRect rect;
    const QImage image = f.cellImage(0, 5, &rect);
    const ProgressGeometry g = progressGeometry(rect, 100);
    EXPECT_GT(countPixels(image, g.bar.intersected(g.text), highlightText), 5);
}

TEST(CellListCtrl, DoubleClickOnABoxTogglesItTwice) {
    ListFixture f(1);
    QSignalSpy clicked(&f.list, &CellListCtrl::checkBoxClicked);
    QTest::mouseDClick(f.list.viewport(), Qt::LeftButton, {}, f.cellCenter(0, 0));
    EXPECT_EQ(f.list.getCheck(0, 0), 1);
    EXPECT_EQ(clicked.count(), 2);
    // A right click selects but does not toggle.
    QTest::mouseClick(f.list.viewport(), Qt::RightButton, {}, f.cellCenter(0, 0));
    EXPECT_EQ(f.list.getCheck(0, 0), 1);
}

TEST(CellListCtrl, HeaderShowsItsBoxPictures) {
    ListFixture f(1);
    QPixmap unchecked(16, 16);
    unchecked.fill(Qt::blue);
    QPixmap checked(16, 16);
    checked.fill(Qt::red);
    f.list.headerCtrl().setImages({QPixmap(), unchecked, checked});
    auto centerColor = [&] {
        QHeaderView* header = f.list.horizontalHeader();
        const QImage image = header->viewport()->grab().toImage();
        return image.pixelColor(header->sectionViewportPosition(0) + header->sectionSize(0) / 2,
                                header->height() / 2);
    };
    EXPECT_EQ(centerColor(), QColor(Qt::red));
    f.list.setCheck(0, 0, 0);
    EXPECT_EQ(centerColor(), QColor(Qt::blue));
}

// Sends a drag carrying `urls` and drops it on the list; true when the list accepted the drag.
bool dropUrls(CellListCtrl& list, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = list.viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    return drop.isAccepted();
}

TEST(CellListCtrl, DroppedLocalFilesReachTheHandler) {
    ListFixture f(0);
    QList<QStringList> drops;
    f.list.installDropHandler([&](const QStringList& paths) { drops.append(paths); });
    EXPECT_TRUE(dropUrls(f.list, {QUrl::fromLocalFile(QStringLiteral("/videos/a b.mov")),
                                  QUrl(QStringLiteral("https://example.org/c.mp4")),
                                  QUrl::fromLocalFile(QStringLiteral("/videos/d.avi"))}));
    EXPECT_FALSE(dropUrls(f.list, {QUrl(QStringLiteral("https://example.org/c.mp4"))}));
    ASSERT_EQ(drops.size(), 1);
    EXPECT_EQ(drops.at(0), (QStringList{QStringLiteral("/videos/a b.mov"), QStringLiteral("/videos/d.avi")}));
    // Without a handler a drop is still taken and goes nowhere.
    f.list.installDropHandler({});
    EXPECT_TRUE(dropUrls(f.list, {QUrl::fromLocalFile(QStringLiteral("/videos/e.mkv"))}));
    EXPECT_EQ(drops.size(), 1);
}

} // namespace
} // namespace morvane::widgets
