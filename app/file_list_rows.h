#pragma once

#include "app/file_list.h"
#include "widgets/cell_rows.h"

namespace morvane::app {

// The file list control's cells over the window's FileList, so that the rows stay the one copy of
// what the list shows: column 0 is the row's check box and carries its job as item data, the Status
// column shows the progress bar while one is set, every column its cell text.
class FileListRows final : public widgets::CellRows {
public:
    explicit FileListRows(FileList& rows) : m_rows(rows) {}

    int rowCount() const override { return m_rows.rowCount(); }
    int cellCount(int row) const override;
    widgets::ListCell cell(int row, int column) const override;
    void setCell(int row, int column, const widgets::ListCell& cell) override;

private:
    FileList& m_rows;
};

} // namespace morvane::app
