#include "app/startup_checks.h"

#include <unistd.h>

#include "engine/preset_health.h"
#include "platform/translation.h"
#include "platform/user_files.h"
#include "profiles/profile.h"

namespace morvane::app {

namespace {

constexpr const char* kProducerLibrary = "tools/libencsession.so";

bool runnable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

std::string folderList(const std::vector<std::string>& folders) {
    std::string text;
    for (const auto& folder : folders) {
        text += (text.empty() ? "\"" : platform::translate("StartupChecks", " or ") + "\"") + folder + "\"";
    }
    return text;
}

} // namespace

std::string unavailableProfileText(const std::string& name, const std::string& why) {
    return platform::withArguments(
        platform::translate(
            "StartupChecks",
            "The profile \"%1\" cannot be used here: %2. Choose another profile for that file."),
        {name, why});
}

StartupReport checkStartup(const std::string& programDirectory, const profiles::ProfileCatalogue& catalogue,
                           const std::string& ffmpeg, const std::string& abilitiesCache) {
    StartupReport report;
    const std::string converter = programDirectory + "vec";
    if (!runnable(converter)) {
        report.problems.push_back(platform::withArguments(
            platform::translate("StartupChecks",
                                "The converter \"%1\" is missing or cannot be run, so no file can "
                                "be converted. Please reinstall the program."),
            {converter}));
    }
    const auto abilities = engine::askFfmpegAbilities(ffmpeg, abilitiesCache);
    if (!abilities) {
        report.problems.push_back(platform::withArguments(
            platform::translate("StartupChecks",
                                "FFmpeg, which does the conversions, could not be run (%1). Please "
                                "install it (Debian package \"ffmpeg\")."),
            {abilities.error()}));
    }
    if (catalogue.empty()) {
        report.problems.push_back(platform::withArguments(
            platform::translate("StartupChecks",
                                "No profiles were found in %1, so there is nothing to convert to. "
                                "Please reinstall the program."),
            {folderList(profiles::ProfileCatalogue::foldersOf(programDirectory))}));
    }
    const bool producerThere = runnable(programDirectory + kProducerLibrary) ||
                               ::access((programDirectory + kProducerLibrary).c_str(), R_OK) == 0;
    for (const auto& name : catalogue.names()) {
        profiles::Profile profile;
        profiles::parseProfile(catalogue, name, profile);
        if (profile.isRealMedia() && !producerThere) {
            report.unavailable.emplace(
                name,
                platform::withArguments(
                    platform::translate("StartupChecks", "the RealMedia producer library \"%1\" is missing"),
                    {programDirectory + kProducerLibrary}));
            continue;
        }
        if (abilities) {
            if (const auto missing = engine::missingPiece(profile, *abilities); !missing.empty()) {
                report.unavailable.emplace(name, missing);
            }
        }
    }
    return report;
}

StartupReport checkStartup(const std::string& programDirectory, const profiles::ProfileCatalogue& catalogue) {
    return checkStartup(programDirectory, catalogue, "ffmpeg",
                        platform::userFilePlaces(programDirectory).abilitiesCache);
}

} // namespace morvane::app
