#pragma once

#include <mutex>
#include <string>

#include "platform/shared_library.h"

namespace morvane::platform {

// One of the program's plugins: a shared object in the plugin directory that hands over a table of
// functions through a single exported entry point, `const void* ENTRY(int version)` (null when it
// does not speak that version). Loaded on first use, so the libraries behind it cost nothing until
// then, and kept until the process ends.
class Plugin {
public:
    // `directory` empty: the plugin directory (platform::pluginDirectory()) at the time of loading.
    Plugin(std::string fileName, std::string entryName, int version, std::string directory = {});
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // The plugin's table, or null when it cannot be loaded. The first call loads; a failure is not
    // retried. Safe on any thread.
    const void* table();
    template <typename Table>
    const Table* tableAs() {
        return static_cast<const Table*>(table());
    }
    // The table if the plugin is loaded already, without loading it.
    template <typename Table>
    const Table* loadedTableAs() const {
        const std::lock_guard lock(m_mutex);
        return static_cast<const Table*>(m_table);
    }
    // Why the plugin cannot be used, in words for the user; empty while it loads or before the first
    // call to table().
    std::string problem() const;

private:
    void load();

    std::string m_fileName;
    std::string m_entryName;
    int m_version;
    std::string m_directory;
    std::once_flag m_loaded;
    mutable std::mutex m_mutex;
    SharedLibrary m_library;
    const void* m_table = nullptr;
    std::string m_problem;
};

} // namespace morvane::platform
