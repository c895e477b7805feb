// Profile files: one "Parameter" value, a choice list, and whole .pf files with the limits of the
// section reads (key lists of 16,384 bytes, values of 999 characters).

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fixed_text.h"
#include "platform/ini_file.h"
#include "platform/text_rules.h"
#include "profiles/ini_section_reader.h"
#include "profiles/option_table.h"
#include "profiles/profile.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

namespace {

using platform::trimBlanks;
using profiles::Profile;
using profiles::ProfileParam;

// A field as the file format defines it: double quotes read as blanks, blanks at both ends dropped.
std::string cleaned(std::string_view raw) {
    std::string field(raw);
    std::replace(field.begin(), field.end(), '"', ' ');
    return std::string(trimBlanks(field));
}

bool isCleanField(const std::string& field) {
    return field.find_first_of("\",") == std::string::npos && trimBlanks(field) == field;
}

void checkChoices(std::string_view inner, const std::vector<std::string>& items) {
    std::size_t bytes = 0;
    for (const auto& item : items) {
        MORVANE_FUZZ_CHECK(!item.empty() && trimBlanks(item) == item && item.find('"') == std::string::npos,
                           shown(items) + " from " + shown(inner));
        bytes += item.size();
    }
    MORVANE_FUZZ_CHECK(bytes <= inner.size(), shown(inner));
    if (inner.find('"') == std::string_view::npos) {
        std::vector<std::string> expected;
        std::string_view left = inner;
        for (;;) {
            const auto comma = left.find(',');
            if (const auto item = trimBlanks(left.substr(0, comma)); !item.empty()) {
                expected.emplace_back(item);
            }
            if (comma == std::string_view::npos) {
                break;
            }
            left.remove_prefix(comma + 1);
        }
        MORVANE_FUZZ_CHECK(items == expected, shown(items) + " expected " + shown(expected));
    }
    // Written back with every item quoted, the list reads the same.
    std::string written = "(";
    for (const auto& item : items) {
        written += "\"" + item + "\",";
    }
    const auto again = profiles::splitChoiceList(std::string_view(written).substr(1));
    MORVANE_FUZZ_CHECK(again == items, shown(again) + " from " + shown(written));
}

void checkParam(std::string_view key, std::string_view raw) {
    ProfileParam param;
    param.name = "untouched";
    param.value = "kept";
    const bool accepted = profiles::parseProfileParam(key, raw, param);
    const auto commas = static_cast<std::size_t>(std::count(raw.begin(), raw.end(), ','));
    MORVANE_FUZZ_CHECK(accepted == (!key.empty() && !raw.empty() && commas >= 2),
                       shown(key) + " = " + shown(raw));
    if (!accepted) {
        MORVANE_FUZZ_CHECK(param.name == "untouched" && param.value == "kept" && param.choices.empty(),
                           shown(key) + " = " + shown(raw));
        return;
    }

    const auto& def = profiles::find(key);
    MORVANE_FUZZ_CHECK(param.name == key && param.kind == def.kind && param.id == def.id &&
                           param.flags == def.flags,
                       shown(key));
    MORVANE_FUZZ_CHECK(param.category == profiles::category(def.flags), shown(key));
    MORVANE_FUZZ_CHECK(param.label == profiles::displayLabel(def, key), shown(key));

    // The fields are the pieces between the first three commas; the rest is the choice list.
    const auto first = raw.find(',');
    const auto second = raw.find(',', first + 1);
    const auto third = raw.find(',', second + 1);
    MORVANE_FUZZ_CHECK(param.mark == cleaned(raw.substr(0, first)),
                       shown(param.mark) + " from " + shown(raw));
    MORVANE_FUZZ_CHECK(param.reserved == cleaned(raw.substr(first + 1, second - first - 1)),
                       shown(param.reserved) + " from " + shown(raw));
    const auto valueText =
        raw.substr(second + 1, third == std::string_view::npos ? std::string_view::npos : third - second - 1);
    MORVANE_FUZZ_CHECK(param.value == cleaned(valueText), shown(param.value) + " from " + shown(raw));
    for (const auto* field : {&param.mark, &param.reserved, &param.value}) {
        MORVANE_FUZZ_CHECK(isCleanField(*field), shown(*field) + " from " + shown(raw));
    }

    const auto rest =
        third == std::string_view::npos ? std::string_view() : trimBlanks(raw.substr(third + 1));
    if (param.isList() && !rest.empty()) {
        MORVANE_FUZZ_CHECK(param.choiceText == rest, shown(param.choiceText) + " from " + shown(raw));
        const auto inner = rest.size() >= 2 ? rest.substr(1, rest.size() - 2) : std::string_view();
        MORVANE_FUZZ_CHECK(param.choices == profiles::splitChoiceList(inner), shown(raw));
        checkChoices(inner, param.choices);
    } else {
        MORVANE_FUZZ_CHECK(param.choiceText.empty() && param.choices.empty(), shown(raw));
    }
    MORVANE_FUZZ_CHECK(param.isReadOnly() == (param.mark == "READONLY"), shown(param.mark));
}

bool sameParam(const ProfileParam& a, const ProfileParam& b) {
    return a.name == b.name && a.mark == b.mark && a.reserved == b.reserved && a.value == b.value &&
           a.choiceText == b.choiceText && a.choices == b.choices && a.kind == b.kind && a.id == b.id &&
           a.category == b.category && a.label == b.label && a.help == b.help && a.flags == b.flags;
}

// A section's keys as the reader must deliver them: all of them when the key list fits its 16,384
// bytes, values cut to 999 bytes.
void checkSection(const platform::IniFile& file, std::string_view section, const profiles::StringMap& read) {
    const auto entries = file.entries(section);
    std::size_t listBytes = 1;
    for (const auto& entry : entries) {
        listBytes += entry.key.size() + 1;
    }
    std::size_t readBytes = 1;
    for (const auto& [key, value] : read) {
        readBytes += key.size() + 1;
        MORVANE_FUZZ_CHECK(value.size() <= profiles::IniSectionReader::kValueChars, shown(key));
    }
    MORVANE_FUZZ_CHECK(readBytes <= profiles::IniSectionReader::kKeyListBytes, std::to_string(readBytes));
    if (listBytes <= profiles::IniSectionReader::kKeyListBytes) {
        MORVANE_FUZZ_CHECK(read.size() == entries.size(), std::string(section));
        for (const auto& entry : entries) {
            const auto it = read.find(entry.key);
            MORVANE_FUZZ_CHECK(it != read.end(), shown(entry.key));
            MORVANE_FUZZ_CHECK(it->second ==
                                   platform::utf8Prefix(entry.value, profiles::IniSectionReader::kValueChars),
                               shown(entry.key));
        }
    } else {
        // Names that did not fit are left out; the last one may be cut, and then it finds no value.
        MORVANE_FUZZ_CHECK(read.size() <= entries.size(), std::string(section));
        std::vector<std::string> names;
        for (const auto& entry : entries) {
            names.push_back(entry.key);
        }
        std::sort(names.begin(), names.end());
        for (const auto& pair : read) {
            const auto& key = pair.first;
            const auto it = std::lower_bound(names.begin(), names.end(), key);
            MORVANE_FUZZ_CHECK(it != names.end() && it->compare(0, key.size(), key) == 0, shown(key));
        }
    }
}

void checkProfile(const std::string& path, std::string_view text) {
    Profile profile;
    profile.name = "stale";
    profile.paramCount = 7;
    profiles::parseProfileFile(path, "Fuzzed profile", profile);
    MORVANE_FUZZ_CHECK(profile.path == path && profile.name == "Fuzzed profile", profile.name);

    const auto file = platform::IniFile::parse(text);
    checkSection(file, "Main", profile.mainKeys);
    checkSection(file, "Parameter", profile.parameterKeys);

    const auto mainValue = [&](const char* key) {
        const auto it = profile.mainKeys.find(std::string_view(key));
        return it == profile.mainKeys.end() ? std::string() : it->second;
    };
    MORVANE_FUZZ_CHECK(profile.SName == mainValue("SName") && profile.Format == mainValue("Format") &&
                           profile.ExtName == mainValue("ExtName") &&
                           profile.MediaType == mainValue("MediaType"),
                       shown(text));
    const auto level = profile.mainKeys.find(std::string_view("QALevel"));
    MORVANE_FUZZ_CHECK(profile.QALevel ==
                           (level == profile.mainKeys.end() ? -1 : platform::leadingInteger(level->second)),
                       std::to_string(profile.QALevel));
    MORVANE_FUZZ_CHECK(profile.targetText() == (profile.SName.empty() ? [&] {
                           std::string upper = profile.Format;
                           std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
                               return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
                           });
                           return upper;
                       }()
                                                                      : profile.SName),
                       profile.targetText());

    // Accepted entries fill the first slots in key order, exactly as the value parser reads them.
    MORVANE_FUZZ_CHECK(profile.params.size() == profile.parameterKeys.size(),
                       std::to_string(profile.params.size()));
    MORVANE_FUZZ_CHECK(
        profile.paramCount >= 0 && static_cast<std::size_t>(profile.paramCount) <= profile.params.size() &&
            profile.videoCount + profile.audioCount + profile.generalCount == profile.paramCount,
        std::to_string(profile.paramCount));
    std::size_t slot = 0;
    for (const auto& [key, raw] : profile.parameterKeys) {
        ProfileParam expected;
        if (profiles::parseProfileParam(key, raw, expected)) {
            MORVANE_FUZZ_CHECK(slot < static_cast<std::size_t>(profile.paramCount), shown(key));
            MORVANE_FUZZ_CHECK(sameParam(profile.params[slot], expected), shown(key) + " = " + shown(raw));
            ++slot;
        }
    }
    MORVANE_FUZZ_CHECK(slot == static_cast<std::size_t>(profile.paramCount), std::to_string(slot));
    for (std::size_t i = slot; i < profile.params.size(); ++i) {
        MORVANE_FUZZ_CHECK(profile.params[i].name.empty(), shown(profile.params[i].name));
    }

    // The chain visits every accepted entry once, in ascending id.
    std::set<const ProfileParam*> visited;
    const ProfileParam* previous = nullptr;
    for (const auto& param : profile.chain()) {
        const auto index = static_cast<std::size_t>(&param - profile.params.data());
        MORVANE_FUZZ_CHECK(index < static_cast<std::size_t>(profile.paramCount), std::to_string(index));
        MORVANE_FUZZ_CHECK(visited.insert(&param).second, shown(param.name));
        MORVANE_FUZZ_CHECK(previous == nullptr || previous->id <= param.id, shown(param.name));
        previous = &param;
    }
    MORVANE_FUZZ_CHECK(visited.size() == static_cast<std::size_t>(profile.paramCount),
                       std::to_string(visited.size()));
    MORVANE_FUZZ_CHECK((profile.firstParam == profiles::kNoParam) == (profile.paramCount == 0),
                       std::to_string(profile.firstParam));
    for (std::size_t i = 0; i < slot && i < 64; ++i) {
        const auto* found = profile.findParam(profile.params[i].name);
        MORVANE_FUZZ_CHECK(found != nullptr && found->name == profile.params[i].name,
                           shown(profile.params[i].name));
    }
}

