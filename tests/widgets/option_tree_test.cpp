#include "widgets/option_tree.h"
#include "widgets/option_tree_geometry.h"
#include "widgets/option_tree_items.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace morvane::widgets {
namespace {

// --- pure helpers ------------------------------------------------------------------------------------

TEST(OptionTreeGeometry, HitTestFindsDividerGutterLabelAndValue) {
    struct Case {
        int x;
        int gutterLeft;
        bool hasChildren;
        OptionTreeHit expected;
    };
    const Case cases[] = {
        {100, 0, false, OptionTreeHit::Divider},     {97, 0, true, OptionTreeHit::Divider},
        {103, 16, false, OptionTreeHit::Divider},    {104, 0, false, OptionTreeHit::Value},
        {96, 0, false, OptionTreeHit::Label},        {5, 0, true, OptionTreeHit::ExpandButton},
        {15, 0, true, OptionTreeHit::ExpandButton},  {16, 0, true, OptionTreeHit::Label},
        {5, 0, false, OptionTreeHit::Label},         // no children: the gutter is part of the label
        {20, 16, true, OptionTreeHit::ExpandButton}, // a nested row's gutter is indented
        {10, 16, true, OptionTreeHit::Label},        {300, 0, true, OptionTreeHit::Value},
    };
    for (const Case& c : cases) {
        OptionTreeRowGeometry row;
        row.gutterLeft = c.gutterLeft;
        row.hasChildren = c.hasChildren;
        EXPECT_EQ(hitTestOptionRow(c.x, row), c.expected) << "x " << c.x << " gutter " << c.gutterLeft;
    }
}

TEST(OptionTreeGeometry, DividerStaysOutOfTheGutterAndLeavesAValueColumn) {
    EXPECT_EQ(clampOptionDivider(150, 300), 150);
    EXPECT_EQ(clampOptionDivider(-40, 300), 20);
    EXPECT_EQ(clampOptionDivider(295, 300), 280);
    EXPECT_EQ(clampOptionDivider(50, 10), 20); // a pane narrower than the limits keeps the lower one
}

TEST(OptionTreeGeometry, EditMenuEnablesOnlyWhatCanAct) {
    struct Case {
        EditFieldFacts facts;
        EditMenuState expected;
    };
    const Case cases[] = {
        {{false, false, false, false, false}, {false, false, false, false, false, false}},
        {{true, false, true, true, true}, {true, true, true, true, true, true}},
        // Read-only: only Copy (with a selection) and Select All remain.
        {{true, true, true, true, true}, {false, false, true, false, false, true}},
        {{false, false, false, true, true}, {false, false, false, true, false, true}},
        {{true, false, false, false, true}, {true, false, false, false, false, true}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(editMenuState(c.facts), c.expected);
    }
}

TEST(OptionTreeGeometry, PrefixSearchStartsAfterTheGivenEntryAndWraps) {
    const std::vector<QString> rates = {QStringLiteral("128"), QStringLiteral("192"), QStringLiteral("64"),
                                        QStringLiteral("1000")};
    EXPECT_EQ(findEntryByPrefix(rates, 0, QStringLiteral("1")), 1); // "192", not "128"
    EXPECT_EQ(findEntryByPrefix(rates, 0, QStringLiteral("100")), 3);
    EXPECT_EQ(findEntryByPrefix(rates, 0, QStringLiteral("12")), 0); // wraps round to the first
    EXPECT_EQ(findEntryByPrefix(rates, -1, QStringLiteral("1")), 0);
    EXPECT_EQ(findEntryByPrefix(rates, 3, QStringLiteral("6")), 2);
    EXPECT_EQ(findEntryByPrefix(rates, 0, QStringLiteral("5")), -1);
    EXPECT_EQ(findEntryByPrefix({}, 0, QStringLiteral("1")), -1);
    const std::vector<QString> channels = {QStringLiteral("1 (Mono)"), QStringLiteral("2 (Stereo)")};
    EXPECT_EQ(findEntryByPrefix(channels, 0, QStringLiteral("2")), 1);
    EXPECT_EQ(findEntryByPrefix(channels, 0, QStringLiteral("2 (STEREO)")), 1);
}

// --- the control -------------------------------------------------------------------------------------

struct Recorded {
    int code;
    OptionTreeItem* item;
};

class OptionTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(420, 320);
        auto* layout = new QHBoxLayout(&window);
        tree = new OptionTree(&window, 25, 10000001);
        tree->setMinimumSize(300, 300);
        outside = new QLineEdit(&window);
        layout->addWidget(tree);
        layout->addWidget(outside);
        tester = std::make_unique<QAbstractItemModelTester>(
            tree->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        QObject::connect(tree, &OptionTree::notify, tree,
                         [this](int code, OptionTreeItem* item, bool* cancel) {
                             codes.push_back({code, item});
                             if (code == cancelCode) {
                                 *cancel = true;
                             }
                         });
    }

    void fill() {
        general = tree->insert(std::make_unique<OptionTreeItem>());
        general->setLabel(QStringLiteral("General"));
        name = tree->insert(std::make_unique<OptionTreeEdit>(), general);
        name->setLabel(QStringLiteral("Name"));
        name->setDescription(QStringLiteral("The output name"));
        name->createWindow();
        name->setText(QStringLiteral("clip"));
        locked = tree->insert(std::make_unique<OptionTreeEdit>(), general);
        locked->setLabel(QStringLiteral("Locked"));
        locked->createWindow();
        locked->setText(QStringLiteral("fixed"));
        locked->setReadOnly(true);
        codec = tree->insert(std::make_unique<OptionTreeCombo>(), general);
        codec->setLabel(QStringLiteral("Codec"));
        codec->createWindow(OptionTreeCombo::kDropDownList);
        codec->addString(QStringLiteral("mpeg4"));
        codec->addString(QStringLiteral("h264"));
        video = tree->insert(std::make_unique<OptionTreeItem>());
        video->setLabel(QStringLiteral("Video"));
        rate = tree->insert(std::make_unique<OptionTreeEdit>(), video);
        rate->setLabel(QStringLiteral("Frame Rate"));
        rate->createWindow();
        rate->setText(QStringLiteral("25"));
        tree->expandAll();
    }

    void showAndActivate() {
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget* viewport() const { return static_cast<QTreeView*>(tree->listPane())->viewport(); }

    void clickValue(OptionTreeItem* item) {
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, tree->valueRect(item).center());
    }

    void key(int k, Qt::KeyboardModifiers modifiers = {}) {
        tree->listPane()->setFocus(); // keys reach the list pane only while it has the focus
        QTest::keyClick(tree->listPane(), static_cast<Qt::Key>(k), modifiers);
    }

    std::vector<int> codeList() const {
        std::vector<int> list;
        for (const Recorded& r : codes) {
            list.push_back(r.code);
        }
        return list;
    }

    QWidget window;
    OptionTree* tree = nullptr;
    QLineEdit* outside = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
    std::vector<Recorded> codes;
    int cancelCode = 0;
    OptionTreeItem* general = nullptr;
    OptionTreeEdit* name = nullptr;
    OptionTreeEdit* locked = nullptr;
    OptionTreeCombo* codec = nullptr;
    OptionTreeItem* video = nullptr;
    OptionTreeEdit* rate = nullptr;
};

TEST_F(OptionTreeTest, ModelMirrorsTheRowsThroughInsertionAndDeletion) {
    fill();
    QAbstractItemModel* model = tree->model();
    ASSERT_EQ(model->rowCount(), 2);
    const QModelIndex generalIndex = model->index(0, 0);
    EXPECT_EQ(model->data(generalIndex).toString(), QStringLiteral("General"));
    ASSERT_EQ(model->rowCount(generalIndex), 3);
    EXPECT_EQ(model->data(model->index(0, 1, generalIndex)).toString(), QStringLiteral("clip"));
    EXPECT_EQ(model->parent(model->index(2, 0, generalIndex)), generalIndex);
    EXPECT_EQ(name->parent(), general);
    EXPECT_EQ(general->parent(), nullptr);
    EXPECT_LT(general->id(), name->id());
    tree->deleteAllItems();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(tree->focusedItem(), nullptr);
    fill(); // the tester keeps checking while rows come back
    EXPECT_EQ(tree->visibleItems().size(), 6U);
}

TEST_F(OptionTreeTest, ReadOnlyAndTopLevelRowsNeverActivate) {
    fill();
    showAndActivate();
    clickValue(general);
    EXPECT_EQ(tree->focusedItem(), general);
    EXPECT_TRUE(general->isSelected());
    EXPECT_FALSE(general->isActivated());

    clickValue(locked);
    EXPECT_EQ(tree->focusedItem(), locked);
    EXPECT_FALSE(locked->isActivated());
    EXPECT_FALSE(locked->editor()->isVisible());
    key(Qt::Key_Return);
    EXPECT_FALSE(locked->isActivated());

    // Tab from the row above moves onto the read-only row without opening it.
    tree->setFocusedItem(name);
    key(Qt::Key_Tab);
    EXPECT_EQ(tree->focusedItem(), locked);
    EXPECT_FALSE(locked->isActivated());
    EXPECT_FALSE(tree->activateItem(locked));
    EXPECT_FALSE(tree->activateItem(general));
}

TEST_F(OptionTreeTest, ClickOnTheValueOpensTheEditorOverTheValueCellAndEnterCommits) {
    fill();
    showAndActivate();
    tree->EnableNotify(true);
    clickValue(name);
    ASSERT_TRUE(name->isActivated());
    QWidget* editor = name->editor();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->geometry(), tree->valueRect(name));
    EXPECT_GT(editor->geometry().left(), tree->dividerPosition());
    EXPECT_EQ(name->lineEdit()->cursorPosition(), 0);
    EXPECT_FALSE(name->lineEdit()->hasSelectedText());

