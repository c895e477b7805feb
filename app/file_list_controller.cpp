#include "app/file_list_controller.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>

#include <algorithm>

#include "app/list_keeper.h"
#include "app/main_window.h"
#include "app/main_window_controls.h"
#include "app/main_window_layout.h"
#include "app/window_batch_view.h"
#include "app/worker_batch_view.h"
#include "platform/time_text.h"
#include "preview/video_splitter_logic.h"
#include "profiles/parameter_panel.h"
#include "widgets/cell_list_ctrl.h"
#include "widgets/picture.h"
#include "widgets/x_header_ctrl.h"

namespace morvane::app {

FileListController::FileListController(MainWindow& window, FileList& files, widgets::CellListCtrl& list)
    : m_window(window), m_files(files), m_list(&list) {}

void FileListController::removeSelectedRow() {
    if (!m_window.m_editingEnabled) {
        return;
    }
    const int row = m_selectedRow;
    if (!m_files.validRow(row)) {
        return;
    }
    // Deselecting first stores the panel's edits while the row is still there.
    m_list->selectionModel()->clearSelection();
    changeRows([&] { m_list->cells().removeRowsWith(row, row, [&] { m_files.remove(row); }); }, -1);
    const int next = row < m_files.rowCount() ? row : row - 1;
    if (next >= 0) {
        m_list->setFocus();
        selectListRow(next);
    }
    if (m_files.rowCount() == 0 && m_window.m_columnsPresent) {
        showBackgroundLook();
    }
}

void FileListController::removeAllRows() {
    if (!m_window.m_editingEnabled || m_files.rowCount() == 0) {
        return;
    }
    m_list->selectionModel()->clearSelection();
    changeRows([&] { m_list->cells().resetWith([&] { m_files.removeAll(); }); }, -1);
}

void FileListController::moveSelectedRow(int step) {
    if (!m_window.m_editingEnabled) {
        return;
    }
    const int row = m_selectedRow;
    const int target = row + step;
    if (!m_files.validRow(row) || !m_files.validRow(target)) {
        return;
    }
    // The selection goes with the row: the window follows it without storing anything.
    changeRows(
        [&] {
            m_list->cells().moveRowWith(row, step < 0 ? target : target + 1, [&] {
                if (step < 0) {
                    m_files.moveUp(row);
                } else {
                    m_files.moveDown(row);
                }
            });
        },
        target);
    m_list->setFocus();
    selectListRow(target);
}

void FileListController::checkAllRows(bool checked) {
    for (int row = 0; row < m_files.rowCount(); ++row) {
        m_list->setCheck(row, kColumnCheck, checked ? 1 : 0);
    }
}

void FileListController::splitSelectedRow() {
    const int row = m_list->getSelectedRow();
    if (!m_window.m_splitter || !m_files.validRow(row)) {
        return;
    }
    const FileRow& r = m_files.row(row);
    SplitRequest request;
    request.sourcePath = r.job->sourcePath.str();
    // Cells that do not read as times open the whole file.
    const auto values =
        preview::splitterValuesForRow(r.cells[kColumnStart], r.cells[kColumnEnd], r.job->duration);
    request.start = values.start;
    request.end = values.end;
    request.maximum = values.maximum;
    request.length = values.mediaLength;
    const auto range = m_window.m_splitter(m_window, request);
    if (!range || !m_files.validRow(row)) {
        return;
    }
    m_list->setItemText(row, kColumnStart, QString::fromStdString(platform::formatTimeText(range->start)));
    m_list->setItemText(row, kColumnEnd, QString::fromStdString(platform::formatTimeText(range->end)));
}

void FileListController::showColumnsLook() {
    // The rule's widths, with room for whole times where the font needs more than the rule gives.
    const QFontMetrics metrics(m_list->font());
    const int timeWidth =
        metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 2 * metrics.averageCharWidth();
    const auto widths = widenedColumnWidths(fileListColumnWidths(m_list->width()),
                                            {0, 8 * metrics.averageCharWidth(), 0, timeWidth, timeWidth, 0});
    // The check-box column is narrower than the style's smallest section.
    m_list->horizontalHeader()->setMinimumSectionSize(0);
    m_list->headerCtrl().setImages(widgets::loadPictureStrip(130, 16, m_window.devicePixelRatio()));
    for (int column = 0; column < kColumnCount; ++column) {
        const auto& entry = fileListColumns()[static_cast<std::size_t>(column)];
        m_list->insertColumn(column, QCoreApplication::translate("MainWindow", entry.caption),
                             entry.alignment, widths[static_cast<std::size_t>(column)]);
    }
    m_list->cells().setHeaderCheck(kColumnCheck, widgets::CellListModel::HeaderUnchecked);
    m_list->horizontalHeader()->show();
    m_list->viewport()->setPalette(m_list->palette());
    m_window.m_columnsPresent = true;
}

void FileListController::showBackgroundLook() {
    for (int column = m_list->cells().columnCount() - 1; column >= 0; --column) {
        m_list->deleteColumn(column);
    }
    m_list->headerCtrl().setImages({});
    m_list->horizontalHeader()->hide();
    QPalette tiled = m_list->palette();
    tiled.setBrush(QPalette::Base, QBrush(QPixmap(resourcePicture(199))));
    m_list->viewport()->setPalette(tiled);
    m_list->viewport()->setAutoFillBackground(true);
    m_window.m_columnsPresent = false;
}

void FileListController::selectListRow(int row) {
    m_list->selectRow(row);
}

void FileListController::changeRows(const std::function<void()>& change, int selectedAfter) {
    // While rows go or move the view moves its selection about on its own, in the old numbering.
    m_rowsChanging = true;
    change();
    m_rowsChanging = false;
    m_selectedRow = selectedAfter;
    if (m_list->getSelectedRow() != m_selectedRow) {
        m_list->selectionModel()->clearSelection();
    }
}

void FileListController::onSelectionChanged() {
    if (m_rowsChanging) {
        return;
    }
    // The row the window held selected is left first: its edits go back into its profile.
    const int now = m_list->getSelectedRow();
    if (now == m_selectedRow) {
        return;
    }
    if (m_files.validRow(m_selectedRow)) {
        storeEditsOf(m_selectedRow, true);
    }
    m_selectedRow = -1;
    if (!m_files.validRow(now)) {
        return;
    }
    m_selectedRow = now;
    const auto& profile = m_files.row(now).profile;
    if (!profile) {
        return;
    }
    const int entry = profiles::findChoiceByPrefix(m_window.m_catalogue.names(), profile->name);
    if (entry >= 0) {
        const QSignalBlocker blocker(m_window.m_profileCombo);
        m_window.m_profileCombo->setCurrentIndex(entry);
    }
    m_window.m_currentProfileName = profile->name;
    m_window.m_panel->Show(*profile, true);
}

void FileListController::storeEditsOf(int row, bool readOnlyAfter) {
    auto& profile = m_files.row(row).profile;
    if (!profile) {
        return;
    }
    m_window.m_panel->StoreEdits(*profile);
    if (m_window.m_listKeeper) {
        m_window.m_listKeeper->changed();
    }
    if (readOnlyAfter) {
        m_window.m_panel->SetAllReadOnly(true);
    }
    if (m_window.batchBusy()) {
        m_window.m_workerView->rowProfileChanged(row, *profile);
    }
}

void FileListController::onRowsChanged(int first, int last) {
    // Check marks and cut ranges may change while a batch runs; the worker sees them between rows.
    if (!m_window.batchBusy()) {
        return;
    }
    for (int row = std::max(first, 0); row <= last && m_files.validRow(row); ++row) {
        const FileRow& r = m_files.row(row);
        m_window.m_workerView->rowChecked(row, r.checked);
        m_window.m_workerView->rowCutChanged(row, r.cells[kColumnStart], r.cells[kColumnEnd]);
        m_window.m_batchView->batchRowChanged(row);
    }
}

void FileListController::selectProfile(int index) {
    m_window.m_catalogue.selectProfile(index, m_window.m_settings.configPath);
    m_window.m_currentProfileName = m_window.m_catalogue.currentName();
    if (m_files.validRow(m_selectedRow)) {
        // The selected row takes a fresh profile of the new name: its earlier edits go.
        FileRow& row = m_files.row(m_selectedRow);
        auto profile = std::make_unique<profiles::Profile>();
        if (!profiles::parseProfile(m_window.m_catalogue, m_window.m_currentProfileName, *profile)) {
            return;
        }
        row.job->profile = profile.get();
        row.profile = std::move(profile);
        if (m_window.m_listKeeper) {
            m_window.m_listKeeper->profilesReplaced();
        }
        m_list->setItemText(m_selectedRow, kColumnTarget, QString::fromStdString(row.profile->targetText()));
        m_window.m_panel->Show(*row.profile, true);
        return;
    }
    if (profiles::parseProfile(m_window.m_catalogue, m_window.m_currentProfileName,
                               m_window.m_shownProfile)) {
        m_window.m_panel->Show(m_window.m_shownProfile, false);
    }
}

void FileListController::storeSelectedEdits() {
    if (m_files.validRow(m_selectedRow)) {
        storeEditsOf(m_selectedRow, false);
    }
}

} // namespace morvane::app
