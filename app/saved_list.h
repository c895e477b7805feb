#pragma once

// The window's file list as it is kept on disk between runs, so that a crash, a killed session or a
// power cut does not take the list, each row's settings and cut and which rows were done with it.
//
// The document is one JSON object:
//   {"format": "morvane-file-list", "version": 1, "open": true,
//    "profiles": [{"name": ..., "path": ..., "main": {...}, "parameter": {...}}, ...],
//    "rows": [{"source": ..., "checked": true, "target": ..., "start": "00:00:00", "end": "00:01:05",
//              "status": "Ready", "profile": 0, "settings": {"b": "800"}, "facts": {...}}, ...]}
// "open" is true while the window that wrote it is open; a start that finds it so knows that window did
// not close. Each profile is kept whole (the keys of its file), so a row comes back with the settings
// it had even when the profile file has changed or gone since; a row keeps only the settings it changed
// from its profile's file. A text that is no valid UTF-8 (a file name may be any bytes) is written as
// {"bytes": "<hex>"} so that it comes back unchanged.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/file_list.h"
#include "platform/expected.h"
#include "profiles/ini_section_reader.h"

namespace morvane::app {

inline constexpr const char* kSavedListFormat = "morvane-file-list";
inline constexpr int kSavedListVersion = 1;

// A profile as rows share it: where it came from and the keys of its file.
struct SavedProfile {
    std::string name;
    std::string path;
    profiles::StringMap mainKeys;
    profiles::StringMap parameterKeys;

    bool operator==(const SavedProfile&) const = default;
};

// One row: its check box, cells, profile with the settings edited for it, and the facts probed from
// its source (so it comes back without reading the file again).
struct SavedRow {
    std::string sourcePath;
    bool checked = true;
    std::string target;
    std::string start;
    std::string end;
    std::string status;
    int profile = -1; // index in SavedList::profiles; -1 for a row without a profile
    // Settings whose value differs from the profile file's, by option name, in the profile's order.
    std::vector<std::pair<std::string, std::string>> settings;

    double duration = 0.0;
    double sourceFrameRate = 0.0;
    double sourceAudioBitrate = 0.0;
    double sourceSampleRate = 0.0;
    std::int32_t sourceVideoBitrate = 0;
    std::int32_t sourceWidth = 0;
    std::int32_t sourceHeight = 0;
    std::int32_t sourceChannels = 0;
    std::int32_t hasVideo = 0;
    std::int32_t hasAudio = 0;
    std::int32_t useFrameServer = 0;
    std::int32_t targetCode = 0;

    bool operator==(const SavedRow&) const = default;
};

struct SavedList {
    bool open = false;
    std::vector<std::shared_ptr<const SavedProfile>> profiles;
    std::vector<SavedRow> rows;
};

// Takes snapshots of a file list. Rows that share a profile file share one SavedProfile; what a
// profile file's settings are is worked out once and remembered between snapshots, so a snapshot of
// a long list costs little more than copying its cells.
class ListSnapshotter {
public:
    SavedList snapshot(const FileList& rows, bool open);
    // Profile objects may have gone (rows removed, a row given another profile): a later one may take a
    // gone one's address, so what was known by address is forgotten.
    void forgetProfiles() { m_known.clear(); }

private:
    struct Base {
        std::shared_ptr<const SavedProfile> saved;
        std::vector<std::string> values; // the file's value of each accepted setting, by slot
    };
    // The index of the base for `profile` in m_bases (and in the snapshot's profiles), made when new.
    std::size_t baseOf(const profiles::Profile& profile);
    std::size_t baseByKeys(const profiles::Profile& profile);

    std::vector<Base> m_bases;
    std::size_t m_lastBase = 0;
    // The base of each profile object met since the last forgetProfiles(), so a snapshot compares the
    // keys of a row's profile once, not at every save.
    std::unordered_map<const profiles::Profile*, std::size_t> m_known;
};

// The document's text.
std::string savedListText(const SavedList& list);

// Reads a document. Fails with the reason, in words for the user, when the text is no JSON or is cut
// short, when it is something other than a saved file list, or when a later version wrote it.
platform::Expected<SavedList> parseSavedList(std::string_view text);

// The rows a saved list gives back, and the sources left out because they are no longer there.
struct RestoredRows {
    std::vector<FileRow> rows;
    std::vector<std::string> missing;
};

// Makes the rows of `list` again, leaving out those whose source `exists` says is gone. A row that was
// "Completed" stays so and unchecked; a row that was waiting or converting is "Ready" and checked; a
// row that failed or was stopped keeps its status and check box.
RestoredRows restoreRows(const SavedList& list, const std::function<bool(const std::string&)>& exists);

// Writes saved lists to one file on a thread of its own, so that whoever hands them over never waits for
// the disk. Only the latest list handed over is written; a list whose text equals the one on disk is not
// written again. Each write replaces the file whole (platform::replaceFileDurably).
class ListWriter {
public:
    explicit ListWriter(std::string path);
    // Writes what is still pending, then ends the thread.
    ~ListWriter();
    ListWriter(const ListWriter&) = delete;
    ListWriter& operator=(const ListWriter&) = delete;

    // The list to write next, in place of any not yet written.
    void submit(SavedList list);
    // The file is to go (a list not yet written is dropped).
    void remove();
    // Waits until everything handed over is done.
    void flush();
    // Why the last write failed; nothing while writes succeed.
    std::optional<std::string> lastError();

    const std::string& path() const { return m_path; }

private:
    void run();

    std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::optional<SavedList> m_pending;
    bool m_removePending = false;
    bool m_busy = false;
    bool m_stopping = false;
    std::string m_lastText; // what the file holds, as this writer wrote it
    std::optional<std::string> m_lastError;
    std::thread m_thread; // last: it starts once the members it uses are there
};

// The Configure dialog's choice to keep the list for the next start after a clean exit, as config.ini
// holds it (key "KeepList" of section "Config", "TRUE" or "FALSE"; off when missing).
bool readKeepList(const std::string& configPath);
bool writeKeepList(const std::string& configPath, bool keep);

} // namespace morvane::app