    QTest::keyClicks(editor, QStringLiteral("my"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(name->isActivated());
    EXPECT_TRUE(name->isCommitted());
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(name->text(), QStringLiteral("myclip"));
    EXPECT_EQ(tree->model()->data(tree->model()->index(0, 1, tree->model()->index(0, 0))).toString(),
              QStringLiteral("myclip"));
    EXPECT_EQ(codeList(),
              (std::vector<int>{kOptionTreeSelChange, kOptionTreePropClick, kOptionTreeItemChanged}));
    EXPECT_EQ(codes.back().item, name);
}

TEST_F(OptionTreeTest, FocusMovingInsideTheControlCommitsButLeavingItKeepsTheEditor) {
    fill();
    showAndActivate();
    tree->EnableNotify(true);
    clickValue(name);
    ASSERT_TRUE(name->isActivated());
    outside->setFocus();
    EXPECT_TRUE(name->isActivated());
    EXPECT_TRUE(name->editor()->isVisible());

    name->editor()->setFocus();
    codes.clear();
    clickValue(rate); // another row's editor takes the focus
    EXPECT_FALSE(name->isActivated());
    EXPECT_FALSE(name->editor()->isVisible());
    EXPECT_TRUE(rate->isActivated());
    EXPECT_EQ(codeList(),
              (std::vector<int>{kOptionTreeItemChanged, kOptionTreeSelChange, kOptionTreePropClick}));
    EXPECT_EQ(codes.front().item, name);
}

TEST_F(OptionTreeTest, NotificationsOnlyWithTheNotifyBit) {
    fill();
    showAndActivate();
    clickValue(name);
    QTest::keyClick(name->editor(), Qt::Key_Return);
    key(Qt::Key_Home);
    key(Qt::Key_Left);
    tree->deleteAllItems();
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(tree->options() & kOptionTreeNotify, 0U);

    tree->EnableNotify(true);
    EXPECT_EQ(tree->options(), 25U | kOptionTreeNotify);
    fill();
    clickValue(name);
    QTest::keyClick(name->editor(), Qt::Key_Return);
    key(Qt::Key_Home);
    key(Qt::Key_Left);
    tree->deleteAllItems();
    const std::vector<int> seen = codeList();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), kOptionTreeItemInserted), 6);
    for (int code : {kOptionTreeSelChange, kOptionTreePropClick, kOptionTreeItemChanged,
                     kOptionTreeItemExpanding, kOptionTreeDeleteAll}) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), code), seen.end()) << code;
    }
    for (int code : seen) {
        EXPECT_TRUE(code <= -1101 && code >= -1110) << code;
    }
    tree->EnableNotify(false);
    codes.clear();
    fill();
    EXPECT_TRUE(codes.empty());
}

