#include "platform/program_dir.h"

#include <unistd.h>

#include <climits>
#include <mutex>
#include <string>

namespace morvane::platform {

namespace {
std::mutex& directoryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& storedDirectory() {
    static std::string directory;
    return directory;
}

std::string& storedPluginDirectory() {
    static std::string directory;
    return directory;
}

void endWithSeparator(std::string& directory) {
    if (!directory.empty() && directory.back() != '/') {
        directory.push_back('/');
    }
}

std::string executableDirectory() {
    std::string path(PATH_MAX, '\0');
    const auto n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) {
        return "/";
    }
    path.resize(static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
}
} // namespace

const std::string& programDirectory() {
    const std::lock_guard lock(directoryMutex());
    auto& directory = storedDirectory();
    if (directory.empty()) {
        directory = executableDirectory();
    }
    return directory;
}

void setProgramDirectory(std::string directory) {
    endWithSeparator(directory);
    const std::lock_guard lock(directoryMutex());
    storedDirectory() = std::move(directory);
}

std::string pluginDirectory() {
    const std::lock_guard lock(directoryMutex());
    auto& directory = storedPluginDirectory();
    if (directory.empty()) {
        directory = executableDirectory();
    }
    return directory;
}

void setPluginDirectory(std::string directory) {
    endWithSeparator(directory);
    const std::lock_guard lock(directoryMutex());
    storedPluginDirectory() = std::move(directory);
}

} // namespace morvane::platform
