#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "widgets/cell_rows.h"
#include "widgets/list_cell.h"

namespace morvane::widgets {

// The file list's table: columns with a caption, an alignment and a header check-box state, over
// rows of cells kept in a `CellRows` store (see cell_rows.h for plugging a program's rows in).
//
// Every operation checks its row (0 <= row < rowCount) and column (0 <= column < the row's cell
// count, which is the column count the list had when the row was inserted) and does nothing outside
// them, returning the failure value named. A changed cell is reported as that one cell.
class CellListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role {
        // The percent while the cell shows a progress bar, else -1.
        ProgressRole = Qt::UserRole + 1,
        // Header only: 0 no box, 1 unchecked, 2 checked.
        HeaderCheckRole,
    };
    enum HeaderCheck { HeaderNoBox = 0, HeaderUnchecked = 1, HeaderChecked = 2 };

    // Without a store the model keeps its rows itself. A given store must outlive the model.
    explicit CellListModel(CellRows* rows = nullptr, QObject* parent = nullptr);
    ~CellListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Columns. Returns the new column's index, or -1 when `column` is not in 0..columnCount().
    int insertColumn(int column, const QString& caption, Qt::Alignment alignment = Qt::AlignLeft);
    bool deleteColumn(int column);
    Qt::Alignment columnAlignment(int column) const;

    // Rows. insertRow returns the new row's index, or -1 (index below 0, or a store that makes its
    // rows itself); an index past the end appends.
    int insertRow(int row, const QString& text);
    // 0 on a bad index or a store that removes its rows itself, else 1.
    int deleteRow(int row);

    bool validCell(int row, int column) const;
    // The cell, or a default cell outside the bounds.
    ListCell cell(int row, int column) const;

    // 0 on bad indices, else 1.
    int setItemText(int row, int column, const QString& text);
    QString itemText(int row, int column) const;
    // `state` -1 (no box), 0 or 1; 0 on bad indices or any other state, else 1. Updates the
    // column's header box.
    int setCheck(int row, int column, int state);
    // The state, or -1 on bad indices.
    int check(int row, int column) const;
    // Turns the cell into a progress bar at 0 percent. 0 on bad indices, else 1.
    int setProgress(int row, int column, bool showText = true, const QString& format = {});
    void updateProgress(int row, int column, int percent);
    void clearProgress(int row, int column);
    void* itemData(int row) const;
    int setItemData(int row, void* data);
    // A disabled row is drawn grey and ignores clicks. 0 on a bad index, else 1.
    int setRowEnabled(int row, bool enabled);
    bool isRowEnabled(int row) const;
    int setBold(int row, int column, bool bold);
    // Invalid colours stand for the palette's. 0 on bad indices, else 1.
    int setItemColors(int row, int column, const QColor& text, const QColor& background);
    int setItemImage(int row, int column, int image);
    int setToolTip(int row, int column, const QString& text);

    // Header check boxes (see HeaderCheck). Setting a state does not touch the rows.
    int headerCheck(int column) const;
    void setHeaderCheck(int column, int state);
    // A click on a column's header: a box flips and every row's box in the column follows it.
    void headerClicked(int column);

    // For a program whose store changes its records itself: runs `change` inside the model's
    // notifications, then brings the header boxes up to date.
    void insertRowsWith(int first, int last, const std::function<void()>& change);
    void removeRowsWith(int first, int last, const std::function<void()>& change);
    // Moves row `from` to just before row `to` of the old numbering (as QAbstractItemModel::beginMoveRows).
    void moveRowWith(int from, int to, const std::function<void()>& change);
    void resetWith(const std::function<void()>& change);
    // Cells of rows first..last changed in the store.
    void rowsChanged(int first, int last);

Q_SIGNALS:
    void headerCheckChanged(int column, int state);

private:
    struct Column {
        QString caption;
        Qt::Alignment alignment;
        int headerCheck = HeaderNoBox;
    };

    // Applies `edit` to a cell in range and reports it; false outside the bounds.
    bool editCell(int row, int column, const std::function<void(ListCell&)>& edit);
    void updateHeaderCheck(int column);
    void updateAllHeaderChecks();

    std::unique_ptr<CellRows> m_ownRows;
    CellRows* m_rows = nullptr;
    std::vector<Column> m_columns;
};

} // namespace morvane::widgets