TEST_F(OptionTreeTest, CancellingAnswersRefuseActivationExpansionAndDividerDrag) {
    fill();
    showAndActivate();
    tree->EnableNotify(true);

    cancelCode = kOptionTreePropClick;
    clickValue(name);
    EXPECT_EQ(tree->focusedItem(), name);
    EXPECT_FALSE(name->isActivated());
    key(Qt::Key_Return);
    EXPECT_FALSE(name->isActivated());

    cancelCode = kOptionTreeItemExpanding;
    const QPoint button(tree->labelRect(general).left() - OptionTree::kGutterWidth / 2,
                        tree->labelRect(general).center().y());
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, button);
    EXPECT_TRUE(general->isExpanded());
    tree->setFocusedItem(general);
    key(Qt::Key_Left);
    EXPECT_TRUE(general->isExpanded());
    EXPECT_EQ(tree->focusedItem(), general); // a refused collapse does not move up instead
    cancelCode = 0;
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, button);
    EXPECT_FALSE(general->isExpanded());
    EXPECT_FALSE(tree->valueRect(name).isValid());
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, button);
    EXPECT_TRUE(general->isExpanded());

    const int y = tree->labelRect(general).center().y();
    cancelCode = kOptionTreeColumnClick;
    QTest::mousePress(viewport(), Qt::LeftButton, {}, QPoint(100, y));
    QTest::mouseMove(viewport(), QPoint(160, y));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, QPoint(160, y));
    EXPECT_EQ(tree->dividerPosition(), 100);
    cancelCode = 0;
    QTest::mousePress(viewport(), Qt::LeftButton, {}, QPoint(101, y));
    QTest::mouseMove(viewport(), QPoint(160, y));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, QPoint(160, y));
    EXPECT_EQ(tree->dividerPosition(), 160);
    EXPECT_EQ(tree->valueRect(name).left(), 161);
}

