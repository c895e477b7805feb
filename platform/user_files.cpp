#include "platform/user_files.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/program_dir.h"

namespace morvane::platform {

namespace {

constexpr const char* kAppFolder = "morvane";
constexpr const char* kAbilitiesCacheName = "ffmpeg-abilities.txt";
constexpr const char* kListFileName = "file-list.json";

// An XDG base folder: the variable when it holds an absolute path, else `fallback` under home.
std::string baseFolder(const EnvironmentReader& environment, const char* variable, const std::string& home,
                       const char* fallback) {
    const std::string value = environment(variable);
    if (!value.empty() && value.front() == '/') {
        return value;
    }
    return home + fallback;
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

std::string processEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void makeFolders(const UserFilePlaces& places) {
    for (const auto& folder : places.foldersToMake) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!ec) {
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
        }
    }
}

// The first run of an installed program starts from the settings shipped beside it.
void seedConfig(const std::string& programDirectory, const UserFilePlaces& places) {
    const std::string shipped = programDirectory + "config.ini";
    std::error_code ec;
    if (places.besideProgram || std::filesystem::exists(places.configFile, ec) ||
        !std::filesystem::is_regular_file(shipped, ec)) {
        return;
    }
    std::filesystem::copy_file(shipped, places.configFile, std::filesystem::copy_options::skip_existing, ec);
    if (!ec) {
        std::filesystem::permissions(
            places.configFile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ec);
    }
}

std::string folderOf(const std::string& file) {
    return file.substr(0, file.rfind('/') + 1);
}

// The files of a run must be written somewhere the user can find them again, and settings must be
// read even when the user's own copy cannot be made.
void moveWhereWritable(const std::string& programDirectory, UserFilePlaces& places,
                       const FolderCheck& writable) {
    if (places.besideProgram) {
        return;
    }
    if (!writable(folderOf(places.traceFile))) {
        if (const std::string folder = privateTemporaryFolder(); !folder.empty()) {
            places.traceFile = folder + "trace.flt";
            places.scriptFile = folder + "input.avs";
            places.abilitiesCache = folder + kAbilitiesCacheName;
            places.listFile = folder + kListFileName;
        }
    }
    std::error_code ec;
    if (!std::filesystem::exists(places.configFile, ec) && !writable(folderOf(places.configFile))) {
        places.configFile = programDirectory + "config.ini";
    }
}

struct Cache {
    std::mutex mutex;
    std::map<std::string, UserFilePlaces, std::less<>> places; // by program directory
};

Cache& cache() {
    static Cache instance;
    return instance;
}

} // namespace

UserFilePlaces userFilePlacesFor(const std::string& programDirectory, bool programDirectoryWritable,
                                 const EnvironmentReader& environment, const std::string& home) {
    const std::string program = withSlash(programDirectory);
    std::string userHome = environment("HOME");
    if (userHome.empty() || userHome.front() != '/') {
        userHome = home;
    }
    while (userHome.size() > 1 && userHome.back() == '/') {
        userHome.pop_back();
    }
    const std::string dataFolder =
        withSlash(baseFolder(environment, "XDG_DATA_HOME", userHome, "/.local/share")) + kAppFolder + "/";

    UserFilePlaces places;
    places.besideProgram = programDirectoryWritable;
    places.profileFolders = {program + "profiles/", dataFolder + "profiles/"};
    if (programDirectoryWritable) {
        places.configFile = program + "config.ini";
        places.traceFile = program + "trace.flt";
        places.scriptFile = program + "input.avs";
        places.abilitiesCache = program + kAbilitiesCacheName;
        places.listFile = program + kListFileName;
        return places;
    }
    const std::string configFolder =
        withSlash(baseFolder(environment, "XDG_CONFIG_HOME", userHome, "/.config")) + kAppFolder + "/";
    const std::string stateFolder =
        withSlash(baseFolder(environment, "XDG_STATE_HOME", userHome, "/.local/state")) + kAppFolder + "/";
    places.configFile = configFolder + "config.ini";
    places.traceFile = stateFolder + "trace.flt";
    places.scriptFile = stateFolder + "input.avs";
    places.abilitiesCache = stateFolder + kAbilitiesCacheName;
    places.listFile = stateFolder + kListFileName;
    places.foldersToMake = {configFolder, stateFolder};
    return places;
}

UserFilePlaces settleUserFilePlaces(const std::string& programDirectory, const EnvironmentReader& environment,
                                    const std::string& home, const FolderCheck& writable) {
    const std::string program = withSlash(programDirectory);
    auto places = userFilePlacesFor(program, writable(program), environment, home);
    makeFolders(places);
    seedConfig(program, places);
    moveWhereWritable(program, places, writable);
    return places;
}

UserFilePlaces userFilePlaces(const std::string& programDirectory) {
    const std::string program = withSlash(programDirectory);
    auto& state = cache();
    const std::lock_guard lock(state.mutex);
    const auto known = state.places.find(program);
    if (known != state.places.end()) {
        return known->second;
    }
    return state.places
        .emplace(program,
                 settleUserFilePlaces(program, processEnvironment, accountHomeFolder(), folderWritable))
        .first->second;
}

UserFilePlaces userFilePlaces() {
    return userFilePlaces(programDirectory());
}

void resetUserFilePlaces() {
    auto& state = cache();
    const std::lock_guard lock(state.mutex);
    state.places.clear();
}

} // namespace morvane::platform
