#include "app/saved_list.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <tuple>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "app/app_settings.h"
#include "platform/durable_file.h"
#include "platform/ini_file.h"
#include "platform/time_text.h"
#include "profiles/profile.h"

namespace morvane::app {

namespace {

using Json = nlohmann::ordered_json;

bool validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t point = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0U) == 0xC0U) {
            length = 2;
            point = c & 0x1FU;
        } else if ((c & 0xF0U) == 0xE0U) {
            length = 3;
            point = c & 0x0FU;
        } else if ((c & 0xF8U) == 0xF0U) {
            length = 4;
            point = c & 0x07U;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0U) != 0x80U) {
                return false;
            }
            point = (point << 6U) | (next & 0x3FU);
        }
        // Overlong forms, surrogates and points past the last one are no UTF-8.
        constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

Json textJson(const std::string& text) {
    if (validUtf8(text)) {
        return text;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4U];
        hex += kDigits[byte & 0x0FU];
    }
    return Json{{"bytes", hex}};
}

// What the document holds where it is broken, as thrown while it is read.
struct BadDocument {
    std::string reason;
};

std::string textOf(const Json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (!value.is_object() || !value.contains("bytes") || !value["bytes"].is_string()) {
        throw BadDocument{"a text in it has the wrong form"};
    }
    const auto hex = value["bytes"].get<std::string>();
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        throw BadDocument{"a text in it has the wrong form"};
    };
    if (hex.size() % 2 != 0) {
        throw BadDocument{"a text in it has the wrong form"};
    }
    std::string text;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        text += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
    }
    return text;
}

// A member of an object: `fallback` when it is missing, the document is broken when it has the wrong type.
template <typename T>
T member(const Json& object, const char* key, T fallback) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return fallback;
    }
    if constexpr (std::is_same_v<T, std::string>) {
        return textOf(*it);
    } else if constexpr (std::is_same_v<T, bool>) {
        if (!it->is_boolean()) {
            throw BadDocument{std::string("\"") + key + "\" is not true or false"};
        }
        return it->template get<bool>();
    } else {
        if (!it->is_number()) {
            throw BadDocument{std::string("\"") + key + "\" is not a number"};
        }
        return it->template get<T>();
    }
}

// The facts probed from a row's source, by their names in the file. The saved row and the job name
// them alike, so one list serves the snapshot, the file's writer and reader, and the restore.
constexpr std::array<const char*, 12> kFactNames{"duration",     "frameRate", "audioBitrate", "sampleRate",
                                                 "videoBitrate", "width",     "height",       "channels",
                                                 "video",        "audio",     "frameServer",  "targetCode"};

template <typename Row>
auto factsOf(Row& row) {
    return std::tie(row.duration, row.sourceFrameRate, row.sourceAudioBitrate, row.sourceSampleRate,
                    row.sourceVideoBitrate, row.sourceWidth, row.sourceHeight, row.sourceChannels,
                    row.hasVideo, row.hasAudio, row.useFrameServer, row.targetCode);
}

// Calls `visit(name, field)` for each fact of `row`, in the file's order.
template <typename Row, typename Visit>
void forEachFact(Row& row, Visit&& visit) {
    std::apply(
        [&visit](auto&... field) {
            std::size_t i = 0;
            (visit(kFactNames[i++], field), ...);
        },
        factsOf(row));
}

Json keysJson(const profiles::StringMap& keys) {
    Json object = Json::object();
    for (const auto& [key, value] : keys) {
        // Keys are the option names of a profile file; one that is no UTF-8 is kept in a pair list.
        if (!validUtf8(key)) {
            object["\x01bytes-keys"].push_back(Json::array({textJson(key), textJson(value)}));
            continue;
        }
        object[key] = textJson(value);
    }
    return object;
}

profiles::StringMap keysOf(const Json& object) {
    if (!object.is_object()) {
        throw BadDocument{"a profile's keys are not a list of names and values"};
    }
    profiles::StringMap keys;
    for (const auto& [key, value] : object.items()) {
        if (key == "\x01bytes-keys") {
            for (const auto& pair : value) {
                if (!pair.is_array() || pair.size() != 2) {
                    throw BadDocument{"a profile's keys are not a list of names and values"};
                }
                keys[textOf(pair[0])] = textOf(pair[1]);
            }
            continue;
        }
        keys[key] = textOf(value);
    }
    return keys;
}

