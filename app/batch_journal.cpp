#include "app/batch_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <nlohmann/json.hpp>

#include "platform/fd_io.h"
#include "platform/file_identity.h"
#include "platform/translation.h"
#include "profiles/profile.h"

namespace morvane::app {

namespace {

using Json = nlohmann::ordered_json;

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// 64-bit FNV-1a, as sixteen hexadecimal digits.
class Fingerprint {
public:
    void add(std::string_view text) {
        for (const char c : text) {
            m_hash = (m_hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
        }
        // A separator that no text holds keeps "ab"+"c" apart from "a"+"bc".
        m_hash = (m_hash ^ 0x1FFU) * 0x100000001b3ULL;
    }
    std::string text() const {
        char out[17];
        std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(m_hash));
        return out;
    }

private:
    std::uint64_t m_hash = 0xcbf29ce484222325ULL;
};

bool outputStillThere(const std::string& output) {
    struct stat st {};
    return !output.empty() && ::stat(output.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

} // namespace

std::string settingsFingerprint(const profiles::Profile& profile) {
    Fingerprint print;
    print.add(profile.Format);
    print.add(profile.ExtName);
    print.add(profile.MediaType);
    print.add(std::to_string(profile.QALevel));
    for (const auto& param : profile.chain()) {
        print.add(param.name);
        print.add(param.value);
    }
    return print.text();
}

std::optional<JournalKey> journalKeyFor(const std::string& source, const profiles::Profile& profile,
                                        const std::string& profileName, const std::string& start,
                                        const std::string& end, const std::string& outputFolder) {
    const auto version = platform::fileVersion(source);
    if (!version) {
        return std::nullopt;
    }
    return JournalKey{source, version->size, version->modifiedNs, profileName, settingsFingerprint(profile),
                      start,  end,           outputFolder};
}

std::string journalLine(const JournalEntry& entry) {
    const JournalKey& key = entry.key;
    const Json line{{"journal", kJournalName},
                    {"version", kJournalVersion},
                    {"time", utcNow()},
                    {"source", key.source},
                    {"size", key.size},
                    {"modified", key.modifiedNs},
                    {"profile", key.profile},
                    {"settings", key.settings},
                    {"start", key.start},
                    {"end", key.end},
                    {"output_folder", key.outputFolder},
                    {"status", entry.status},
                    {"output", entry.output},
                    {"seconds", entry.seconds},
                    {"reason", entry.reason}};
    // File names may be any bytes: those that are no UTF-8 are written with replacement characters,
    // and such a line never matches a later run's key, so that file is converted again.
    return line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<JournalEntry> parseJournalLine(std::string_view line) {
    const Json value = Json::parse(line.begin(), line.end(), nullptr, false);
    if (!value.is_object() || value.value("journal", std::string()) != kJournalName ||
        value.value("version", 0) != kJournalVersion) {
        return std::nullopt;
    }
    try {
        JournalEntry entry;
        JournalKey& key = entry.key;
        key.source = value.at("source").get<std::string>();
        key.size = value.at("size").get<std::int64_t>();
        key.modifiedNs = value.at("modified").get<std::int64_t>();
        key.profile = value.at("profile").get<std::string>();
        key.settings = value.at("settings").get<std::string>();
        key.start = value.at("start").get<std::string>();
        key.end = value.at("end").get<std::string>();
        key.outputFolder = value.at("output_folder").get<std::string>();
        entry.status = value.at("status").get<std::string>();
        entry.output = value.at("output").get<std::string>();
        entry.seconds = value.value("seconds", 0.0);
        entry.reason = value.value("reason", std::string());
        return entry;
    } catch (const Json::exception&) {
        return std::nullopt;
    }
}

platform::Expected<BatchJournal> BatchJournal::open(const std::string& path) {
    BatchJournal journal;
    journal.m_path = path;
    journal.m_fd.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644));
    if (!journal.m_fd.valid()) {
        return platform::Failure{
            platform::withArguments(platform::translate("BatchJournal", "cannot open the journal \"%1\": %2"),
                                    {path, std::strerror(errno)})};
    }
    struct stat st {};
    if (::fstat(journal.m_fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return platform::Failure{platform::withArguments(
            platform::translate("BatchJournal", "the journal \"%1\" is not a regular file"), {path})};
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got =
            ::pread(journal.m_fd.get(), buffer, sizeof buffer, static_cast<off_t>(text.size()));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return platform::Failure{platform::withArguments(
                platform::translate("BatchJournal", "cannot read the journal \"%1\": %2"),
                {path, std::strerror(errno)})};
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    std::size_t at = 0;
    bool first = true;
    while (at < text.size()) {
        const auto end = text.find('\n', at);
        const bool whole = end != std::string::npos;
        const std::string_view line(text.data() + at, (whole ? end : text.size()) - at);
        at = whole ? end + 1 : text.size();
        const auto entry = parseJournalLine(line);
        if (first && !entry && whole) {
            // Someone's own file given by mistake: it is not ours to write into.
            return platform::Failure{platform::withArguments(
                platform::translate("BatchJournal",
                                    "\"%1\" is not a journal of morvane-batch; it is left as it is"),
                {path})};
        }
        first = false;
        if (!entry) {
            ++journal.m_unreadLines;
            continue;
        }
        journal.m_last[entry->key.source] = *entry;
    }
    journal.m_needsLineFeed = !text.empty() && text.back() != '\n';
    return journal;
}

BatchJournal::BatchJournal(BatchJournal&& other) noexcept
    : m_path(std::move(other.m_path)), m_fd(std::move(other.m_fd)), m_last(std::move(other.m_last)),
      m_unreadLines(other.m_unreadLines), m_needsLineFeed(other.m_needsLineFeed) {}

std::optional<JournalEntry> BatchJournal::completed(const JournalKey& key) const {
    const auto it = m_last.find(key.source);
    if (it == m_last.end() || it->second.status != "Completed" || !(it->second.key == key) ||
        !outputStillThere(it->second.output)) {
        return std::nullopt;
    }
    return it->second;
}

platform::Expected<void> BatchJournal::record(const JournalEntry& entry) {
    const std::lock_guard lock(m_mutex);
    // The line a crash cut short stays a line of its own.
    const std::string line = (m_needsLineFeed ? std::string("\n") : std::string()) + journalLine(entry);
    if (!platform::writeAll(m_fd.get(), line) || ::fsync(m_fd.get()) != 0) {
        return platform::Failure{platform::withArguments(
            platform::translate("BatchJournal", "cannot write the journal \"%1\": %2"),
            {m_path, std::strerror(errno)})};
    }
    m_needsLineFeed = false;
    m_last[entry.key.source] = entry;
    return {};
}

} // namespace morvane::app