// A "Parameter" section whose key names pass the 16,384 bytes of the key-list read by a few bytes.
std::string manyKeys(std::string_view seed, std::uint8_t extra) {
    std::string base;
    for (const char c : seed.substr(0, 24)) {
        if (c != '=' && c != '[' && c != ';' && c != '#' && c != '\n' && c != '\r') {
            base += c;
        }
    }
    // Long names reach the limit with few keys, which keeps the reads quick.
    base.resize(200, 'x');
    std::string text = "[Parameter]\n";
    std::size_t listBytes = 1;
    for (int i = 0; listBytes <= profiles::IniSectionReader::kKeyListBytes + extra; ++i) {
        const std::string key = "k" + std::to_string(i) + base;
        text += key + "=," + base + ",v" + std::to_string(i) + "\n";
        listBytes += key.size() + 1;
    }
    return text;
}

} // namespace

void fuzzProfile(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t mode = input.takeByte();
    // The mode: 0, 4 and 5 one value, 1 and 6 a choice list, 2 and 7 a whole file, 3 a file with a long
    // section (slow to read, so only when the high bits are clear too), else a whole file.
    const unsigned kind = mode & 7U;
    if (kind == 0 || kind == 4 || kind == 5) {
        const auto key = input.takeLine();
        checkParam(key, input.rest());
    } else if (kind == 1 || kind == 6) {
        const auto inner = input.rest();
        checkChoices(inner, profiles::splitChoiceList(inner));
    } else if (kind == 3 && (mode & 0xF0U) == 0) {
        const std::uint8_t extra = input.takeByte();
        const std::string text = manyKeys(input.rest(), extra) + std::string(input.rest());
        checkProfile(writeScratchFile("fuzz.pf", text), text);
    } else {
        const auto text = input.rest();
        checkProfile(writeScratchFile("fuzz.pf", text), text);
    }
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzProfile)
