#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/batch_view.h"
#include "app/file_list.h"

namespace morvane::app {

// Why the last conversion in a trace failed, in a user's words where the converter's text is a known one
// (no stream for the profile, a cut that starts after its end, an output folder that is a file, an output
// that would replace its source); otherwise the last line the converter wrote about it. Empty when the
// trace says nothing after its last command line.
std::string failureReasonFromTrace(std::string_view trace);

// The batch view of the command line: the rows live in a FileList, messages go to standard error,
// progress to standard output (a live line per file on a terminal, else a line per change).
class CliBatchView final : public BatchView {
public:
    CliBatchView(FileList& list, std::string outputFolder, bool terminal, std::FILE* out = stdout,
                 std::FILE* err = stderr);

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

    // The rows as a table: file name, Target, Start, End, Status.
    std::string resultTable();

private:
    void drawProgress(int row, int percent);
    void endLiveLine();

    std::mutex m_mutex;
    FileList& m_list;
    std::string m_outputFolder;
    bool m_terminal = false;
    std::FILE* m_out = nullptr;
    std::FILE* m_err = nullptr;
    bool m_liveLineOpen = false;
    std::chrono::steady_clock::time_point m_rowStarted;
    int m_lastPercent = -1;
};

} // namespace morvane::app
