// Whole INI files: what the reader finds, that line ends and a byte-order mark change nothing, and that a
// write gives the value back while every other key and line stays as it was.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fixed_text.h"
#include "platform/ini_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

namespace {

using platform::IniFile;

constexpr std::string_view kBlanks = " \t\r\n\f\v";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

std::string raised(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return out;
}

// The first section of each name with its keys (first of each name), read by the documented rules
// independently of the reader under test.
struct ModelSection {
    std::string name;
    std::vector<IniFile::Entry> entries;
};

std::vector<ModelSection> modelOf(std::string_view text) {
    if (text.substr(0, kBom.size()) == kBom) {
        text.remove_prefix(kBom.size());
    }
    std::vector<ModelSection> sections;
    ModelSection* current = nullptr;
    bool currentIsFirst = false;
    for (const auto& raw : splitAtLineFeeds(text)) {
        const auto content = trimmed(raw);
        if (content.empty() || content.front() == ';' || content.front() == '#') {
            continue;
        }
        if (content.front() == '[') {
            const auto close = content.find(']');
            if (close == std::string_view::npos) {
                continue;
            }
            const std::string name(trimmed(content.substr(1, close - 1)));
            const auto it = std::find_if(sections.begin(), sections.end(), [&](const ModelSection& s) {
                return lowered(s.name) == lowered(name);
            });
            currentIsFirst = it == sections.end();
            if (currentIsFirst) {
                sections.push_back(ModelSection{name, {}});
                current = &sections.back();
            }
            continue;
        }
        const auto eq = content.find('=');
        if (eq == std::string_view::npos || current == nullptr || !currentIsFirst) {
            continue;
        }
        const std::string key(trimmed(content.substr(0, eq)));
        std::string_view value = trimmed(content.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        const bool seen =
            std::any_of(current->entries.begin(), current->entries.end(),
                        [&](const IniFile::Entry& e) { return lowered(e.key) == lowered(key); });
        if (!key.empty() && !seen) {
            current->entries.push_back(IniFile::Entry{key, std::string(value)});
        }
    }
    return sections;
}

std::string describe(const std::vector<IniFile::Entry>& entries) {
    std::string out;
    for (const auto& e : entries) {
        out += shown(e.key) + "=" + shown(e.value) + " ";
    }
    return out;
}

bool sameEntries(const std::vector<IniFile::Entry>& a, const std::vector<IniFile::Entry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const IniFile::Entry& x, const IniFile::Entry& y) {
                          return x.key == y.key && x.value == y.value;
                      });
}

void checkSameDocument(const IniFile& expected, const IniFile& actual, const std::vector<ModelSection>& model,
                       const char* what) {
    for (const auto& section : model) {
        MORVANE_FUZZ_CHECK(actual.hasSection(section.name),
                           std::string(what) + ": section " + shown(section.name));
        MORVANE_FUZZ_CHECK(sameEntries(expected.entries(section.name), actual.entries(section.name)),
                           std::string(what) + ": section " + shown(section.name) + " was " +
                               describe(expected.entries(section.name)) + " is " +
                               describe(actual.entries(section.name)));
    }
}

