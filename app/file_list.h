#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/conversion_job.h"
#include "platform/translation.h"
#include "profiles/profile.h"

namespace morvane::app {

// Columns of a file-list row.
enum Column : int {
    kColumnCheck = 0,
    kColumnFile = 1,
    kColumnTarget = 2,
    kColumnStart = 3,
    kColumnEnd = 4,
    kColumnStatus = 5,
    kColumnCount = 6,
};

// Status words: the rows keep them in English (the batch logic and the JSON events compare and
// report them); the window and the result table show them in the user's language.
inline constexpr const char* kStatusReady = QT_TRANSLATE_NOOP("FileList", "Ready");
inline constexpr const char* kStatusCompleted = QT_TRANSLATE_NOOP("FileList", "Completed");
inline constexpr const char* kStatusFail = QT_TRANSLATE_NOOP("FileList", "Fail");
inline constexpr const char* kStatusAbort = QT_TRANSLATE_NOOP("FileList", "Abort");

// One row: its check box, its cell texts, the progress bar shown in its Status cell during a
// conversion, and the job and profile it owns.
struct FileRow {
    bool checked = true;
    std::array<std::string, kColumnCount> cells;
    std::optional<int> progress; // percentage while a progress bar is shown
    std::unique_ptr<profiles::Profile> profile;
    std::unique_ptr<engine::ConversionJob> job; // job->profile points at `profile`
};

// The rows of the file list in display order. Not thread-safe: a view serialises access.
class FileList {
public:
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    bool validRow(int row) const { return row >= 0 && row < rowCount(); }
    FileRow& row(int index) { return m_rows.at(static_cast<std::size_t>(index)); }
    const FileRow& row(int index) const { return m_rows.at(static_cast<std::size_t>(index)); }

    // Appends a row for a probed job and its profile, with the check box set and the cells filled:
    // file name, target, "00:00:00", the probed duration as time text, "Ready". Returns its index.
    int append(std::unique_ptr<engine::ConversionJob> job, std::unique_ptr<profiles::Profile> profile);

    // Appends a row made elsewhere (a restored one) as it is. Returns its index.
    int appendRow(FileRow row);

    bool remove(int row);
    void removeAll();
    // Moves a row one place up or down; false at the ends or for a row that does not exist.
    bool moveUp(int row);
    bool moveDown(int row);
    void checkAll(bool checked);

    // The first checked row, or -1.
    int firstChecked() const;

private:
    std::vector<FileRow> m_rows;
};

// The End cell for a probed duration: whole seconds, cut toward zero, as time text.
std::string endCellText(double durationSeconds);

} // namespace morvane::app
