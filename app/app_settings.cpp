#include "app/app_settings.h"

#include <strings.h>

#include <filesystem>
#include <string>

#include "platform/ini_file.h"
#include "platform/user_files.h"

namespace morvane::app {

using platform::iniReadString;

std::string configPathIn(const std::string& programDirectory) {
    return platform::userFilePlaces(programDirectory).configFile;
}

AppSettings readSettings(const std::string& configPath, const std::string& defaultOutput,
                         const std::string& programDirectory) {
    AppSettings settings;
    settings.configPath = configPath;
    settings.version = iniReadString(configPath, kConfigSection, "version", kDefaultVersion, kVersionMax + 1);
    settings.softName =
        iniReadString(configPath, kConfigSection, "SoftName", kDefaultSoftName, kSoftNameMax + 1);
    settings.outputFolder = outputFolderIn(
        iniReadString(configPath, kConfigSection, "Output", defaultOutput, kOutputMax + 1), programDirectory);
    settings.addFolder = iniReadString(configPath, kConfigSection, "AddFolder", "", kOutputMax + 1);
    return settings;
}

std::string outputFolderIn(const std::string& text, const std::string& programDirectory) {
    if (text.empty() || text.front() == '/') {
        return text;
    }
    std::string folder = std::filesystem::path(programDirectory + text).lexically_normal().string();
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string windowTitle(const AppSettings& settings) {
    return settings.softName + " " + settings.version;
}

bool readForceFrameServer(const std::string& configPath) {
    const auto value = iniReadString(configPath, kConfigSection, "ForceAVS", "", kForceAvsMax + 1);
    return ::strcasecmp(value.c_str(), "TRUE") == 0;
}

std::string browsedOutputFolder(const std::string& folder) {
    if (folder.size() > 1 && folder.back() == '/') {
        return folder.substr(0, folder.size() - 1);
    }
    return folder;
}

bool writeOutputFolder(const std::string& configPath, const std::string& folder) {
    return platform::iniWriteString(configPath, kConfigSection, "Output", folder);
}

bool writeProfileId(const std::string& configPath, int position) {
    return platform::iniWriteString(configPath, kConfigSection, "ProfileID", std::to_string(position));
}

bool writeAddFolder(const std::string& configPath, const std::string& folder) {
    return platform::iniWriteString(configPath, kConfigSection, "AddFolder", folder);
}

namespace {
bool isFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}
} // namespace

std::string addDialogStartFolder(const std::string& remembered) {
    return !remembered.empty() && remembered.front() == '/' && isFolder(remembered) ? remembered
                                                                                    : std::string();
}

std::string browseStartFolder(const std::string& outputText) {
    if (outputText.empty() || outputText.front() != '/') {
        return {};
    }
    // A folder not made yet (the first batch makes it) starts the browser at its nearest parent.
    for (std::filesystem::path folder = std::filesystem::path(outputText).lexically_normal();;
         folder = folder.parent_path()) {
        if (isFolder(folder)) {
            return folder.string();
        }
        if (folder == folder.parent_path()) {
            return {};
        }
    }
}

} // namespace morvane::app
