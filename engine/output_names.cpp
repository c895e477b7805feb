#include "engine/output_names.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/file_guards.h"

namespace morvane::engine {

namespace {

std::string normalised(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

} // namespace

std::string numberedName(const std::string& path, int n) {
    const auto slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    auto dot = path.rfind('.');
    // A leading dot only hides a file; it starts no extension.
    if (dot == std::string::npos || dot <= nameStart) {
        dot = path.size();
    }
    return path.substr(0, dot) + " (" + std::to_string(n) + ")" + path.substr(dot);
}

void OutputNames::addSource(const std::string& path) {
    const std::lock_guard lock(m_mutex);
    m_sourcePaths.insert(normalised(path));
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        m_sourceFiles.emplace(info.st_dev, info.st_ino);
    }
    const auto slash = path.rfind('/');
    if (path.find("-part-", slash == std::string::npos ? 0 : slash) != std::string::npos) {
        platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (fd.valid() && ::flock(fd.get(), LOCK_SH | LOCK_NB) == 0) {
            m_heldSources.push_back(std::move(fd));
        }
    }
}

void OutputNames::releaseClaims() {
    const std::lock_guard lock(m_mutex);
    m_claims.releaseAll();
    m_heldSources.clear();
}

bool OutputNames::takenLocked(const std::string& path) const {
    const std::string normal = normalised(path);
    if (m_claimed.count(normal) != 0 || m_sourcePaths.count(normal) != 0) {
        return true;
    }
    // Another name of a source (a link, a folder reached another way).
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 &&
           m_sourceFiles.count({static_cast<unsigned long long>(info.st_dev),
                                static_cast<unsigned long long>(info.st_ino)}) != 0;
}

std::string OutputNames::claim(const std::string& wanted) {
    const std::lock_guard lock(m_mutex);
    std::string name = wanted;
    // A name is free when this batch has not taken it and no other run holds it; where no claims can
    // be made (a folder that cannot take the claims file), this batch keeps to its own names.
    for (int n = 2; takenLocked(name) || m_claims.claim(name) == platform::OutputClaims::Result::HeldByOther;
         ++n) {
        name = fitOutputFileName(numberedName(wanted, n));
    }
    m_claimed.insert(normalised(name));
    return name;
}

} // namespace morvane::engine