std::shared_ptr<SavedProfile> profileOfEntry(const Json& entry) {
    if (!entry.is_object()) {
        throw BadDocument{"a profile in it is not a profile"};
    }
    auto profile = std::make_shared<SavedProfile>();
    profile->name = member<std::string>(entry, "name", {});
    profile->path = member<std::string>(entry, "path", {});
    profile->mainKeys = keysOf(entry.value("main", Json::object()));
    profile->parameterKeys = keysOf(entry.value("parameter", Json::object()));
    return profile;
}

SavedRow rowOfEntry(const Json& entry, std::size_t profileCount) {
    if (!entry.is_object()) {
        throw BadDocument{"a row in it is not a row"};
    }
    SavedRow row;
    row.sourcePath = member<std::string>(entry, "source", {});
    if (row.sourcePath.empty()) {
        throw BadDocument{"a row in it names no file"};
    }
    row.checked = member<bool>(entry, "checked", true);
    row.target = member<std::string>(entry, "target", {});
    row.start = member<std::string>(entry, "start", "00:00:00");
    row.end = member<std::string>(entry, "end", "00:00:00");
    row.status = member<std::string>(entry, "status", kStatusReady);
    row.profile = member<int>(entry, "profile", -1);
    if (row.profile < -1 || row.profile >= static_cast<int>(profileCount)) {
        throw BadDocument{"a row in it names a profile that is not there"};
    }
    for (const auto& pair : entry.value("settings", Json::array())) {
        if (!pair.is_array() || pair.size() != 2) {
            throw BadDocument{"a row's settings are not names and values"};
        }
        row.settings.emplace_back(textOf(pair[0]), textOf(pair[1]));
    }
    const Json& facts = entry.value("facts", Json::object());
    forEachFact(row, [&facts](const char* name, auto& value) {
        value = member<std::decay_t<decltype(value)>>(facts, name, {});
    });
    return row;
}

} // namespace

std::size_t ListSnapshotter::baseOf(const profiles::Profile& profile) {
    if (const auto known = m_known.find(&profile); known != m_known.end()) {
        return known->second;
    }
    const std::size_t base = baseByKeys(profile);
    m_known.emplace(&profile, base);
    return base;
}

std::size_t ListSnapshotter::baseByKeys(const profiles::Profile& profile) {
    const auto same = [&](const Base& base) {
        const SavedProfile& saved = *base.saved;
        return saved.name == profile.name && saved.path == profile.path &&
               saved.mainKeys == profile.mainKeys && saved.parameterKeys == profile.parameterKeys;
    };
    if (m_lastBase < m_bases.size() && same(m_bases[m_lastBase])) {
        return m_lastBase;
    }
    for (std::size_t i = 0; i < m_bases.size(); ++i) {
        if (same(m_bases[i])) {
            return m_lastBase = i;
        }
    }
    auto saved = std::make_shared<SavedProfile>(
        SavedProfile{profile.name, profile.path, profile.mainKeys, profile.parameterKeys});
    profiles::Profile fresh;
    profiles::buildProfile(saved->path, saved->name, saved->mainKeys, saved->parameterKeys, fresh);
    Base base;
    base.saved = std::move(saved);
    for (const auto& param : fresh.params) {
        base.values.push_back(param.value);
    }
    m_bases.push_back(std::move(base));
    return m_lastBase = m_bases.size() - 1;
}

