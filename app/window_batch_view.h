#pragma once

#include <QTimer>

#include <optional>
#include <string>

#include "app/batch_progress.h"
#include "app/batch_view.h"

namespace morvane::widgets {
class CellListCtrl;
} // namespace morvane::widgets

namespace morvane::app {

class FileList;
class MainWindow;

// The window's side of the batch, on the window's thread: the BatchView that the worker's calls
// reach through a WorkerBatchView, and the whole batch's progress shown in the window's title.
class WindowBatchView final : public BatchView {
public:
    WindowBatchView(MainWindow& window, FileList& files, widgets::CellListCtrl& list);

    MessageAnswer ask(const Message& message) override;
    int rowCount() override;
    bool isChecked(int row) override;
    void setChecked(int row, bool checked) override;
    std::string cellText(int row, int column) override;
    void setCellText(int row, int column, const std::string& text) override;
    engine::ConversionJob* job(int row) override;
    void showProgress(int row, int percent) override;
    void setProgress(int row, int percent) override;
    void removeProgress(int row) override;
    std::string outputText() override;
    void setOutputText(const std::string& text) override;
    bool shutdownWhenDone() override;
    bool openFolderWhenDone() override;
    void setEditingEnabled(bool enabled) override;
    void setStartEnabled(bool enabled) override;
    void stopPreview() override;
    void storePanelEdits() override;
    void openFolder(const std::string& folder) override;
    void rowFinished(int row, const RowResult& result) override;
    void batchFinished() override;

    // The whole batch's progress while one runs; nothing otherwise.
    const std::optional<BatchProgress>& batchProgress() const { return m_batchProgress; }
    // The title starts showing the batch's progress.
    void beginBatchProgress();
    // A row's check mark or cut changed during the batch: it joins, leaves or changes length.
    void batchRowChanged(int row);

private:
    void showBatchTitle();
    // Back to the plain title; with `notify`, the desktop hears how the batch ended.
    void endBatchProgress(bool notify);

    MainWindow& m_window;
    FileList& m_files;
    widgets::CellListCtrl* m_list = nullptr;
    std::optional<BatchProgress> m_batchProgress;
    BatchCounts m_batchCounts;
    QTimer m_titleTimer; // counts the time left down between reports
};

} // namespace morvane::app
