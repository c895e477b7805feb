#include "platform/user_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/program_dir.h"
#include "tests/support/test_support.h"

namespace morvane::platform {
namespace {

EnvironmentReader environmentOf(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const char* name) {
        const auto it = values.find(name);
        return it != values.end() ? it->second : std::string();
    };
}

TEST(UserFiles, BesideAWritableProgramOrInTheUsersXdgFolders) {
    struct Case {
        const char* what;
        bool writable;
        std::map<std::string, std::string> environment;
        const char* config;
        const char* trace;
        const char* script;
        const char* userProfiles;
    };
    const Case cases[] = {
        {"writable program directory",
         true,
         {{"HOME", "/home/ann"}},
         "/opt/m/config.ini",
         "/opt/m/trace.flt",
         "/opt/m/input.avs",
         "/home/ann/.local/share/morvane/profiles/"},
        {"read-only, XDG defaults",
         false,
         {{"HOME", "/home/ann/"}},
         "/home/ann/.config/morvane/config.ini",
         "/home/ann/.local/state/morvane/trace.flt",
         "/home/ann/.local/state/morvane/input.avs",
         "/home/ann/.local/share/morvane/profiles/"},
        {"read-only, XDG variables set",
         false,
         {{"HOME", "/home/ann"},
          {"XDG_CONFIG_HOME", "/c"},
          {"XDG_STATE_HOME", "/s/"},
          {"XDG_DATA_HOME", "/d"}},
         "/c/morvane/config.ini",
         "/s/morvane/trace.flt",
         "/s/morvane/input.avs",
         "/d/morvane/profiles/"},
        {"relative XDG variables are ignored",
         false,
         {{"HOME", "/home/ann"},
          {"XDG_CONFIG_HOME", "cfg"},
          {"XDG_STATE_HOME", "./s"},
          {"XDG_DATA_HOME", "d"}},
         "/home/ann/.config/morvane/config.ini",
         "/home/ann/.local/state/morvane/trace.flt",
         "/home/ann/.local/state/morvane/input.avs",
         "/home/ann/.local/share/morvane/profiles/"},
        {"no HOME: the account's home",
         false,
         {},
         "/var/acct/.config/morvane/config.ini",
         "/var/acct/.local/state/morvane/trace.flt",
         "/var/acct/.local/state/morvane/input.avs",
         "/var/acct/.local/share/morvane/profiles/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto places =
            userFilePlacesFor("/opt/m", c.writable, environmentOf(c.environment), "/var/acct");
        EXPECT_EQ(places.besideProgram, c.writable);
        EXPECT_EQ(places.configFile, c.config);
        EXPECT_EQ(places.traceFile, c.trace);
        EXPECT_EQ(places.scriptFile, c.script);
        EXPECT_EQ(places.abilitiesCache.substr(0, places.abilitiesCache.rfind('/')),
                  places.traceFile.substr(0, places.traceFile.rfind('/')));
        EXPECT_EQ(places.profileFolders, (std::vector<std::string>{"/opt/m/profiles/", c.userProfiles}));
        EXPECT_EQ(places.foldersToMake.empty(), c.writable);
    }
}

TEST(UserFiles, SettingsGoWhereTheUserCanWriteThem) {
    test::TempDir dir;
    const std::string program = dir.path() + "/opt/";
    const std::string configHome = dir.path() + "/config/";
    const std::string userCopy = configHome + "morvane/config.ini";
    struct Case {
        const char* what;
        bool programWritable;
        bool configWritable;
        bool userCopyExists;
        std::string config;
    };
    const Case cases[] = {
        {"installed, first run", false, true, false, userCopy},
        {"installed, settings folder read-only, no copy yet", false, false, false, program + "config.ini"},
        {"installed, the user's copy in a read-only folder", false, false, true, userCopy},
        {"writable program directory", true, true, false, program + "config.ini"},
    };
    const auto environment = environmentOf(
        {{"HOME", dir.path()}, {"XDG_CONFIG_HOME", configHome}, {"XDG_STATE_HOME", dir.path() + "/state"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(configHome);
        std::filesystem::create_directories(program);
        if (c.userCopyExists) {
            std::filesystem::create_directories(configHome + "morvane");
            test::writeFile(userCopy, "[Setting]\n");
        }
        // The suite runs as root, who may write everywhere: the test says which folders are locked.
        const auto writable = [&](const std::string& folder) {
            if (folder.rfind(program, 0) == 0) {
                return c.programWritable;
            }
            return folder.rfind(configHome, 0) != 0 || c.configWritable;
        };
        const auto places = settleUserFilePlaces(program, environment, dir.path(), writable);
        EXPECT_EQ(places.configFile, c.config);
        EXPECT_EQ(places.besideProgram, c.programWritable);
    }
}

TEST(UserFiles, WritableFolderIsJudgedForThisProcess) {
    test::TempDir dir;
    EXPECT_TRUE(folderWritable(dir.path()));
    EXPECT_FALSE(folderWritable(dir.file("missing")));
    EXPECT_FALSE(folderWritable("/proc/self"));
}

TEST(UserFiles, PrivateTemporaryFolderIsTheAccountsAlone) {
    test::TempDir dir;
    const std::string own = dir.path() + "/morvane-" + std::to_string(::getuid());
    ::setenv("TMPDIR", (dir.path() + "/").c_str(), 1);
    EXPECT_EQ(privateTemporaryFolder(), own + "/");
    EXPECT_EQ(std::filesystem::status(own).permissions(), std::filesystem::perms::owner_all);
    ::chmod(own.c_str(), 0777); // open to others
    EXPECT_EQ(privateTemporaryFolder(), "");
    std::filesystem::remove(own);
    std::filesystem::create_directory_symlink(dir.path(), own); // planted by someone else
    EXPECT_EQ(privateTemporaryFolder(), "");
    ::unsetenv("TMPDIR");
}

TEST(UserFiles, TheRunningProgramsPlacesAreWorkedOutOncePerDirectory) {
    test::TempDir dir;
    setProgramDirectory(dir.path());
    resetUserFilePlaces();
    const auto places = userFilePlaces();
    EXPECT_EQ(places.configFile, dir.path() + "/config.ini");
    EXPECT_EQ(userFilePlaces(dir.path() + "/").traceFile, dir.path() + "/trace.flt");
    setProgramDirectory("");
    resetUserFilePlaces();
    EXPECT_NE(userFilePlaces().configFile, places.configFile);
}

} // namespace
} // namespace morvane::platform
