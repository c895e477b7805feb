#pragma once

#include <QObject>
#include <QTimer>

#include <string>
#include <vector>

#include "app/batch_view.h"
#include "app/file_list.h"
#include "app/saved_list.h"
#include "platform/durable_file.h"

class QAbstractItemModel;

namespace morvane::app {

// The question asked at start-up after the program did not close: "The program did not close properly
// last time. Restore the <N> files of the last session?"
std::string restoreQuestionText(std::size_t files);
// The message naming the files of a restored list that are no longer there.
std::string missingFilesText(const std::vector<std::string>& paths);
// The message for a saved list that cannot be used and was set aside (or could not be).
std::string setAsideText(const std::string& path, const std::string& reason, const std::string& aside,
                         const std::string& moveError);

// Keeps the window's file list on disk while the window is open: each change schedules a save a moment
// later (changes that come together are saved once), the snapshot is taken on the window's thread and
// written by a thread of its own. The file says it is in use while the window is open; a start that
// finds it so offers the list back. Only one window at a time keeps the list (two copies of the program
// would otherwise write over each other's): a later one leaves it to the first.
class ListKeeper final : public QObject {
    Q_OBJECT

public:
    static constexpr int kSaveDelayMs = 250;

    ListKeeper(const FileList& rows, std::string listFile, QObject* parent = nullptr);
    ~ListKeeper() override;

    // At the window's opening: the rows the last session left, asked for through `prompts` when it did
    // not close, without asking when it closed and kept its list. A file that cannot be read as a saved
    // list is set aside with one message. Marks the file in use.
    std::vector<FileRow> rowsToRestore(UserPrompts& prompts);
    // Saves after every change of the model's rows and cells.
    void watch(const QAbstractItemModel& model);
    // Something the model does not show changed (a row's edited settings).
    void changed();
    // Rows went or a row was given another profile object (which the model does not show either).
    void profilesReplaced();
    // The window is closing cleanly: the list stays for the next start when `keep` is set and it has rows,
    // otherwise the file goes. Waits until that is on disk.
    void closeCleanly(bool keep);

    bool keeping() const { return m_ownership.held(); }
    const std::string& listFile() const { return m_writer.path(); }
    // Saves now (the timer's work).
    void saveNow();

private:
    const FileList& m_rows;
    platform::FileOwnership m_ownership;
    ListSnapshotter m_snapshotter;
    ListWriter m_writer;
    QTimer m_timer;
    bool m_closed = false;
};

} // namespace morvane::app