SavedList ListSnapshotter::snapshot(const FileList& rows, bool open) {
    SavedList list;
    list.open = open;
    list.rows.reserve(static_cast<std::size_t>(rows.rowCount()));
    // Indexes of the bases the snapshot uses, in the order rows first use them.
    std::vector<int> used(m_bases.size(), -1);
    for (int i = 0; i < rows.rowCount(); ++i) {
        const FileRow& row = rows.row(i);
        SavedRow& saved = list.rows.emplace_back();
        saved.checked = row.checked;
        saved.target = row.cells[kColumnTarget];
        saved.start = row.cells[kColumnStart];
        saved.end = row.cells[kColumnEnd];
        // A row whose conversion was under way is one still to convert.
        saved.status = row.progress ? std::string(kStatusReady) : row.cells[kColumnStatus];
        if (const engine::ConversionJob* job = row.job.get()) {
            saved.sourcePath = job->sourcePath.str();
            factsOf(saved) = factsOf(*job);
        }
        if (!row.profile) {
            continue;
        }
        const profiles::Profile& profile = *row.profile;
        const std::size_t base = baseOf(profile);
        used.resize(m_bases.size(), -1);
        if (used[base] < 0) {
            used[base] = static_cast<int>(list.profiles.size());
            list.profiles.push_back(m_bases[base].saved);
        }
        saved.profile = used[base];
        const auto& values = m_bases[base].values;
        const std::size_t accepted = std::min(profile.params.size(), values.size());
        for (std::size_t slot = 0; slot < accepted; ++slot) {
            const auto& param = profile.params[slot];
            if (param.value != values[slot]) {
                saved.settings.emplace_back(param.name, param.value);
            }
        }
    }
    return list;
}

std::string savedListText(const SavedList& list) {
    Json document{{"format", kSavedListFormat}, {"version", kSavedListVersion}, {"open", list.open}};
    Json& profileArray = document["profiles"] = Json::array();
    for (const auto& profile : list.profiles) {
        profileArray.push_back(Json{{"name", textJson(profile->name)},
                                    {"path", textJson(profile->path)},
                                    {"main", keysJson(profile->mainKeys)},
                                    {"parameter", keysJson(profile->parameterKeys)}});
    }
    Json& rowArray = document["rows"] = Json::array();
    for (const auto& row : list.rows) {
        Json entry{{"source", textJson(row.sourcePath)},
                   {"checked", row.checked},
                   {"target", textJson(row.target)},
                   {"start", textJson(row.start)},
                   {"end", textJson(row.end)},
                   {"status", textJson(row.status)},
                   {"profile", row.profile}};
        if (!row.settings.empty()) {
            Json settings = Json::array();
            for (const auto& [name, value] : row.settings) {
                settings.push_back(Json::array({textJson(name), textJson(value)}));
            }
            entry["settings"] = std::move(settings);
        }
        Json facts = Json::object();
        forEachFact(row, [&facts](const char* name, const auto& value) { facts[name] = value; });
        entry["facts"] = std::move(facts);
        rowArray.push_back(std::move(entry));
    }
    return document.dump(1, '\t') + "\n";
}

platform::Expected<SavedList> parseSavedList(std::string_view text) {
    Json document;
    try {
        document = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& error) {
        // Running out of text is what a write cut short by a crash or a full disk leaves.
        if (error.byte >= text.size()) {
            return platform::Failure{"it is cut short"};
        }
        return platform::Failure{"it is not readable (" + std::string(error.what()) + ")"};
    }
    if (!document.is_object() || !document.contains("format") || document["format"] != kSavedListFormat) {
        return platform::Failure{"it is not a saved file list"};
    }
    try {
        const auto version = member<long long>(document, "version", 0);
        if (version > kSavedListVersion) {
            return platform::Failure{"a later version of the program wrote it (version " +
                                     std::to_string(version) + ")"};
        }
        if (version < 1) {
            return platform::Failure{"it has no version this program knows"};
        }
        SavedList list;
        list.open = member<bool>(document, "open", false);
        const Json& profileArray = document.value("profiles", Json::array());
        const Json& rowArray = document.value("rows", Json::array());
        if (!profileArray.is_array() || !rowArray.is_array()) {
            return platform::Failure{"its profiles or rows are not lists"};
        }
        for (const auto& entry : profileArray) {
            list.profiles.push_back(profileOfEntry(entry));
        }
        for (const auto& entry : rowArray) {
            list.rows.push_back(rowOfEntry(entry, list.profiles.size()));
        }
        return list;
    } catch (const BadDocument& bad) {
        return platform::Failure{"it is damaged: " + bad.reason};
    } catch (const Json::exception& error) {
        return platform::Failure{"it is damaged: " + std::string(error.what())};
    }
}

