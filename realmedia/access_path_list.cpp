#include "realmedia/access_path_list.h"

#include <cstring>

namespace morvane::realmedia {

bool AccessPathList::fill(std::string_view programDirectory) {
    m_buffer.fill('\0');
    if (programDirectory.find('\0') != std::string_view::npos) {
        return false;
    }
    static constexpr std::pair<const char*, const char*> kEntries[] = {
        {kAccessPathPlugins, "plugins"},
        {kAccessPathCodecs, "codecs"},
        {kAccessPathEncoderSdk, "tools"},
        {kAccessPathCommon, "common"},
    };
    std::string list;
    for (const auto& [name, folder] : kEntries) {
        list.append(name).append("=").append(programDirectory).append(folder);
        list.push_back('\0');
    }
    // The list's own terminator must fit as well.
    if (list.size() + 1 > m_buffer.size()) {
        return false;
    }
    std::memcpy(m_buffer.data(), list.data(), list.size());
    return true;
}

std::vector<std::string> AccessPathList::entries() const {
    std::vector<std::string> result;
    std::size_t position = 0;
    while (position < m_buffer.size() && m_buffer[position] != '\0') {
        const std::size_t length = ::strnlen(m_buffer.data() + position, m_buffer.size() - position);
        result.emplace_back(m_buffer.data() + position, length);
        position += length + 1;
    }
    return result;
}

} // namespace morvane::realmedia
