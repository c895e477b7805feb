#pragma once

#include <functional>

namespace morvane::widgets {
class CellListCtrl;
} // namespace morvane::widgets

namespace morvane::app {

class FileList;
class MainWindow;

// The file list's commands (remove, move, check all, split) and the parameter panel kept in step
// with the selected row: selecting a row shows its profile, leaving it stores the panel's edits into
// that row's profile. On the window's thread.
class FileListController {
public:
    FileListController(MainWindow& window, FileList& files, widgets::CellListCtrl& list);

    int selectedRow() const { return m_selectedRow; }

    void removeSelectedRow();
    void removeAllRows();
    void moveSelectedRow(int step);
    void checkAllRows(bool checked);
    void splitSelectedRow();
    void selectListRow(int row);

    // The list without rows shows its background picture; with rows, the columns.
    void showColumnsLook();
    void showBackgroundLook();

    void onSelectionChanged();
    // Check marks or cut ranges of rows changed.
    void onRowsChanged(int first, int last);
    // A profile was chosen in the profile box: the selected row (or the panel alone) takes it.
    void selectProfile(int index);
    // Stores the panel's edits into the row's profile (and tells a running batch).
    void storeEditsOf(int row, bool readOnlyAfter);
    void storeSelectedEdits();

private:
    // Runs a change that removes or moves rows; `selectedAfter` is the row selected after it, or -1.
    void changeRows(const std::function<void()>& change, int selectedAfter);

    MainWindow& m_window;
    FileList& m_files;
    widgets::CellListCtrl* m_list = nullptr;
    int m_selectedRow = -1;
    bool m_rowsChanging = false;
};

} // namespace morvane::app
