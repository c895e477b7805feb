#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/expected.h"

namespace morvane::app {

// What one morvane-batch invocation asks for.
struct CliRequest {
    enum class Mode { Convert, ListProfiles, ShowProfile, Probe, Help, Version };
    Mode mode = Mode::Convert;
    std::optional<std::string> profile; // -p NAME, or the NAME of --show-profile
    std::optional<std::string> outputFolder;
    std::optional<std::string> start;
    std::optional<std::string> end;
    std::vector<std::string> files;
    bool json = false;       // --json: events as JSON lines on standard output
    std::optional<int> jobs; // -j N: how many files are converted at once
};

// How many files morvane-batch converts at once unless -j says otherwise; the most -j takes.
inline constexpr int kDefaultCliJobs = 2;
inline constexpr int kMostCliJobs = 16;

// Reads the arguments after the program name. Times must be H:M:S texts; files are required for
// conversions and probes. A failure is a usage error.
platform::Expected<CliRequest> parseCliArguments(const std::vector<std::string>& arguments);

std::string cliUsage();

// A profile's short id: its file name without folder and extension ("20-mp4-1-h264-aac").
std::string profileIdOf(const std::string& profilePath);

// The display name `wanted` stands for: itself when a profile has that name, else the name of the
// profile whose id is `wanted` (exactly, else without regard to case). Nothing when neither fits.
// `paths` maps display names to profile files.
std::optional<std::string> resolveProfileName(const std::string& wanted,
                                              const std::map<std::string, std::string, std::less<>>& paths);

// Profile names close to `wanted`: those containing it or contained in it without regard to case,
// or at a small edit distance, best first.
std::vector<std::string> closeMatches(const std::string& wanted, const std::vector<std::string>& names);

// `path` made absolute against `currentDirectory` (which is used as given), with "." and ".."
// steps resolved lexically.
std::string absolutePath(const std::string& path, const std::string& currentDirectory);

// The user's default output folder when none is configured: the XDG videos folder, else
// $HOME/Videos, else /tmp.
std::string defaultVideosFolder();

// A text for a table cell: cut to `width` bytes (without splitting UTF-8) and padded with blanks.
std::string padCell(const std::string& text, std::size_t width);

// The live line of a file on a terminal: name, bar, percentage and elapsed time.
std::string progressLine(const std::string& name, int percent, long long elapsedSeconds, std::size_t width);

} // namespace morvane::app
