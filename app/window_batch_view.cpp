#include "app/window_batch_view.h"

#include <QCheckBox>
#include <QLineEdit>

#include "app/batch_driver.h"
#include "app/desktop_actions.h"
#include "app/desktop_notifier.h"
#include "app/file_list_controller.h"
#include "app/main_window.h"
#include "app/main_window_layout.h"
#include "app/window_services.h"
#include "preview/preview_pane_controller.h"
#include "widgets/cell_list_ctrl.h"

namespace morvane::app {

WindowBatchView::WindowBatchView(MainWindow& window, FileList& files, widgets::CellListCtrl& list)
    : m_window(window), m_files(files), m_list(&list) {
    m_titleTimer.setInterval(1000);
    QObject::connect(&m_titleTimer, &QTimer::timeout, &m_titleTimer, [this] { showBatchTitle(); });
}

MessageAnswer WindowBatchView::ask(const Message& message) {
    // A message without a caption reads as the program's own: the product title, not the window
    // manager's name for an untitled box (nor the batch's progress in the window's title).
    if (message.caption.empty()) {
        Message titled = message;
        titled.caption = app::windowTitle(m_window.m_settings);
        return m_window.m_prompts->ask(titled);
    }
    return m_window.m_prompts->ask(message);
}

int WindowBatchView::rowCount() {
    return m_files.rowCount();
}

bool WindowBatchView::isChecked(int row) {
    return m_files.validRow(row) && m_files.row(row).checked;
}

void WindowBatchView::setChecked(int row, bool checked) {
    m_list->setCheck(row, kColumnCheck, checked ? 1 : 0);
}

std::string WindowBatchView::cellText(int row, int column) {
    return m_list->itemText(row, column).toStdString();
}

void WindowBatchView::setCellText(int row, int column, const std::string& text) {
    m_list->setItemText(row, column, QString::fromStdString(text));
}

engine::ConversionJob* WindowBatchView::job(int row) {
    return m_files.validRow(row) ? m_files.row(row).job.get() : nullptr;
}

void WindowBatchView::showProgress(int row, int percent) {
    m_list->setProgress(row, kColumnStatus);
    setProgress(row, percent);
}

void WindowBatchView::setProgress(int row, int percent) {
    m_list->updateProgress(row, kColumnStatus, percent);
    if (m_batchProgress) {
        if (!m_batchProgress->contains(row) && m_files.validRow(row)) {
            batchRowChanged(row); // a row the batch took without the window seeing it join
        }
        m_batchProgress->rowProgress(row, percent, BatchProgress::Clock::now());
        showBatchTitle();
    }
}

void WindowBatchView::removeProgress(int row) {
    m_list->clearProgress(row, kColumnStatus);
}

std::string WindowBatchView::outputText() {
    return m_window.m_outputEdit->text().toStdString();
}

void WindowBatchView::setOutputText(const std::string& text) {
    m_window.m_outputEdit->setText(QString::fromStdString(text));
}

bool WindowBatchView::shutdownWhenDone() {
    return m_window.m_shutdownCheck->isChecked();
}

bool WindowBatchView::openFolderWhenDone() {
    return m_window.m_openFolderCheck->isChecked();
}

void WindowBatchView::setEditingEnabled(bool enabled) {
    if (enabled && m_batchProgress) {
        endBatchProgress(false);
    }
    if (enabled && !m_window.m_editingEnabled) {
        // The end of a batch: the shutdown choice as it stood then is what the Configure dialog shows.
        m_window.m_shutdownWhenDone = m_window.m_shutdownCheck->isChecked();
    }
    m_window.m_editingEnabled = enabled;
    for (const int id : {kIdStart, kIdRemove, kIdBrowse, kIdAdd, kIdOutputEdit, kIdProfileCombo}) {
        m_window.m_controls[id]->setEnabled(enabled);
    }
    m_window.updateCommandStates();
}

void WindowBatchView::setStartEnabled(bool enabled) {
    m_window.m_controls[kIdStart]->setEnabled(enabled);
}

void WindowBatchView::stopPreview() {
    m_window.m_preview->stop();
}

void WindowBatchView::storePanelEdits() {
    m_window.m_rows->storeSelectedEdits();
}

void WindowBatchView::openFolder(const std::string& folder) {
    app::openOutputFolder(folder, *m_window.m_opener);
}

void WindowBatchView::rowFinished(int row, const RowResult& result) {
    // The row's status says what happened; its tooltip why, or what to know about its output.
    if (m_files.validRow(row)) {
        m_list->cells().setToolTip(
            row, kColumnStatus,
            QString::fromStdString(shownReason(result.warning.empty() ? result.reason : result.warning)));
    }
    if (!m_batchProgress) {
        return;
    }
    m_batchProgress->rowDone(row, BatchProgress::Clock::now());
    if (result.status == kStatusCompleted) {
        ++m_batchCounts.completed;
    } else if (result.status == kStatusFail) {
        ++m_batchCounts.failed;
    } else {
        ++m_batchCounts.stopped;
    }
    showBatchTitle();
}

void WindowBatchView::batchFinished() {
    // A stop question still open has nothing left to stop: it gives way to the end of the batch.
    if (m_window.m_stopQuestionOpen) {
        m_window.m_prompts->dismissOpenQuestion();
    }
    endBatchProgress(true);
}

// Whole-batch progress ----------------------------------------------------------------------------

void WindowBatchView::beginBatchProgress() {
    m_batchProgress.emplace(BatchProgress::Clock::now());
    m_batchCounts = {};
    for (int row = 0; row < m_files.rowCount(); ++row) {
        batchRowChanged(row);
    }
    m_titleTimer.start();
    showBatchTitle();
}

void WindowBatchView::batchRowChanged(int row) {
    if (!m_batchProgress || !m_files.validRow(row)) {
        return;
    }
    const FileRow& r = m_files.row(row);
    const auto now = BatchProgress::Clock::now();
    if (r.checked) {
        m_batchProgress->addRow(row, rowWork(r.job.get(), r.cells[kColumnStart], r.cells[kColumnEnd]), now);
    } else {
        m_batchProgress->dropRow(row, now);
    }
}

void WindowBatchView::showBatchTitle() {
    if (!m_batchProgress) {
        return;
    }
    const auto text =
        QString::fromStdString(batchProgressText(m_batchProgress->percent(),
                                                 m_batchProgress->secondsLeft(BatchProgress::Clock::now())) +
                               " - " + app::windowTitle(m_window.m_settings));
    if (text != m_window.windowTitle()) {
        m_window.setWindowTitle(text);
    }
}

void WindowBatchView::endBatchProgress(bool notify) {
    if (!m_batchProgress) {
        return;
    }
    m_titleTimer.stop();
    m_batchProgress.reset();
    m_window.setTitle();
    if (notify) {
        m_window.m_notifier->notify(batchEndNotice(m_batchCounts));
    }
}

} // namespace morvane::app