void checkReading(std::string_view text, const IniFile& file, const std::vector<ModelSection>& model) {
    for (const auto& section : model) {
        MORVANE_FUZZ_CHECK(file.hasSection(section.name), shown(section.name));
        MORVANE_FUZZ_CHECK(file.hasSection(raised(section.name)), shown(section.name));
        MORVANE_FUZZ_CHECK(file.hasSection(" " + section.name + "\t"), shown(section.name));
        const auto entries = file.entries(section.name);
        MORVANE_FUZZ_CHECK(sameEntries(entries, section.entries),
                           "section " + shown(section.name) + " read " + describe(entries) + " expected " +
                               describe(section.entries));
        const auto names = file.keyNames(section.name);
        MORVANE_FUZZ_CHECK(names.size() == entries.size(), shown(section.name));
        for (const auto& entry : entries) {
            MORVANE_FUZZ_CHECK(!entry.key.empty() && trimmed(entry.key) == entry.key, shown(entry.key));
            MORVANE_FUZZ_CHECK(entry.key.find_first_of("=\n") == std::string::npos, shown(entry.key));
            MORVANE_FUZZ_CHECK(entry.value.find('\n') == std::string::npos, shown(entry.value));
            MORVANE_FUZZ_CHECK(file.value(section.name, raised(entry.key)) == entry.value, shown(entry.key));
        }
    }

    // Windows line ends and a byte-order mark leave the reading unchanged.
    std::string crlf;
    for (const char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    checkSameDocument(file, IniFile::parse(crlf), model, "with CRLF line ends");
    if (text.substr(0, kBom.size()) != kBom) {
        checkSameDocument(file, IniFile::parse(std::string(kBom) + std::string(text)), model, "with a BOM");
    }
}

// The write must give the value back, leave every other key alone and keep every other line byte for byte.
void checkWrite(std::string_view text, const IniFile& before, const std::vector<ModelSection>& model,
                std::uint8_t choice) {
    std::string section = "Fuzz Section";
    const ModelSection* existing = nullptr;
    if ((choice & 3U) != 2 && !model.empty()) {
        existing = &model[(choice >> 2U) % model.size()];
        section = (choice & 3U) == 3 ? "  " + raised(existing->name) + " " : existing->name;
    }
    std::string key = "NewKey";
    if (existing != nullptr && !existing->entries.empty() && ((choice >> 4U) & 3U) != 2) {
        const auto& entry = existing->entries[(choice >> 2U) % existing->entries.size()];
        key = ((choice >> 4U) & 3U) == 3 ? raised(entry.key) : entry.key;
    }
    std::string value;
    switch (choice >> 6U) {
    case 0: {
        const auto lines = splitAtLineFeeds(text);
        value = lines.empty() ? "" : lines.back();
        value.erase(std::remove(value.begin(), value.end(), '\r'), value.end());
        break;
    }
    case 1:
        break;
    case 2:
        value = "  \"quoted value\"  ";
        break;
    default:
        value = "v=1;#x [y]";
        break;
    }

    const auto updated = platform::iniReplaceValue(text, section, key, value);
    const auto sectionName = trimmed(section);
    const auto keyName = trimmed(key);
    const bool acceptable = !sectionName.empty() && sectionName.find_first_of("\r\n]") == std::string::npos &&
                            !keyName.empty() && keyName.find_first_of("\r\n=") == std::string::npos &&
                            keyName.front() != '[' && keyName.front() != ';' && keyName.front() != '#';
    MORVANE_FUZZ_CHECK(updated.has_value() == acceptable,
                       "section " + shown(section) + " key " + shown(key) + " value " + shown(value));
    if (!updated) {
        return;
    }
    MORVANE_FUZZ_CHECK(updated->size() <= text.size() + section.size() + key.size() + value.size() + 12,
                       shown(*updated));

    const auto after = IniFile::parse(*updated);
    const auto expectedValue = IniFile::parse("[s]\nk=" + value).value("s", "k");
    MORVANE_FUZZ_CHECK(after.value(section, key) == expectedValue,
                       "wrote " + shown(value) + " to " + shown(section) + "/" + shown(key) + " in " +
                           shown(text) + " giving " + shown(*updated));

    // The section written to: the same keys in the same order, the written one replaced or added last.
    auto expectedEntries = before.entries(section);
    const auto same =
        std::find_if(expectedEntries.begin(), expectedEntries.end(),
                     [&](const IniFile::Entry& e) { return lowered(e.key) == lowered(keyName); });
    if (same != expectedEntries.end()) {
        *same = IniFile::Entry{std::string(keyName), *expectedValue};
    } else {
        expectedEntries.push_back(IniFile::Entry{std::string(keyName), *expectedValue});
    }
    MORVANE_FUZZ_CHECK(sameEntries(after.entries(section), expectedEntries),
                       "section " + shown(section) + " is " + describe(after.entries(section)) +
                           " expected " + describe(expectedEntries) + " text " + shown(*updated));
    for (const auto& other : model) {
        if (lowered(other.name) != lowered(sectionName)) {
            MORVANE_FUZZ_CHECK(sameEntries(after.entries(other.name), before.entries(other.name)),
                               "section " + shown(other.name) + " changed by writing " + shown(section));
        }
    }

    // Apart from one line replaced, or the lines added (a section header, the key and line ends), the lines
    // stand as they stood.
    const bool newSection = !before.hasSection(section);
    // A line end added after a last line that had none may be CRLF: lines compare without CRs at their end.
    const auto linesOf = [](std::string_view all) {
        auto lines = splitAtLineFeeds(all);
        for (auto& line : lines) {
            while (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
        }
        return lines;
    };
    const auto oldLines = linesOf(text);
    const auto newLines = linesOf(*updated);
    std::size_t prefix = 0;
    while (prefix < oldLines.size() && prefix < newLines.size() && oldLines[prefix] == newLines[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix + prefix < oldLines.size() && suffix + prefix < newLines.size() &&
           oldLines[oldLines.size() - 1 - suffix] == newLines[newLines.size() - 1 - suffix]) {
        ++suffix;
    }
    MORVANE_FUZZ_CHECK(oldLines.size() - prefix - suffix <= 1 &&
                           newLines.size() - prefix - suffix <= (newSection ? 3U : 2U),
                       shown(text) + " became " + shown(*updated));
}

// The file-based reads: values cut to the caller's buffer, key lists cut to the list's bytes.
void checkFileReads(std::string_view text, const IniFile& file, const std::vector<ModelSection>& model,
                    std::uint8_t choice) {
    const auto path = writeScratchFile("fuzz.ini", text);
    const std::string section = model.empty() ? "Main" : model[choice % model.size()].name;
    const std::size_t bufferSize = choice % 40U;
    const auto names = file.keyNames(section);
    const std::string key = names.empty() ? "Name" : names[(choice >> 3U) % names.size()];
    const std::string fallback = " default \xC3\xA9 ";

    const auto read = platform::iniReadString(path, section, key, fallback, bufferSize);
    const auto stored = file.value(section, key);
    const std::string_view whole = stored ? std::string_view(*stored) : trimmed(fallback);
    const std::string_view expected =
        bufferSize == 0 ? std::string_view() : platform::utf8Prefix(whole, bufferSize - 1);
    MORVANE_FUZZ_CHECK(read == expected, shown(read) + " expected " + shown(expected));
    MORVANE_FUZZ_CHECK(bufferSize == 0 || read.size() < bufferSize, shown(read));

    const std::size_t listBytes = choice % 64U;
    const auto listed = platform::iniReadKeyNames(path, section, listBytes);
    std::size_t used = 1;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        used += listed[i].size() + 1;
        MORVANE_FUZZ_CHECK(i < names.size(), shown(listed));
        const bool whole = listed[i] == names[i];
        const bool cutLast = i + 1 == listed.size() && names[i].compare(0, listed[i].size(), listed[i]) == 0;
        MORVANE_FUZZ_CHECK(whole || cutLast, shown(listed) + " from " + shown(names));
    }
    MORVANE_FUZZ_CHECK(listed.empty() || used <= listBytes, shown(listed));
    std::size_t needed = 1;
    for (const auto& name : names) {
        needed += name.size() + 1;
    }
    if (needed <= listBytes) {
        MORVANE_FUZZ_CHECK(listed == names, shown(listed) + " from " + shown(names));
    }
}

} // namespace

void fuzzIniFile(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t writeChoice = input.takeByte();
    const std::uint8_t fileChoice = input.takeByte();
    const std::string_view text = input.rest();

    const auto file = IniFile::parse(text);
    const auto model = modelOf(text);
    checkReading(text, file, model);
    checkWrite(text, file, model, writeChoice);
    if ((fileChoice & 0x80U) != 0) {
        checkFileReads(text, file, model, fileChoice);
    }
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzIniFile)
