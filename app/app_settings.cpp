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

} // namespace morvane::app
