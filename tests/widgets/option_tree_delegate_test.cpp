#include "widgets/option_tree_delegate.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "widgets/option_tree.h"
#include "widgets/option_tree_items.h"

namespace morvane::widgets {
namespace {

// The panel's editors as a user meets them: opened by a click, typed into with real key presses,
// committed by Enter or Tab; the delegate makes, fills, places and writes back each one.
class OptionTreeDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(420, 360);
        auto* layout = new QVBoxLayout(&window);
        tree = new OptionTree(&window, kOptionTreeShowInfo | kOptionTreeGridLines, 1);
        layout->addWidget(tree);
        QObject::connect(tree, &OptionTree::notify, tree,
                         [this](int code, OptionTreeItem*, bool*) { codes.push_back(code); });
        tree->EnableNotify(true);
        auto* heading = tree->insert(std::make_unique<OptionTreeItem>());
        heading->setLabel(QStringLiteral("Video"));
        name = tree->insert(std::make_unique<OptionTreeEdit>(), heading);
        name->createWindow();
        name->setText(QStringLiteral("clip"));
        codec = tree->insert(std::make_unique<OptionTreeCombo>(), heading);
        codec->createWindow(OptionTreeCombo::kDropDownList);
        for (const char* entry : {"mpeg4", "h264", "vp9"}) {
            codec->addString(QString::fromLatin1(entry));
        }
        rate = tree->insert(std::make_unique<OptionTreeCombo>(), heading);
        rate->createWindow(OptionTreeCombo::kDropDown);
        rate->addString(QStringLiteral("128"));
        rate->setEditText(QStringLiteral("77"));
        notes = tree->insert(std::make_unique<OptionTreeEdit>(), heading);
        notes->createWindow(OptionTreeEdit::kMultiLine);
        tree->expandAll();
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget* open(OptionTreeItem* item) {
        QWidget* viewport = static_cast<QTreeView*>(tree->listPane())->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, tree->valueRect(item).center());
        return item->currentEditor();
    }

    QWidget window;
    OptionTree* tree = nullptr;
    std::vector<int> codes;
    OptionTreeEdit* name = nullptr;
    OptionTreeCombo* codec = nullptr;
    OptionTreeCombo* rate = nullptr;
    OptionTreeEdit* notes = nullptr;
};

TEST_F(OptionTreeDelegateTest, AnEditorLivesOnlyWhileItsRowIsOpenAndCoversTheValueCell) {
    struct Case {
        OptionTreeItem* row;
        const char* editorClass;
    };
    const Case cases[] = {{name, "morvane::widgets::OptionTreeLineEdit"},
                          {codec, "QComboBox"},
                          {rate, "QComboBox"},
                          {notes, "QPlainTextEdit"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row->label().toStdString() + c.editorClass);
        EXPECT_EQ(c.row->currentEditor(), nullptr) << "no editor before the row opens";
        QPointer<QWidget> editor = open(c.row);
        ASSERT_NE(editor, nullptr);
        EXPECT_STREQ(editor->metaObject()->className(), c.editorClass);
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(editor->geometry(), tree->valueRect(c.row));
        tree->setDividerPosition(150); // the editor follows its cell
        EXPECT_EQ(editor->geometry(), tree->valueRect(c.row));
        EXPECT_EQ(editor->geometry().left(), 151);
        tree->setDividerPosition(OptionTree::kInitialDivider);
        c.row->commit();
        EXPECT_EQ(c.row->currentEditor(), nullptr);
        EXPECT_FALSE(editor->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(editor.isNull()) << "a committed row lets its editor go";
    }
}

TEST_F(OptionTreeDelegateTest, KeysTypedIntoEachEditorReachTheRowAndEnterOrTabCommits) {
    // The single-line field opens with the caret at the start.
    QWidget* field = open(name);
    QTest::keyClicks(field, QStringLiteral("my"));
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(name->text(), QStringLiteral("mycli")) << "the row follows every key";
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(name->isCommitted());
    EXPECT_EQ(name->currentEditor(), nullptr);
    EXPECT_EQ(tree->model()->data(tree->model()->index(0, 1, tree->model()->index(0, 0))).toString(),
              QStringLiteral("mycli"));

    // The list: Down walks its entries; Tab commits it and opens the next row.
    QWidget* list = open(codec);
    EXPECT_EQ(static_cast<QComboBox*>(list)->count(), 3) << "filled from the row";
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(codec->currentIndex(), 1);
    EXPECT_EQ(codec->text(), QStringLiteral("h264"));
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_TRUE(codec->isCommitted());
    ASSERT_TRUE(rate->isActivated());

    // The drop-down: free text is the row's, the selection stays as it was.
    auto* free = static_cast<QComboBox*>(rate->currentEditor());
    ASSERT_NE(free, nullptr);
    EXPECT_EQ(free->currentText(), QStringLiteral("77"));
    QTest::keyClick(free->lineEdit(), Qt::Key_End);
    QTest::keyClicks(free->lineEdit(), QStringLiteral("0"));
    EXPECT_EQ(rate->text(), QStringLiteral("770"));
    EXPECT_EQ(rate->currentIndex(), -1);
    QTest::keyClick(free->lineEdit(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(rate->isCommitted());
    EXPECT_EQ(rate->text(), QStringLiteral("770"));
    EXPECT_TRUE(codec->isActivated()) << "Shift+Tab walks back and opens the row above";

    // The multi-line field keeps Enter for its new lines; opening it commits the list left open.
    QWidget* lines = open(notes);
    QTest::keyClicks(lines, QStringLiteral("a"));
    QTest::keyClick(lines, Qt::Key_Return);
    QTest::keyClicks(lines, QStringLiteral("b"));
    EXPECT_TRUE(notes->isActivated());
    EXPECT_EQ(notes->text(), QStringLiteral("a\nb"));

    const std::vector<int> changed(codes.begin(), codes.end());
    EXPECT_EQ(std::count(changed.begin(), changed.end(), kOptionTreeItemChanged), 4) << "one per commit";
}

TEST_F(OptionTreeDelegateTest, ValuesSetWhileAnEditorIsOpenShowInItWithoutCountingAsEdits) {
    auto* field = static_cast<QLineEdit*>(open(name));
    ASSERT_NE(field, nullptr);
    codes.clear();
    name->setText(QStringLiteral("other"));
    EXPECT_EQ(field->text(), QStringLiteral("other"));
    EXPECT_EQ(field->cursorPosition(), 0);
    name->setReadOnly(true);
    EXPECT_TRUE(field->isReadOnly());
    name->setReadOnly(false);
    EXPECT_FALSE(field->isReadOnly());
    EXPECT_TRUE(codes.empty()) << "no commit, no change notice";

    auto* list = static_cast<QComboBox*>(open(codec));
    codec->addString(QStringLiteral("av1"));
    codec->setCurrentIndex(3);
    EXPECT_EQ(list->count(), 4);
    EXPECT_EQ(list->currentText(), QStringLiteral("av1"));
    codec->setCurrentIndex(4); // past the last entry: no selection
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(codec->text(), QString());
    codec->setReadOnly(true);
    EXPECT_FALSE(list->isEnabled());
}

} // namespace
} // namespace morvane::widgets