TEST_F(OptionTreeTest, EnumerateVisitsPreOrderSkipsTheRootAndEntersCollapsedRows) {
    fill();
    auto nested = std::make_unique<OptionTreeItem>();
    nested->setLabel(QStringLiteral("Advanced"));
    OptionTreeItem* advanced = tree->insertItem(std::move(nested), video);
    auto deep = std::make_unique<OptionTreeEdit>();
    deep->setLabel(QStringLiteral("Deep"));
    tree->insertItem(std::move(deep), advanced);
    video->setExpanded(false);

    std::vector<QString> labels;
    tree->enumerate(nullptr, [&labels](OptionTreeItem& row) {
        labels.push_back(row.label());
        return true;
    });
    EXPECT_EQ(labels, (std::vector<QString>{QStringLiteral("General"), QStringLiteral("Name"),
                                            QStringLiteral("Locked"), QStringLiteral("Codec"),
                                            QStringLiteral("Video"), QStringLiteral("Frame Rate"),
                                            QStringLiteral("Advanced"), QStringLiteral("Deep")}));
    labels.clear();
    tree->enumerate(nullptr, [&labels](OptionTreeItem& row) {
        labels.push_back(row.label());
        return row.label() != QStringLiteral("General");
    });
    EXPECT_EQ(labels, (std::vector<QString>{QStringLiteral("General"), QStringLiteral("Video"),
                                            QStringLiteral("Frame Rate"), QStringLiteral("Advanced"),
                                            QStringLiteral("Deep")}));
    labels.clear();
    tree->enumerate(video, [&labels](OptionTreeItem& row) {
        labels.push_back(row.label());
        return true;
    });
    EXPECT_EQ(labels, (std::vector<QString>{QStringLiteral("Frame Rate"), QStringLiteral("Advanced"),
                                            QStringLiteral("Deep")}));
    EXPECT_EQ(tree->visibleItems().size(), 5U); // the collapsed Video row hides its three
}

