#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvane::platform {

// An INI file held in memory with the private-profile semantics the program relies on:
// section and key names match without regard to case, blanks around names and values are
// dropped, one pair of matching quotes enclosing a whole value is removed, the first of
// duplicate sections and keys wins, lines without "=" and comment lines (";" or "#") carry
// no key. CRLF line ends, a UTF-8 byte-order mark and a missing final line feed are accepted.
class IniFile {
public:
    struct Entry {
        std::string key;   // as written in the file, trimmed
        std::string value; // trimmed, enclosing quotes removed
    };

    // Files larger than this are treated as empty rather than read whole.
    static constexpr std::size_t kMaxFileBytes = 64U * 1024U * 1024U;

    IniFile() = default;

    // Reads and parses a file. A missing, unreadable or oversized file gives an empty document.
    static IniFile load(const std::string& path);
    static IniFile parse(std::string_view text);

    bool hasSection(std::string_view section) const;
    // The value of a key, or nothing when section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The entries of a section in file order, first of duplicate keys only.
    std::vector<Entry> entries(std::string_view section) const;
    std::vector<std::string> keyNames(std::string_view section) const;

private:
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Section* findSection(std::string_view name) const;

    std::vector<Section> m_sections;
};

// Reads one value like GetPrivateProfileString into a caller's buffer of `bufferSize` bytes
// (terminator included): a missing section or key gives the default, and the result is cut to
// bufferSize - 1 bytes without splitting a UTF-8 sequence. A bufferSize of 0 gives "".
std::string iniReadString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t bufferSize);

// The key names of a section as the key-list read delivers them into a buffer of `listBytes`
// bytes: each name with its terminator, followed by one more terminator. Names that do not fit
// whole are left out (the last one that fits partly is cut, as on the original platform).
std::vector<std::string> iniReadKeyNames(const std::string& path, std::string_view section,
                                         std::size_t listBytes);

// Writes one key. Creates the file and the section when missing, replaces the value of an
// existing key in place and keeps every other line byte for byte. The file is replaced
// atomically (written beside it, flushed, renamed), so a crash leaves the old or the new file.
// Names or values holding line breaks, and names that are empty or hold "=" or "]", are refused.
bool iniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);

// Pure form of the write: the new file text for `original`.
std::optional<std::string> iniReplaceValue(std::string_view original, std::string_view section,
                                           std::string_view key, std::string_view value);

} // namespace morvane::platform
