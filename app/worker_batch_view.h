#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/batch_view.h"
#include "app/file_list.h"
#include "profiles/profile.h"

namespace morvane::app {

// The view the batch worker talks to in place of the window. The worker never touches the window's
// rows or controls: it reads copies taken on the window's thread (when the batch starts, and
// whenever the window changes a row meanwhile), and its reports reach the window queued, through
// `post`. Only questions the user must answer wait for the window, and those give up with the
// default answer once the window closes down, so a window that waits for the worker never waits
// for a worker that waits for it.
class WorkerBatchView final : public BatchView {
public:
    // Runs a call on the window's thread later, in the order posted; drops it when the window is gone.
    using Post = std::function<void(std::function<void()>)>;

    // `window` is the window's own view, used on the window's thread only. Construct on that thread.
    WorkerBatchView(BatchView& window, Post post);
    WorkerBatchView(const WorkerBatchView&) = delete;
    WorkerBatchView& operator=(const WorkerBatchView&) = delete;

    // Window thread. Takes copies of the rows (checks, cells, jobs and profiles), the output folder
    // and the completion choices for the next batch; never while a batch runs.
    void begin(const FileList& rows, std::string outputFolder, bool shutdownChoice, bool openFolderChoice);
    // Window thread, while a batch may run: changes the worker will see between rows.
    void rowAdded(const FileRow& row);
    void rowChecked(int row, bool checked);
    void rowCutChanged(int row, const std::string& start, const std::string& end);
    // A row's profile, for rows the worker has not taken yet.
    void rowProfileChanged(int row, const profiles::Profile& profile);
    void setShutdownChoice(bool chosen) { m_shutdownChoice.store(chosen); }
    void setOpenFolderChoice(bool chosen) { m_openFolderChoice.store(chosen); }
    // The window is going: waiting and later questions get their default answer, nothing more is posted.
    void closeDown();

    // BatchView: from the worker, and from the window's thread for the start and stop requests.
    MessageAnswer ask(const Message& message) override;
    int rowCount() override;
    bool isChecked(int row) override;
    void setChecked(int row, bool checked) override;
    std::string cellText(int row, int column) override;
    void setCellText(int row, int column, const std::string& text) override;
    // The worker's own copy of the row's job, linked to its own copy of the profile; from now on
    // the window's changes to that row's profile no longer reach it.
    engine::ConversionJob* job(int row) override;
    // The row's source and profile name; the row stays open to the window's changes.
    std::optional<RowFacts> rowFacts(int row) override;
    void showProgress(int row, int percent) override;
    void setProgress(int row, int percent) override;
    void removeProgress(int row) override;
    std::string outputText() override;
    void setOutputText(const std::string& text) override;
    bool shutdownWhenDone() override { return m_shutdownChoice.load(); }
    bool openFolderWhenDone() override { return m_openFolderChoice.load(); }
    void setEditingEnabled(bool enabled) override;
    void setStartEnabled(bool enabled) override;
    void stopPreview() override;
    // The window stores the panel's edits on its own thread before `begin`; nothing is left to do.
    void storePanelEdits() override {}
    void openFolder(const std::string& folder) override;
    void rowFinished(int row, const RowResult& result) override;
    void batchFinished() override;

    // The default answer a question gets when nobody can answer it any more.
    static MessageAnswer defaultAnswer(const Message& message);

private:
    struct Row {
        bool checked = false;
        std::array<std::string, kColumnCount> cells;
        engine::ConversionJob job;
        profiles::Profile profile;
        bool taken = false;
    };
    static Row copyOf(const FileRow& row);
    bool onWindowThread() const { return std::this_thread::get_id() == m_windowThread; }
    // Runs `call` on the window's thread: at once when already there, else posted.
    void toWindow(std::function<void()> call);
    Row* rowAt(int row); // with m_mutex held; null outside the rows

    BatchView& m_window;
    Post m_post;
    std::thread::id m_windowThread;

    std::mutex m_mutex;
    std::condition_variable m_answered;
    std::deque<Row> m_rows; // a deque: rows keep their place while others are appended
    std::string m_outputFolder;
    bool m_closing = false;
    std::atomic<bool> m_shutdownChoice{false};
    std::atomic<bool> m_openFolderChoice{false};
};

} // namespace morvane::app
