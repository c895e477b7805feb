#pragma once

#include <vector>

#include "widgets/list_cell.h"

namespace morvane::widgets {

// Where the rows of a `CellListModel` live. The model holds no cell of its own: it reads and writes
// every cell through this interface, so a program's own row records stay the only copy of its data.
//
// Plugging a program's rows in: implement `rowCount`, `cellCount`, `cell` and `setCell` over the
// records (a cell is handed over by value; a store may keep only the fields it has room for), give
// the store to the model, and change the records only through the model: its operations, or
// `insertRowsWith` / `removeRowsWith` / `moveRowWith` / `resetWith` around a change the program
// makes itself, or `rowsChanged` after editing cells in place. A store that creates rows only
// itself keeps `insertsRows` false, and the model's own insertRow and deleteRow then refuse.
class CellRows {
public:
    virtual ~CellRows() = default;
    virtual int rowCount() const = 0;
    // Cells of a row: as many as the list had columns when the row was inserted.
    virtual int cellCount(int row) const = 0;
    // Called only with row and column in range.
    virtual ListCell cell(int row, int column) const = 0;
    virtual void setCell(int row, int column, const ListCell& cell) = 0;
    // Whether insertRow and removeRow work; asked before the model announces a change.
    virtual bool insertsRows() const { return false; }
    // Inserts a row of `cells` default cells before `row` (0 <= row <= rowCount()).
    virtual void insertRow(int row, int cells);
    virtual void removeRow(int row);
};

// Rows kept by the list itself, as vectors of cells.
class ListCellRows final : public CellRows {
public:
    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    int cellCount(int row) const override;
    ListCell cell(int row, int column) const override;
    void setCell(int row, int column, const ListCell& cell) override;
    bool insertsRows() const override { return true; }
    void insertRow(int row, int cells) override;
    void removeRow(int row) override;

private:
    std::vector<std::vector<ListCell>> m_rows;
};

} // namespace morvane::widgets
