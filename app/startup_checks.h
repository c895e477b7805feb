#pragma once

// What the program checks when it starts, so a user learns of a missing piece at once instead of
// from a failed conversion: the converter beside the program, FFmpeg, the producer library for the
// RealMedia profiles, the profiles themselves, and what FFmpeg can write for each profile.

#include <map>
#include <string>
#include <vector>

#include "profiles/profile_catalogue.h"

namespace morvane::app {

struct StartupReport {
    // Problems to show once, in words for the user.
    std::vector<std::string> problems;
    // Profiles that cannot be used here, by name, with the reason.
    std::map<std::string, std::string, std::less<>> unavailable;
};

// `ffmpeg` is the program asked (a path, or a name looked up in PATH); `abilitiesCache` keeps its
// answer between runs.
StartupReport checkStartup(const std::string& programDirectory, const profiles::ProfileCatalogue& catalogue,
                           const std::string& ffmpeg, const std::string& abilitiesCache);

// The same for the running program, with the ffmpeg of PATH and the user's cache.
StartupReport checkStartup(const std::string& programDirectory, const profiles::ProfileCatalogue& catalogue);

// "The profile "NAME" cannot be used here: WHY. Choose another profile for that file."
std::string unavailableProfileText(const std::string& name, const std::string& why);

} // namespace morvane::app
