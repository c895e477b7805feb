#include "platform/file_identity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include <filesystem>
#include <system_error>

#include "platform/translation.h"

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
        return translate("FileIdentity", "a folder");
    }
    if (S_ISFIFO(info.st_mode)) {
        return translate("FileIdentity", "a named pipe");
    }
    return S_ISSOCK(info.st_mode) ? translate("FileIdentity", "a socket")
                                  : translate("FileIdentity", "a device");
}

std::optional<FileVersion> fileVersion(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const auto nanoseconds = [](const timespec& time) {
        return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
    };
    return FileVersion{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                       static_cast<std::int64_t>(info.st_size), nanoseconds(info.st_mtim),
                       nanoseconds(info.st_ctim)};
}

std::optional<std::string> findProgram(const std::string& name) {
    const auto runnable = [](const std::string& candidate) {
        struct stat info {};
        return ::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               ::access(candidate.c_str(), X_OK) == 0;
    };
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string::npos) {
        return runnable(name) ? std::optional(name) : std::nullopt;
    }
    const char* variable = std::getenv("PATH");
    std::string_view rest = variable != nullptr ? variable : "";
    while (true) {
        const auto colon = rest.find(':');
        std::string candidate(colon == 0 || rest.empty() ? std::string_view(".") : rest.substr(0, colon));
        candidate += '/';
        candidate += name;
        if (runnable(candidate)) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        rest.remove_prefix(colon + 1);
    }
}

} // namespace morvane::platform