TEST_F(OptionTreeTest, KeyboardMovesFocusExpandsCollapsesAndActivates) {
    fill();
    showAndActivate();
    key(Qt::Key_Down); // nothing focused: the first row
    EXPECT_EQ(tree->focusedItem(), general);
    key(Qt::Key_End);
    EXPECT_EQ(tree->focusedItem(), rate);
    key(Qt::Key_Up);
    EXPECT_EQ(tree->focusedItem(), video);
    key(Qt::Key_Left); // collapses
    EXPECT_FALSE(video->isExpanded());
    EXPECT_EQ(tree->focusedItem(), video);
    key(Qt::Key_Left); // collapsed: acts as Up
    EXPECT_EQ(tree->focusedItem(), codec);
    key(Qt::Key_Right); // no children: acts as Down
    EXPECT_EQ(tree->focusedItem(), video);
    key(Qt::Key_Right); // expands
    EXPECT_TRUE(video->isExpanded());
    key(Qt::Key_Down);
    EXPECT_EQ(tree->focusedItem(), rate);
    key(Qt::Key_Down); // the last row stays
    EXPECT_EQ(tree->focusedItem(), rate);
    key(Qt::Key_Home);
    EXPECT_EQ(tree->focusedItem(), general);

    // Tab from a heading leaves the row alone; from a setting it moves on and opens the next one.
    key(Qt::Key_Tab);
    EXPECT_EQ(tree->focusedItem(), general);
    tree->setFocusedItem(locked);
    key(Qt::Key_Tab);
    EXPECT_EQ(tree->focusedItem(), codec);
    EXPECT_TRUE(codec->isActivated());
    EXPECT_TRUE(codec->editor()->hasFocus());
    // Tab inside an editor commits it and walks on; Shift+Tab walks back.
    QTest::keyClick(codec->editor(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(codec->isActivated());
    EXPECT_EQ(tree->focusedItem(), locked);
    tree->setFocusedItem(name);
    key(Qt::Key_Return);
    EXPECT_TRUE(name->isActivated());
    QTest::keyClick(name->editor(), Qt::Key_Up); // the field keeps it: the rows below do not move
    EXPECT_EQ(tree->focusedItem(), name);
    EXPECT_TRUE(name->isActivated());
    QTest::keyClick(name->editor(), Qt::Key_Tab);
    EXPECT_FALSE(name->isActivated());
    EXPECT_EQ(tree->focusedItem(), locked);
}

TEST_F(OptionTreeTest, ClickOnEmptySpaceClearsFocusAndSelection) {
    fill();
    showAndActivate();
    tree->EnableNotify(true);
    clickValue(name);
    QTest::keyClick(name->editor(), Qt::Key_Return);
    codes.clear();
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(150, viewport()->height() - 5));
    EXPECT_EQ(tree->focusedItem(), nullptr);
    EXPECT_FALSE(name->isSelected());
    ASSERT_EQ(codes.size(), 1U);
    EXPECT_EQ(codes[0].code, kOptionTreeSelChange);
    EXPECT_EQ(codes[0].item, nullptr);
}

TEST_F(OptionTreeTest, ComboRowsStartWithoutSelectionAndSelectByPrefix) {
    fill();
    EXPECT_EQ(codec->currentIndex(), -1);
    EXPECT_EQ(codec->text(), QString());
    codec->setEditText(QStringLiteral("xvid")); // a list ignores free text
    EXPECT_EQ(codec->text(), QString());
    EXPECT_EQ(codec->selectString(0, QStringLiteral("H2")), 1);
    EXPECT_EQ(codec->text(), QStringLiteral("h264"));
    EXPECT_EQ(codec->selectString(0, QStringLiteral("vp9")), -1);
    EXPECT_EQ(codec->text(), QStringLiteral("h264"));

    auto free = std::make_unique<OptionTreeCombo>();
    OptionTreeCombo* bitrate = tree->insert(std::move(free), video);
    ASSERT_TRUE(bitrate->createWindow(OptionTreeCombo::kDropDown));
    EXPECT_FALSE(bitrate->createWindow(OptionTreeCombo::kDropDown)); // one window per row
    bitrate->setEditText(QStringLiteral("777"));
    bitrate->addString(QStringLiteral("128"));
    EXPECT_EQ(bitrate->text(), QStringLiteral("777"));
    EXPECT_EQ(bitrate->valueText(), QStringLiteral("777"));

    OptionTreeEdit orphan;
    EXPECT_FALSE(orphan.createWindow()); // not inserted yet: no window to live in
}

TEST_F(OptionTreeTest, DescriptionPaneTakesTheBottomStripOnlyWithItsOption) {
    showAndActivate();
    EXPECT_TRUE(tree->infoPane()->isVisible());
    EXPECT_GE(tree->infoPane()->height(), OptionTree::kInfoPaneHeight);
    EXPECT_EQ(tree->infoPane()->y(), tree->listPane()->height());
    EXPECT_EQ(tree->infoPane()->geometry().bottom(), tree->height() - 1);
    OptionTree plain(&window, kOptionTreeGridLines, 7);
    plain.resize(200, 200);
    plain.show();
    EXPECT_FALSE(plain.infoPane()->isVisible());
    EXPECT_EQ(plain.listPane()->height(), 200);
}

TEST_F(OptionTreeTest, EditContextMenuOffersTheEditCommandsEnabledByTheFieldsState) {
    fill();
    QLineEdit* field = name->lineEdit();
    QTest::keyClicks(field, QStringLiteral("x")); // typed at the start: "xclip", with an undo step
    field->setSelection(0, 2);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    auto entries = [](QMenu* menu) {
        std::vector<std::pair<QString, bool>> list;
        for (QAction* action : menu->actions()) {
            list.emplace_back(action->isSeparator() ? QStringLiteral("-") : action->text(),
                              action->isSeparator() || action->isEnabled());
        }
        return list;
    };
    using Entries = std::vector<std::pair<QString, bool>>;
    std::unique_ptr<QMenu> writable(name->lineEdit()->createEditMenu(nullptr));
    EXPECT_EQ(entries(writable.get()), (Entries{{QStringLiteral("&Undo"), true},
                                                {QStringLiteral("-"), true},
                                                {QStringLiteral("Cu&t"), true},
                                                {QStringLiteral("&Copy"), true},
                                                {QStringLiteral("&Paste"), true},
                                                {QStringLiteral("&Delete"), true},
                                                {QStringLiteral("-"), true},
                                                {QStringLiteral("Select &All"), true}}));
    // Delete acts on the field it belongs to.
    writable->actions().at(5)->trigger();
    EXPECT_EQ(name->text(), QStringLiteral("lip"));

    locked->lineEdit()->setSelection(0, 2);
    std::unique_ptr<QMenu> readOnly(locked->lineEdit()->createEditMenu(nullptr));
    const Entries got = entries(readOnly.get());
    EXPECT_EQ(got[0].second, false);
    EXPECT_EQ(got[2].second, false); // Cut
    EXPECT_EQ(got[3].second, true);  // Copy
    EXPECT_EQ(got[4].second, false); // Paste
    EXPECT_EQ(got[5].second, false); // Delete
}

TEST_F(OptionTreeTest, MultiLineEditRowIsTallAndKeepsEnterForNewLines) {
    fill();
    showAndActivate();
    auto* notes = tree->insert(std::make_unique<OptionTreeEdit>(), video);
    ASSERT_TRUE(notes->createWindow(OptionTreeEdit::kMultiLine));
    EXPECT_TRUE(notes->isMultiLine());
    EXPECT_EQ(notes->height(), OptionTreeEdit::kMultiLineHeight);
    EXPECT_GE(tree->valueRect(notes).height(), OptionTreeEdit::kMultiLineHeight - 1);
    clickValue(notes);
    ASSERT_TRUE(notes->isActivated());
    QTest::keyClicks(notes->editor(), QStringLiteral("a"));
    QTest::keyClick(notes->editor(), Qt::Key_Return);
    QTest::keyClicks(notes->editor(), QStringLiteral("b"));
    EXPECT_TRUE(notes->isActivated());
    EXPECT_EQ(notes->text(), QStringLiteral("a\nb"));
}

TEST_F(OptionTreeTest, KeyboardFocusChangesAreNotifiedAndShownInTheDescriptionPane) {
    fill();
    showAndActivate();
    tree->EnableNotify(true);
    key(Qt::Key_Home);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Up);
    key(Qt::Key_Home);
    key(Qt::Key_Home); // no change: no notification
    ASSERT_EQ(codes.size(), 5U);
    const std::vector<OptionTreeItem*> expected = {general, name, locked, name, general};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(codes[i].code, kOptionTreeSelChange);
        EXPECT_EQ(codes[i].item, expected[i]);
    }
    EXPECT_TRUE(general->isSelected());
    EXPECT_FALSE(name->isSelected());
}

