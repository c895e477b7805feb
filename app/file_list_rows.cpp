#include "app/file_list_rows.h"

namespace morvane::app {

int FileListRows::cellCount(int row) const {
    return m_rows.validRow(row) ? kColumnCount : 0;
}

widgets::ListCell FileListRows::cell(int row, int column) const {
    const FileRow& r = m_rows.row(row);
    widgets::ListCell cell;
    cell.text = QString::fromStdString(r.cells[static_cast<std::size_t>(column)]);
    if (column == kColumnCheck) {
        cell.check = r.checked ? 1 : 0;
        cell.itemData = r.job.get();
    }
    if (column == kColumnStatus) {
        cell.tipText = QString::fromStdString(r.statusNote);
        if (r.progress) {
            cell.progress = true;
            cell.percent = *r.progress;
        }
    }
    return cell;
}

void FileListRows::setCell(int row, int column, const widgets::ListCell& cell) {
    FileRow& r = m_rows.row(row);
    r.cells[static_cast<std::size_t>(column)] = cell.text.toStdString();
    if (column == kColumnCheck && cell.check >= 0) {
        r.checked = cell.check == 1;
    }
    if (column == kColumnStatus) {
        r.progress = cell.progress ? std::optional<int>(cell.percent) : std::nullopt;
        r.statusNote = cell.tipText.toStdString();
    }
}

} // namespace morvane::app
