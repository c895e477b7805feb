#include "app/file_list_rows.h"

#include <QCoreApplication>

#include <array>

namespace morvane::app {

namespace {

constexpr std::array<const char*, 4> kStatusWords{kStatusReady, kStatusCompleted, kStatusFail, kStatusAbort};

// A row's status word in the user's language; other texts as they stand.
QString shownStatus(const std::string& text) {
    for (const char* word : kStatusWords) {
        if (text == word) {
            return QCoreApplication::translate("FileList", word);
        }
    }
    return QString::fromStdString(text);
}

// The English status word a shown one stands for; other texts as they stand.
std::string storedStatus(const QString& text) {
    for (const char* word : kStatusWords) {
        if (text == QCoreApplication::translate("FileList", word)) {
            return word;
        }
    }
    return text.toStdString();
}

} // namespace

int FileListRows::cellCount(int row) const {
    return m_rows.validRow(row) ? kColumnCount : 0;
}

widgets::ListCell FileListRows::cell(int row, int column) const {
    const FileRow& r = m_rows.row(row);
    widgets::ListCell cell;
    const std::string& text = r.cells[static_cast<std::size_t>(column)];
    cell.text = column == kColumnStatus ? shownStatus(text) : QString::fromStdString(text);
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
    r.cells[static_cast<std::size_t>(column)] =
        column == kColumnStatus ? storedStatus(cell.text) : cell.text.toStdString();
    if (column == kColumnCheck && cell.check >= 0) {
        r.checked = cell.check == 1;
    }
    if (column == kColumnStatus) {
        r.progress = cell.progress ? std::optional<int>(cell.percent) : std::nullopt;
        r.statusNote = cell.tipText.toStdString();
    }
}

} // namespace morvane::app
