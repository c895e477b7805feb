#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <unordered_set>

#include "platform/fd_io.h"
#include "platform/fixed_text.h"
#include "platform/text_rules.h"
#include "platform/unique_fd.h"

namespace morvane::platform {

namespace {

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// One physical line of the text, without its line end.
struct Line {
    std::size_t begin = 0; // offset of the first byte
    std::size_t end = 0;   // offset past the last content byte (before "\r\n" or "\n")
    std::size_t next = 0;  // offset of the following line
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto nl = text.find('\n', pos);
        Line line;
        line.begin = pos;
        if (nl == std::string_view::npos) {
            line.end = text.size();
            line.next = text.size();
        } else {
            line.end = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
            line.next = nl + 1;
        }
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

std::size_t bomLength(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section name or key
    std::string_view value; // key value, trimmed and unquoted
};

ParsedLine parseLine(std::string_view raw) {
    ParsedLine parsed;
    const auto content = trimBlanks(raw);
    if (content.empty()) {
        parsed.kind = LineKind::Blank;
        return parsed;
    }
    if (content.front() == ';' || content.front() == '#') {
        parsed.kind = LineKind::Comment;
        return parsed;
    }
    if (content.front() == '[') {
        const auto close = content.find(']');
        if (close != std::string_view::npos) {
            parsed.kind = LineKind::Section;
            parsed.name = trimBlanks(content.substr(1, close - 1));
            return parsed;
        }
        return parsed;
    }
    const auto eq = content.find('=');
    if (eq == std::string_view::npos) {
        return parsed;
    }
    parsed.kind = LineKind::Key;
    parsed.name = trimBlanks(content.substr(0, eq));
    parsed.value = unquote(trimBlanks(content.substr(eq + 1)));
    if (parsed.name.empty()) {
        parsed.kind = LineKind::Other;
    }
    return parsed;
}

bool readWholeFile(const std::string& path, std::string& out) {
    // Only regular files are read: opening a named pipe without O_NONBLOCK would wait for a writer.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::size_t>(info.st_size) > IniFile::kMaxFileBytes) {
        return false;
    }
    out.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd.get(), out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return true;
}

} // namespace

IniFile IniFile::load(const std::string& path) {
    std::string text;
    if (!readWholeFile(path, text)) {
        return {};
    }
    return parse(text);
}

IniFile IniFile::parse(std::string_view text) {
    IniFile file;
    text.remove_prefix(bomLength(text));
    Section* current = nullptr;
    for (const auto& line : splitLines(text)) {
        const auto parsed = parseLine(text.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            file.m_sections.push_back(Section{std::string(parsed.name), {}});
            current = &file.m_sections.back();
        } else if (parsed.kind == LineKind::Key && current != nullptr) {
            current->entries.push_back(Entry{std::string(parsed.name), std::string(parsed.value)});
        }
    }
    return file;
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    // The first section of a name is the one that counts.
    const auto trimmed = trimBlanks(name);
    for (const auto& section : m_sections) {
        if (equalsNoCase(section.name, trimmed)) {
            return &section;
        }
    }
    return nullptr;
}

bool IniFile::hasSection(std::string_view section) const {
    return findSection(section) != nullptr;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const auto* found = findSection(section);
    if (found == nullptr) {
        return std::nullopt;
    }
    const auto wanted = trimBlanks(key);
    for (const auto& entry : found->entries) {
        if (equalsNoCase(entry.key, wanted)) {
            return entry.value;
        }
    }
    return std::nullopt;
}

std::vector<IniFile::Entry> IniFile::entries(std::string_view section) const {
    std::vector<Entry> result;
    const auto* found = findSection(section);
    if (found == nullptr) {
        return result;
    }
    // A set of the names seen keeps sections of many thousand keys linear.
    std::unordered_set<std::string> seen;
    seen.reserve(found->entries.size());
    for (const auto& entry : found->entries) {
        if (seen.insert(toLowerAscii(entry.key)).second) {
            result.push_back(entry);
        }
    }
    return result;
}

std::vector<std::string> IniFile::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    for (auto& entry : entries(section)) {
        names.push_back(std::move(entry.key));
    }
    return names;
}

