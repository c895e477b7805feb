#include "profiles/ini_section_reader.h"

#include <utility>

#include "platform/fixed_text.h"

namespace morvane::profiles {

IniSectionReader::IniSectionReader(std::string path)
    : m_path(std::move(path)),
      m_file(m_path.empty() ? platform::IniFile{} : platform::IniFile::load(m_path)) {}

bool IniSectionReader::read(std::string_view section, StringMap& out) const {
    out.clear();
    auto entries = m_file.entries(section);
    std::size_t listBytes = 1; // the list's final terminator
    for (const auto& entry : entries) {
        listBytes += entry.key.size() + 1;
    }
    if (listBytes <= kKeyListBytes) {
        for (auto& entry : entries) {
            out.insert_or_assign(std::move(entry.key),
                                 std::string(platform::utf8Prefix(entry.value, kValueChars)));
        }
        return !out.empty();
    }
    // Only a section of thousands of keys gets here: the platform's key-list read decides which
    // names fit, and a name it had to cut finds no value.
    for (auto& name : platform::iniReadKeyNames(m_path, section, kKeyListBytes)) {
        const auto value = m_file.value(section, name);
        std::string text = value ? std::string(platform::utf8Prefix(*value, kValueChars)) : std::string();
        out.insert_or_assign(std::move(name), std::move(text));
    }
    return !out.empty();
}

} // namespace morvane::profiles
