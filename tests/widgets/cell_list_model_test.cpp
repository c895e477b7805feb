#include "widgets/cell_list_model.h"

#include <QAbstractItemModelTester>
#include <QPalette>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "widgets/cell_list_delegate.h"

namespace morvane::widgets {
namespace {

// A program's own records, as a program plugs them in: a check mark, a name and an optional
// percentage; only those survive a round trip through the cells.
struct Record {
    bool checked = true;
    QString name;
    std::optional<int> percent;
};

class RecordRows final : public CellRows {
public:
    int rowCount() const override { return static_cast<int>(records.size()); }
    int cellCount(int) const override { return 3; }
    ListCell cell(int row, int column) const override {
        const Record& r = records.at(static_cast<std::size_t>(row));
        ListCell c;
        if (column == 0) {
            c.check = r.checked ? 1 : 0;
        } else if (column == 1) {
            c.text = r.name;
        } else if (r.percent) {
            c.progress = true;
            c.percent = *r.percent;
        }
        return c;
    }
    void setCell(int row, int column, const ListCell& c) override {
        Record& r = records.at(static_cast<std::size_t>(row));
        if (column == 0) {
            r.checked = c.check == 1;
        } else if (column == 1) {
            r.name = c.text;
        } else {
            r.percent = c.progress ? std::optional<int>(c.percent) : std::nullopt;
        }
    }
    std::vector<Record> records;
};

struct RecordFixture {
    RecordFixture() : model(&rows) {
        for (const char* caption : {"", "Name", "Status"}) {
            model.insertColumn(model.columnCount(), QString::fromLatin1(caption));
        }
        model.setHeaderCheck(0, CellListModel::HeaderUnchecked);
    }
    void append(const char* name, bool checked) {
        const int row = model.rowCount();
        model.insertRowsWith(row, row, [&] {
            rows.records.push_back(Record{checked, QString::fromLatin1(name), {}});
        });
    }
    RecordRows rows;
    CellListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST(CellListModel, ProgramRecordsAreTheOnlyCopy) {
    RecordFixture f;
    f.append("a.mov", true);
    f.append("b.mov", true);
    EXPECT_EQ(f.model.headerCheck(0), CellListModel::HeaderChecked);

    // The model's own operations write through to the records.
    EXPECT_EQ(f.model.setCheck(1, 0, 0), 1);
    EXPECT_FALSE(f.rows.records[1].checked);
    EXPECT_EQ(f.model.headerCheck(0), CellListModel::HeaderUnchecked);
    EXPECT_EQ(f.model.setProgress(0, 2), 1);
    f.model.updateProgress(0, 2, 64);
    EXPECT_EQ(f.rows.records[0].percent, 64);
    EXPECT_EQ(f.model.data(f.model.index(0, 2), CellListModel::ProgressRole), 64);
    f.model.clearProgress(0, 2);
    EXPECT_FALSE(f.rows.records[0].percent.has_value());
    EXPECT_EQ(f.model.setItemText(0, 1, QStringLiteral("renamed.mov")), 1);
    EXPECT_EQ(f.rows.records[0].name, QStringLiteral("renamed.mov"));

    // A store that makes its rows itself refuses the model's own inserts and deletes, without a
    // half-announced change (the tester would stop the test).
    EXPECT_EQ(f.model.insertRow(0, QStringLiteral("x")), -1);
    EXPECT_EQ(f.model.deleteRow(0), 0);
    EXPECT_EQ(f.model.rowCount(), 2);

    // Records edited directly are announced afterwards; the header follows.
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
    f.rows.records[1].checked = true;
    f.model.rowsChanged(1, 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex(), f.model.index(1, 0));
    EXPECT_EQ(changed.at(0).at(1).toModelIndex(), f.model.index(1, 2));
    EXPECT_EQ(f.model.headerCheck(0), CellListModel::HeaderChecked);

    // Removing, moving and resetting through the model keep views and header in step.
    f.model.moveRowWith(0, 2, [&] { std::swap(f.rows.records[0], f.rows.records[1]); });
    EXPECT_EQ(f.model.itemText(1, 1), QStringLiteral("renamed.mov"));
    f.append("c.mov", false);
    EXPECT_EQ(f.model.headerCheck(0), CellListModel::HeaderUnchecked);
    f.model.removeRowsWith(2, 2, [&] { f.rows.records.pop_back(); });
    EXPECT_EQ(f.model.headerCheck(0), CellListModel::HeaderChecked);
    f.model.resetWith([&] { f.rows.records.clear(); });
    EXPECT_EQ(f.model.rowCount(), 0);
    // No boxes left: the header keeps its state.
    EXPECT_EQ(f.model.headerCheck(0), CellListModel::HeaderChecked);
}

TEST(CellListModel, HeaderClickChangesOnlyRowsWithABox) {
    CellListModel model;
    model.insertColumn(0, QString());
    model.insertColumn(1, QStringLiteral("Name"));
    for (int r = 0; r < 3; ++r) {
        model.insertRow(r, QString());
    }
    model.setCheck(0, 0, 0);
    model.setCheck(2, 0, 1);
    // Row 1 has no box. A column without a header box ignores clicks.
    model.headerClicked(0);
    EXPECT_EQ(model.headerCheck(0), CellListModel::HeaderNoBox);
    EXPECT_EQ(model.check(0, 0), 0);

    model.setHeaderCheck(0, CellListModel::HeaderUnchecked);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.headerClicked(0);
    EXPECT_EQ(model.check(0, 0), 1);
    EXPECT_EQ(model.check(1, 0), -1);
    EXPECT_EQ(model.check(2, 0), 1);
    EXPECT_EQ(model.headerCheck(0), CellListModel::HeaderChecked);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(1).toModelIndex(), model.index(2, 0));
    // A row without a box does not hold the header back.
    model.setCheck(0, 0, 0);
    model.setCheck(0, 0, 1);
    EXPECT_EQ(model.headerCheck(0), CellListModel::HeaderChecked);
}

TEST(CellListModel, CellColoursBySelectionFocusAndState) {
    QPalette palette;
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Highlight, Qt::blue);
    palette.setColor(QPalette::HighlightedText, Qt::yellow);
    palette.setColor(QPalette::WindowText, Qt::darkGreen);
    palette.setColor(QPalette::Button, Qt::lightGray);
    palette.setColor(QPalette::Disabled, QPalette::Text, Qt::gray);
    ListCell own;
    own.textColor = Qt::red;
    own.backgroundColor = Qt::cyan;
    const ListCell plain;

    struct Case {
        const ListCell* cell;
        bool enabled;
        bool selected;
        bool focused;
        QColor text;
        QColor background;
    };
    const Case cases[] = {
        {&plain, true, false, false, Qt::black, Qt::white},
        {&own, true, false, true, Qt::red, Qt::cyan},
        {&own, false, false, false, Qt::gray, Qt::cyan},
        {&own, true, true, true, Qt::yellow, Qt::blue},
        {&own, true, true, false, Qt::darkGreen, Qt::lightGray},
        {&plain, false, true, true, Qt::yellow, Qt::blue},
    };
    for (const Case& c : cases) {
        const CellColors colors = cellColors(*c.cell, c.enabled, c.selected, c.focused, palette);
        EXPECT_EQ(colors.text, c.text) << c.enabled << c.selected << c.focused;
        EXPECT_EQ(colors.background, c.background) << c.enabled << c.selected << c.focused;
    }
}

} // namespace
} // namespace morvane::widgets
