#include "profiles/profile_catalogue.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/ini_file.h"
#include "platform/text_rules.h"
#include "platform/user_files.h"

namespace morvane::profiles {

namespace {

const std::string kNoName;

bool hasProfileExtension(std::string_view fileName) {
    return fileName.size() >= ProfileCatalogue::kExtension.size() &&
           platform::equalsNoCase(fileName.substr(fileName.size() - ProfileCatalogue::kExtension.size()),
                                  ProfileCatalogue::kExtension);
}

// The .pf files of a folder, sorted by file name bytes; nothing when the folder cannot be listed.
std::vector<std::string> listProfileFiles(const std::string& folder) {
    std::vector<std::string> fileNames;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        return fileNames;
    }
    for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            break;
        }
        std::error_code typeError;
        // Follows links, so a linked profile counts like a copied one.
        if (!it->is_regular_file(typeError)) {
            continue;
        }
        auto fileName = it->path().filename().string();
        if (hasProfileExtension(fileName)) {
            fileNames.push_back(std::move(fileName));
        }
    }
    std::sort(fileNames.begin(), fileNames.end());
    return fileNames;
}

} // namespace

std::string ProfileCatalogue::folderOf(const std::string& programDirectory) {
    std::string folder = programDirectory;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    folder += kFolderName;
    folder += '/';
    return folder;
}

std::size_t ProfileCatalogue::scan(const std::string& profilesFolder, const std::string& configPath) {
    return scan(std::vector<std::string>{profilesFolder}, configPath);
}

std::size_t ProfileCatalogue::scan(const std::vector<std::string>& profilesFolders,
                                   const std::string& configPath) {
    clear();
    std::vector<std::pair<std::string, std::string>> found; // Name and path, in scan order
    std::map<std::string, int, std::less<>> files;          // by Name
    for (const auto& folder : profilesFolders) {
        std::string prefix = folder;
        if (!prefix.empty() && prefix.back() != '/') {
            prefix += '/';
        }
        for (const auto& fileName : listProfileFiles(folder)) {
            std::string path = prefix + fileName;
            std::string name = platform::iniReadString(path, "Main", "Name", "", kNameChars + 1);
            if (!name.empty()) {
                ++files[name];
                found.emplace_back(std::move(name), std::move(path));
            }
        }
    }
    for (auto& [name, path] : found) {
        std::string entry = name;
        if (files[name] > 1) {
            entry = name + " (" + path.substr(path.rfind('/') + 1) + ")";
            if (m_paths.contains(entry) || files.contains(entry)) {
                entry = name + " (" + path + ")";
            }
            m_shared[name].push_back(entry);
        }
        m_paths.emplace(entry, std::move(path));
        m_names.push_back(std::move(entry));
    }
    selectRemembered(configPath);
    return m_names.size();
}

std::vector<std::string> ProfileCatalogue::foldersOf(const std::string& programDirectory) {
    return platform::userFilePlaces(programDirectory).profileFolders;
}

void ProfileCatalogue::clear() {
    m_names.clear();
    m_paths.clear();
    m_shared.clear();
    m_current = -1;
}

std::vector<std::string> ProfileCatalogue::entriesNamed(std::string_view name) const {
    const auto it = m_shared.find(name);
    return it != m_shared.end() ? it->second : std::vector<std::string>();
}

std::string ProfileCatalogue::pathOf(std::string_view name) const {
    const auto it = m_paths.find(name);
    return it != m_paths.end() ? it->second : std::string();
}

int ProfileCatalogue::selectRemembered(const std::string& configPath) {
    const auto text =
        platform::iniReadString(configPath, kConfigSection, kProfileIdKey, "0", kProfileIdChars + 1);
    const int index = platform::leadingInteger(text);
    m_current = inRange(index) ? index : -1;
    return m_current;
}

bool ProfileCatalogue::selectProfile(int index, const std::string& configPath) {
    if (!inRange(index)) {
        m_current = -1;
        return false;
    }
    m_current = index;
    return platform::iniWriteString(configPath, kConfigSection, kProfileIdKey, std::to_string(index));
}

const std::string& ProfileCatalogue::currentName() const {
    return inRange(m_current) ? m_names[static_cast<std::size_t>(m_current)] : kNoName;
}

bool parseProfile(const ProfileCatalogue& catalogue, std::string_view name, Profile& profile) {
    if (name.empty()) {
        return false;
    }
    parseProfileFile(catalogue.pathOf(name), name, profile);
    return true;
}

} // namespace morvane::profiles