RestoredRows restoreRows(const SavedList& list, const std::function<bool(const std::string&)>& exists) {
    RestoredRows restored;
    // Each profile is rebuilt once; its rows take copies.
    std::vector<std::unique_ptr<profiles::Profile>> bases;
    for (const auto& saved : list.profiles) {
        auto profile = std::make_unique<profiles::Profile>();
        profiles::buildProfile(saved->path, saved->name, saved->mainKeys, saved->parameterKeys, *profile);
        bases.push_back(std::move(profile));
    }
    restored.rows.reserve(list.rows.size());
    for (const auto& saved : list.rows) {
        if (saved.sourcePath.size() >= engine::kJobPathCapacity || !exists(saved.sourcePath)) {
            restored.missing.push_back(saved.sourcePath);
            continue;
        }
        FileRow row;
        auto job = std::make_unique<engine::ConversionJob>();
        job->sourcePath = saved.sourcePath;
        factsOf(*job) = factsOf(saved);
        if (saved.profile >= 0) {
            row.profile =
                std::make_unique<profiles::Profile>(*bases[static_cast<std::size_t>(saved.profile)]);
            for (const auto& [name, value] : saved.settings) {
                if (auto* param = row.profile->findParam(name)) {
                    param->value = value;
                }
            }
            job->profile = row.profile.get();
        }
        row.job = std::move(job);
        row.cells[kColumnFile] = platform::fileNameOfPath(saved.sourcePath).value_or(std::string());
        row.cells[kColumnTarget] = saved.target;
        row.cells[kColumnStart] = saved.start;
        row.cells[kColumnEnd] = saved.end;
        if (saved.status == kStatusCompleted) {
            row.cells[kColumnStatus] = kStatusCompleted;
            row.checked = false;
        } else if (saved.status == kStatusFail || saved.status == kStatusAbort) {
            row.cells[kColumnStatus] = saved.status;
            row.checked = saved.checked;
        } else {
            row.cells[kColumnStatus] = kStatusReady;
            row.checked = saved.checked;
        }
        restored.rows.push_back(std::move(row));
    }
    return restored;
}

ListWriter::ListWriter(std::string path) : m_path(std::move(path)), m_thread([this] { run(); }) {}

ListWriter::~ListWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void ListWriter::submit(SavedList list) {
    {
        const std::lock_guard lock(m_mutex);
        m_pending = std::move(list);
        m_removePending = false;
    }
    m_wake.notify_all();
}

void ListWriter::remove() {
    {
        const std::lock_guard lock(m_mutex);
        m_pending.reset();
        m_removePending = true;
    }
    m_wake.notify_all();
}

void ListWriter::flush() {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_pending && !m_removePending && !m_busy; });
}

std::optional<std::string> ListWriter::lastError() {
    const std::lock_guard lock(m_mutex);
    return m_lastError;
}

void ListWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_pending || m_removePending; });
        if (!m_pending && !m_removePending) {
            return; // stopping with nothing left to do
        }
        std::optional<SavedList> list = std::move(m_pending);
        m_pending.reset();
        const bool removing = m_removePending;
        m_removePending = false;
        m_busy = true;
        lock.unlock();

        std::optional<std::string> error;
        bool written = false;
        std::string text;
        if (removing) {
            if (::unlink(m_path.c_str()) != 0 && errno != ENOENT) {
                error = "cannot remove \"" + m_path + "\": " + std::strerror(errno);
            }
        } else {
            try {
                text = savedListText(*list);
            } catch (const std::exception& failure) {
                error = std::string("cannot make the list's text: ") + failure.what();
                text = m_lastText;
            }
            if (!error && text != m_lastText) {
                const auto result = platform::replaceFileDurably(m_path, text);
                written = result.hasValue();
                if (!written) {
                    error = result.error();
                }
            }
        }

        lock.lock();
        if (removing) {
            m_lastText.clear();
        } else if (written) {
            m_lastText = std::move(text);
        }
        m_lastError = std::move(error);
        m_busy = false;
        m_done.notify_all();
    }
}

bool readKeepList(const std::string& configPath) {
    const auto value = platform::iniReadString(configPath, kConfigSection, "KeepList", "", 8);
    return ::strcasecmp(value.c_str(), "TRUE") == 0;
}

bool writeKeepList(const std::string& configPath, bool keep) {
    return platform::iniWriteString(configPath, kConfigSection, "KeepList", keep ? "TRUE" : "FALSE");
}

} // namespace morvane::app