// Pixels of exactly `colour` inside `area` of `image`.
int countColour(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                ++count;
            }
        }
    }
    return count;
}

TEST_F(OptionTreeTest, ReadOnlyAndDisabledRowsPaintGrey) {
    fill();
    showAndActivate();
    const QPalette palette = tree->palette();
    const QColor grey = palette.color(QPalette::Disabled, QPalette::Text);
    const QColor normal = palette.color(QPalette::ButtonText);
    ASSERT_NE(grey, normal);
    QImage image = viewport()->grab().toImage();
    ASSERT_EQ(image.size(), viewport()->size());
    const QRect nameRow = tree->labelRect(name).united(tree->valueRect(name));
    const QRect lockedRow = tree->labelRect(locked).united(tree->valueRect(locked));
    EXPECT_GT(countColour(image, nameRow, normal), 0);
    EXPECT_EQ(countColour(image, nameRow, grey), 0);
    EXPECT_GT(countColour(image, tree->labelRect(locked), grey), 0);
    EXPECT_GT(countColour(image, tree->valueRect(locked), grey), 0);
    EXPECT_EQ(countColour(image, lockedRow, normal), 0);

    tree->setEnabled(false);
    image = viewport()->grab().toImage();
    EXPECT_GT(countColour(image, tree->valueRect(name), grey), 0);
    EXPECT_EQ(countColour(image, tree->valueRect(name), normal), 0);
}

} // namespace
} // namespace morvane::widgets
