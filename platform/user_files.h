#pragma once

// Where the files a user's runs write live. One rule for every front end:
//
//   - When the program directory is writable by this process, config.ini, trace.flt and input.avs
//     lie beside the program, as they always have (a build folder, a copy in the user's home).
//   - Otherwise (an installed program under a system prefix) config.ini goes to
//     $XDG_CONFIG_HOME/morvane/ (default ~/.config/morvane/) and trace.flt and input.avs to
//     $XDG_STATE_HOME/morvane/ (default ~/.local/state/morvane/), with the cache of FFmpeg's abilities
//     and the window's saved file list (file-list.json). A
//     config.ini shipped in the program directory seeds the user's copy the first time.
//   - Where those folders cannot be made or written either (an account whose home is not its own, a
//     full or read-only home), trace.flt, input.avs and the cache go to a private temporary folder
//     of the account, $TMPDIR/morvane-<uid>/ (default /tmp/morvane-<uid>/), and config.ini is read
//     from the program directory (the settings then last only as long as the program runs).
//   - Profiles: the program directory's profiles/ first, then the user's own in
//     $XDG_DATA_HOME/morvane/profiles/ (default ~/.local/share/morvane/profiles/), in both cases.
//
// XDG variables holding relative paths are ignored, as the base directory rules say.

#include <functional>
#include <string>
#include <vector>

namespace morvane::platform {

struct UserFilePlaces {
    bool besideProgram = true;
    std::string configFile;     // config.ini
    std::string traceFile;      // trace.flt
    std::string scriptFile;     // input.avs
    std::string abilitiesCache; // what FFmpeg said it can write, beside the trace
    std::string listFile;       // the window's file list as it was last saved, beside the trace
    // Folders scanned for profiles, shipped first.
    std::vector<std::string> profileFolders;
    // Folders that must exist before the files above are written (empty beside the program).
    std::vector<std::string> foldersToMake;
};

// Reads an environment variable; nothing and empty are the same.
using EnvironmentReader = std::function<std::string(const char* name)>;

// The rule itself, for a program directory ending with "/", whether it is writable, and the
// environment (HOME, XDG_CONFIG_HOME, XDG_STATE_HOME, XDG_DATA_HOME). `home` is used when HOME is
// unset or empty.
UserFilePlaces userFilePlacesFor(const std::string& programDirectory, bool programDirectoryWritable,
                                 const EnvironmentReader& environment, const std::string& home);

// Whether this process may create files in `folder`.
bool folderWritable(const std::string& folder);

// The home folder of the account this process runs as (for an empty HOME); "/tmp" when unknown.
std::string accountHomeFolder();

// The account's private temporary folder, $TMPDIR/morvane-<uid>/ (an absolute TMPDIR, else /tmp),
// made with mode 0700 on first use. Empty when it cannot be made or is not safely this account's
// alone (a link, another owner, open to others), so nobody else can plant or read files in it.
std::string privateTemporaryFolder();

// Whether a folder may be written (folderWritable for this process).
using FolderCheck = std::function<bool(const std::string& folder)>;

// The places userFilePlaces gives, worked out afresh: the rule above for the environment and home
// given, the XDG folders made and a shipped config.ini copied, then each file kept where `writable`
// allows it to be written.
UserFilePlaces settleUserFilePlaces(const std::string& programDirectory, const EnvironmentReader& environment,
                                    const std::string& home, const FolderCheck& writable);

// The places for `programDirectory` in this process's environment, worked out once per program
// directory; the XDG folders are made (mode 0700) and a shipped config.ini copied on first use.
// Safe to call from any thread.
UserFilePlaces userFilePlaces(const std::string& programDirectory);

// The places for the running program's directory.
UserFilePlaces userFilePlaces();

// Forgets the places worked out so far (tests that change the environment or the program directory).
void resetUserFilePlaces();

} // namespace morvane::platform