std::string iniReadString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    const auto value = IniFile::load(path).value(section, key);
    const std::string_view text = value ? std::string_view(*value) : trimBlanks(defaultValue);
    return std::string(utf8Prefix(text, bufferSize - 1));
}

std::vector<std::string> iniReadKeyNames(const std::string& path, std::string_view section,
                                         std::size_t listBytes) {
    std::vector<std::string> names;
    if (listBytes < 2) {
        return names;
    }
    // Room for the names and their terminators, less the final terminator of the list.
    std::size_t room = listBytes - 1;
    for (auto& name : IniFile::load(path).keyNames(section)) {
        if (room < 2) {
            break;
        }
        if (name.size() + 1 > room) {
            names.emplace_back(utf8Prefix(name, room - 1));
            break;
        }
        room -= name.size() + 1;
        names.push_back(std::move(name));
    }
    return names;
}

std::optional<std::string> iniReplaceValue(std::string_view original, std::string_view section,
                                           std::string_view key, std::string_view value) {
    const auto sectionName = trimBlanks(section);
    const auto keyName = trimBlanks(key);
    const auto hasBreak = [](std::string_view s) {
        return s.find_first_of("\r\n") != std::string_view::npos;
    };
    if (sectionName.empty() || keyName.empty() || hasBreak(sectionName) || hasBreak(keyName) ||
        hasBreak(value) || keyName.find('=') != std::string_view::npos ||
        sectionName.find(']') != std::string_view::npos || keyName.front() == '[' || keyName.front() == ';' ||
        keyName.front() == '#') {
        return std::nullopt;
    }
    const std::size_t bom = bomLength(original);
    const std::string_view body = original.substr(bom);
    const std::string eol = body.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    const std::string newLine = std::string(keyName) + "=" + std::string(value);

    const auto lines = splitLines(body);
    bool inSection = false;
    bool sectionFound = false;
    std::size_t insertAt = std::string_view::npos; // after the last non-blank line of the section
    for (const auto& line : lines) {
        const auto parsed = parseLine(body.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            if (inSection) {
                break; // only the first section of the name counts
            }
            inSection = equalsNoCase(parsed.name, sectionName);
            if (inSection) {
                sectionFound = true;
                insertAt = line.next;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (parsed.kind == LineKind::Key && equalsNoCase(parsed.name, keyName)) {
            std::string result(original.substr(0, bom + line.begin));
            result += newLine;
            result += original.substr(bom + line.end);
            return result;
        }
        if (parsed.kind != LineKind::Blank) {
            insertAt = line.next;
        }
    }

    std::string result(original);
    if (sectionFound) {
        std::string insert;
        const std::size_t at = bom + insertAt;
        // The line before the insertion point may lack its line end (end of file).
        if (at > 0 && result[at - 1] != '\n') {
            insert += eol;
        }
        insert += newLine + eol;
        result.insert(at, insert);
        return result;
    }
    if (!result.empty() && result.back() != '\n') {
        result += eol;
    }
    result += "[" + std::string(sectionName) + "]" + eol + newLine + eol;
    return result;
}

bool iniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
    std::string original;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || !readWholeFile(path, original))) {
        return false; // never replace what cannot be read back whole
    }
    const auto updated = iniReplaceValue(original, section, key, value);
    if (!updated) {
        return false;
    }
    std::string temp = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid()) {
        return false;
    }
    bool ok = writeAll(fd.get(), *updated);
    ok = ok && ::fchmod(fd.get(), exists ? (st.st_mode & 07777) : 0644) == 0;
    ok = ok && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) {
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

} // namespace morvane::platform
