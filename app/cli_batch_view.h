#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/batch_progress.h"
#include "app/batch_view.h"
#include "app/file_list.h"

namespace morvane::app {

// Why the last conversion in a trace failed, in a user's words where the converter's text is a known one
// (no stream for the profile, a cut that starts after its end, an output folder that is a file, an output
// that would replace its source); otherwise the last line the converter wrote about it. Empty when the
// trace says nothing after its last command line.
std::string failureReasonFromTrace(std::string_view trace);

// The lines of one conversion in a trace written by conversions side by side: those that start with
// `tag`, without it. The whole trace when no line has the tag (one conversion at a time tags nothing).
std::string conversionTraceLines(std::string_view trace, std::string_view tag);

// A line of --list-profiles --json: {"id": ..., "name": ..., "file": ...}, with "unavailable" and its
// reason for a profile this system cannot convert with.
std::string profileListEntry(const std::string& name, const std::string& path,
                             const std::string& unavailable);

// The batch view of the command line: the rows live in a FileList, messages go to standard error,
// progress to standard output (a live line per file on a terminal, else a line per change). In JSON
// mode standard output carries only events, one JSON object per line, for other programs to follow.
class CliBatchView final : public BatchView {
public:
    enum class Style { Text, Json };

    CliBatchView(FileList& list, std::string outputFolder, bool terminal, std::FILE* out = stdout,
                 std::FILE* err = stderr, Style style = Style::Text);

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
    bool shutdownWhenDone() override { return false; }
    bool openFolderWhenDone() override { return false; }
    void setEditingEnabled(bool) override {}
    void setStartEnabled(bool) override {}
    void stopPreview() override {}
    void storePanelEdits() override {}
    void openFolder(const std::string&) override {}
    void rowFinished(int row, const RowResult& result) override;

    // Called with each row's outcome as it ends, on the thread that reports it, before it is shown.
    void setOutcomeRecorder(std::function<void(int row, const RowResult& result)> recorder) {
        m_outcomeRecorder = std::move(recorder);
    }
    // A file converted by an earlier run and skipped (--journal), with the output it made then.
    void fileDoneBefore(const std::string& path, const std::string& output);

    // Events of JSON mode; nothing in text mode. A row taken into the list with its profile:
    void rowAdded(int row, const std::string& profileName);
    // A file left out because it could not be read:
    void fileSkipped(const std::string& path, const std::string& reason);
    // The batch is over and the program ends with `exitCode`:
    void batchEnded(int exitCode, bool stopped);
    bool json() const { return m_style == Style::Json; }

    // The rows as a table: file name, Target, Start, End, Status.
    std::string resultTable();

private:
    // The row's percentage joins the whole batch's, which begins with the first row shown.
    void trackProgress(int row, int percent);
    void drawProgress(int row, int percent);
    void endLiveLine();
    void emitEvent(const std::string& line);
    std::string liveLine();

    std::mutex m_mutex;
    FileList& m_list;
    std::string m_outputFolder;
    bool m_terminal = false;
    std::FILE* m_out = nullptr;
    std::FILE* m_err = nullptr;
    bool m_liveLineOpen = false;
    // The rows whose conversion runs: when each began and the percentage shown last.
    struct RowClock {
        std::chrono::steady_clock::time_point started;
        int lastPercent = -1;
    };
    std::map<int, RowClock> m_running;
    std::optional<BatchProgress> m_batch;
    // The row each converting thread reported failed last: its failure message follows on that thread.
    std::map<std::thread::id, int> m_failedRowOfThread;
    Style m_style = Style::Text;
    std::function<void(int, const RowResult&)> m_outcomeRecorder;
};

} // namespace morvane::app
