#pragma once

// The journal of morvane-batch --journal FILE: one JSON line per file as its conversion ends, flushed to
// disk before the next, so that a batch cut off at any point (a crash, a killed job, a power cut) can be
// run again with the same journal and converts only what is not done yet:
//   {"journal": "morvane-batch", "version": 1, "time": "2026-12-07T23:50:12Z", "source": "/clips/a.mp4",
//    "size": 1048576, "modified": 1765150000123456789, "profile": "MP4 Video", "settings": "9c1d...",
//    "start": "", "end": "", "output_folder": "/out", "status": "Completed",
//    "output": "/out/a.mp4", "seconds": 12.5, "reason": ""}
// A file counts as done when its last line says "Completed" for the same source (same size and time of
// last change), the same profile with the same settings, the same cut and output folder, and the output
// it names is still there and not empty.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/expected.h"
#include "platform/unique_fd.h"

namespace morvane::profiles {
struct Profile;
} // namespace morvane::profiles

namespace morvane::app {

inline constexpr const char* kJournalName = "morvane-batch";
inline constexpr int kJournalVersion = 1;

// What makes two conversions of a file the same conversion.
struct JournalKey {
    std::string source; // absolute path
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::string profile;  // the profile's name in the catalogue
    std::string settings; // settingsFingerprint of the profile
    std::string start;    // the cut, empty when none
    std::string end;
    std::string outputFolder;

    bool operator==(const JournalKey&) const = default;
};

// One line of the journal.
struct JournalEntry {
    JournalKey key;
    std::string status; // "Completed", "Fail" or "Abort"
    std::string output; // the converted file; empty when none was made
    double seconds = 0.0;
    std::string reason;
};

// A short text that changes whenever a setting that reaches the converter changes: the profile's
// Format, ExtName, MediaType, QALevel and every accepted setting's name and value.
std::string settingsFingerprint(const profiles::Profile& profile);

// The key of a conversion of the file at `source`; nothing when the file cannot be examined.
std::optional<JournalKey> journalKeyFor(const std::string& source, const profiles::Profile& profile,
                                        const std::string& profileName, const std::string& start,
                                        const std::string& end, const std::string& outputFolder);

// One line of the journal for `entry`, ending with a line feed.
std::string journalLine(const JournalEntry& entry);
// The entry a line holds; nothing for a line of another kind or version, or one cut short.
std::optional<JournalEntry> parseJournalLine(std::string_view line);

class BatchJournal {
public:
    // Opens the journal at `path` for reading and appending, making it when missing. Refused (and left
    // untouched) when something is there that is no journal: a file whose first line is not one, a
    // folder, a named pipe.
    static platform::Expected<BatchJournal> open(const std::string& path);

    BatchJournal(BatchJournal&& other) noexcept;
    BatchJournal& operator=(BatchJournal&&) = delete;
    BatchJournal(const BatchJournal&) = delete;
    BatchJournal& operator=(const BatchJournal&) = delete;
    ~BatchJournal() = default;

    // The completed conversion the journal holds for `key` whose output is still there; nothing when
    // the file is still to be converted.
    std::optional<JournalEntry> completed(const JournalKey& key) const;

    // Appends one line and flushes it to disk; safe from several threads. Why not, when it could not.
    platform::Expected<void> record(const JournalEntry& entry);

    const std::string& path() const { return m_path; }
    // Lines that were no journal lines of this version (a line cut short by a crash among them).
    int unreadLines() const { return m_unreadLines; }

private:
    BatchJournal() = default;

    std::string m_path;
    platform::UniqueFd m_fd;
    std::map<std::string, JournalEntry, std::less<>> m_last; // by source: its last line
    int m_unreadLines = 0;
    bool m_needsLineFeed = false; // the file ends in a line cut short
    std::mutex m_mutex;
};

} // namespace morvane::app
