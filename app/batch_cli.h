#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/expected.h"

namespace morvane::profiles {
class ProfileCatalogue;
} // namespace morvane::profiles

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
    bool json = false;                  // --json: events as JSON lines on standard output
    std::optional<int> jobs;            // -j N: how many files are converted at once
    std::optional<std::string> journal; // --journal FILE: outcomes recorded there, done files skipped
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

// The catalogue entries `wanted` stands for: itself when it is listed; else the entries of the files
// whose Name it is, where several files share that Name; else those whose id is `wanted` (exactly,
// else without regard to case; two folders may hold one file name). None when nothing fits; more
// than one when `wanted` is ambiguous.
std::vector<std::string> profilesMeant(const std::string& wanted,
                                       const profiles::ProfileCatalogue& catalogue);

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

// The live line of a file on a terminal: name, bar of `bar` characters, percentage and elapsed time.
std::string progressLine(const std::string& name, int percent, long long elapsedSeconds, std::size_t width,
                         int bar = 20);

} // namespace morvane::app
