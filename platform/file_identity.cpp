#include "platform/file_identity.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace morvane::platform {

namespace fs = std::filesystem;

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    std::error_code existsA;
    std::error_code existsB;
    if (fs::exists(a, existsA) && fs::exists(b, existsB)) {
        std::error_code error;
        const bool equivalent = fs::equivalent(a, b, error);
        if (!error) {
            return equivalent;
        }
    }
    const auto normalised = [](const std::string& path) {
        std::error_code error;
        const fs::path absolute = fs::absolute(path, error);
        if (error) {
            return fs::path(path).lexically_normal();
        }
        const fs::path full = fs::weakly_canonical(absolute, error);
        return (error ? absolute : full).lexically_normal();
    };
    return normalised(a) == normalised(b);
}

std::optional<std::string> irregularFileKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode)) {
        return "a folder";
    }
    if (S_ISFIFO(info.st_mode)) {
        return "a named pipe";
    }
    return S_ISSOCK(info.st_mode) ? "a socket" : "a device";
}

} // namespace morvane::platform
