#include "platform/plugin.h"

#include <utility>

#include "platform/program_dir.h"
#include "platform/translation.h"

namespace morvane::platform {

Plugin::Plugin(std::string fileName, std::string entryName, int version, std::string directory)
    : m_fileName(std::move(fileName)), m_entryName(std::move(entryName)), m_version(version),
      m_directory(std::move(directory)) {
    if (!m_directory.empty() && m_directory.back() != '/') {
        m_directory.push_back('/');
    }
}

const void* Plugin::table() {
    std::call_once(m_loaded, [this] { load(); });
    const std::lock_guard lock(m_mutex);
    return m_table;
}

std::string Plugin::problem() const {
    const std::lock_guard lock(m_mutex);
    return m_problem;
}

void Plugin::load() {
    const std::string path = (m_directory.empty() ? pluginDirectory() : m_directory) + m_fileName;
    auto opened = SharedLibrary::openResident(path);
    const std::lock_guard lock(m_mutex);
    if (!opened) {
        // The loader's message starts with the path again.
        std::string why = opened.error();
        if (why.starts_with(path + ": ")) {
            why.erase(0, path.size() + 2);
        }
        m_problem = withArguments(translate("Plugin", "\"%1\" cannot be loaded: %2"), {path, why});
        return;
    }
    using Entry = const void* (*)(int);
    const auto entry = opened->function<Entry>(m_entryName.c_str());
    const void* table = entry != nullptr ? entry(m_version) : nullptr;
    if (table == nullptr) {
        m_problem = withArguments(
            translate("Plugin", "\"%1\" is not a plugin of this version of the program"), {path});
        return;
    }
    m_library = *std::move(opened);
    m_table = table;
}

} // namespace morvane::platform
