#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "platform/ini_file.h"

namespace morvane::profiles {

// Keys of an INI section as written in the file, mapped to their values.
using StringMap = std::map<std::string, std::string, std::less<>>;

// Reads whole sections of one INI file into string maps, with the limits of the key-list read
// (all names with their terminators within kKeyListBytes) and of each value read (at most
// kValueChars bytes). The file is read once, when the reader is made.
class IniSectionReader {
public:
    static constexpr std::size_t kKeyListBytes = 16384;
    static constexpr std::size_t kValueChars = 999;

    // A missing or unreadable file reads as one without sections.
    explicit IniSectionReader(std::string path);

    // Clears `out`, then stores every key of `section` with its value (empty when it has none).
    // True when the map holds at least one key.
    bool read(std::string_view section, StringMap& out) const;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    platform::IniFile m_file;
};

} // namespace morvane::profiles
