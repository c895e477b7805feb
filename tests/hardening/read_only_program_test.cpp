// A program directory the user cannot write (an installed program): a failing conversion must name
// the trace file that was really written, and that file must say why. Run as a normal user; the
// suite runs as root, which ignores permissions, so it drops to `nobody` with setpriv there.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/hardening/hardening_env.h"

namespace morvane::hardening {
namespace {

namespace fs = std::filesystem;

// Puts the modes back so the temporary folder can be removed by a user who is not root.
struct ModeRestorer {
    std::vector<std::string> folders;
    ~ModeRestorer() {
        for (const auto& folder : folders) {
            ::chmod(folder.c_str(), 0755);
        }
    }
};

TEST_F(HardeningTest, ReadOnlyProgramDirectoryNamesTheTraceReallyWritten) {
    std::vector<std::string> asUser;
    uid_t runAs = ::getuid();
    const std::string user = home.path() + "/user";     // the user's own home
    const std::string locked = home.path() + "/locked"; // folders nobody may write
    fs::create_directories(user);
    fs::create_directories(locked);
    if (::getuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (::access("/usr/bin/setpriv", X_OK) != 0 || nobody == nullptr) {
            GTEST_SKIP()
                << "running as root without setpriv or a nobody account: permissions cannot be tried";
        }
        runAs = nobody->pw_uid;
        asUser = {"/usr/bin/setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                  "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", "--"};
        ASSERT_EQ(::chown(user.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        ASSERT_EQ(::chmod(home.path().c_str(), 0711), 0);
    }
    makeClip("clip.mov", 1.0);
    ModeRestorer restorer{{bin(), locked}};
    ASSERT_EQ(::chmod(bin().c_str(), 0555), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);

    struct Case {
        const char* what;
        std::string stateHome;
        std::string temporary;
        std::string trace; // empty: none can be written
    };
    const Case cases[] = {
        {"the state folder", user + "/state", user, user + "/state/morvane/trace.flt"},
        {"a private temporary folder", locked + "/state", user,
         user + "/morvane-" + std::to_string(runAs) + "/trace.flt"},
        {"nowhere", locked + "/state", locked, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto watch = options();
        watch.environment = {"HOME=" + user,
                             "XDG_STATE_HOME=" + c.stateHome,
                             "XDG_CONFIG_HOME=" + locked,
                             "XDG_DATA_HOME=" + locked,
                             "TMPDIR=" + c.temporary,
                             "MORVANE_TESTING=1"};
        auto argv = asUser;
        // A cut past the end of the clip fails the conversion.
        argv.insert(argv.end(), {bin() + "/morvane-batch", "--json", "-p", kFastProfile, "-o", user + "/out",
                                 "--start", "00:00:10", "--end", "00:00:20", clip("clip.mov")});
        const auto run = test::runWatched(argv, watch);
        EXPECT_EQ(run.exitCode, 1) << shown(run);
        EXPECT_NE(run.out.find("\"status\":\"Fail\""), std::string::npos) << shown(run);
        if (c.trace.empty()) {
            EXPECT_NE(run.err.find("Convert fail! No trace file could be written"), std::string::npos)
                << shown(run);
            EXPECT_NE(run.out.find("(no trace file could be written)"), std::string::npos) << shown(run);
            continue;
        }
        EXPECT_NE(run.err.find("Convert fail! Please send the trace file \"" + c.trace + "\""),
                  std::string::npos)
            << shown(run);
        EXPECT_NE(run.out.find("(the trace file " + c.trace + " tells why)"), std::string::npos)
            << shown(run);
        EXPECT_NE(test::readFile(c.trace).find("The converter failed"), std::string::npos) << c.trace;
    }
    EXPECT_FALSE(test::fileExists(bin() + "/trace.flt"));
}

} // namespace
} // namespace morvane::hardening
