#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <string>

#include "platform/user_files.h"

namespace morvane::platform {

bool folderWritable(const std::string& folder) {
    // Effective ids: what matters is whether this process can create files there.
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string accountHomeFolder() {
    const auto size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return "/tmp";
}

} // namespace morvane::platform
