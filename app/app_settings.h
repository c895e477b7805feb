#pragma once

#include <string>

namespace morvane::app {

// Longest values of the settings, in bytes.
inline constexpr std::size_t kSoftNameMax = 127;
inline constexpr std::size_t kVersionMax = 31;
inline constexpr std::size_t kOutputMax = 1024;
inline constexpr std::size_t kProfileIdMax = 7;
inline constexpr std::size_t kForceAvsMax = 7;

inline constexpr const char* kConfigSection = "Config";
inline constexpr const char* kDefaultSoftName = "Quillon Video Converter";
inline constexpr const char* kDefaultVersion = "1.0.1";

// The settings read once when the main window opens.
struct AppSettings {
    std::string configPath;
    std::string softName;
    std::string version;
    std::string outputFolder;
    // The folder of the last file added ("AddFolder"); empty until a file was added.
    std::string addFolder;
};

// The path of config.ini for a program directory (which ends with "/"): beside the program, or the
// user's own when the program directory is read-only (platform/user_files.h).
std::string configPathIn(const std::string& programDirectory);

// Reads "SoftName", "version" and "Output" with their defaults and length limits; `defaultOutput`
// is the platform's default output folder. A relative Output is resolved against `programDirectory`.
AppSettings readSettings(const std::string& configPath, const std::string& defaultOutput,
                         const std::string& programDirectory);

// An output folder text as the converter gets it: a relative one names a folder below the program
// directory (which ends with "/"), never one below whatever the current directory is.
std::string outputFolderIn(const std::string& text, const std::string& programDirectory);

// The window title: product name, one blank, version.
std::string windowTitle(const AppSettings& settings);

// "ForceAVS" is read at the start of every batch: "TRUE" in any case turns it on.
bool readForceFrameServer(const std::string& configPath);

// The Output text for a folder chosen with Browse: one trailing separator dropped, except from the
// root folder itself, which would otherwise become an empty Output.
std::string browsedOutputFolder(const std::string& folder);

// The writes to config.ini.
bool writeOutputFolder(const std::string& configPath, const std::string& folder);
bool writeProfileId(const std::string& configPath, int position);
bool writeAddFolder(const std::string& configPath, const std::string& folder);

// The folder the open-file dialog starts in: the folder of the last file added when it still
// exists, else nothing (the dialog's own choice).
std::string addDialogStartFolder(const std::string& remembered);
// The folder the folder browser starts in: the Output text when it names an existing folder, else
// the nearest existing folder above it, else nothing.
std::string browseStartFolder(const std::string& outputText);

} // namespace morvane::app
