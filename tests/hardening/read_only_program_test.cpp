// A program directory the user cannot write (an installed program): a failing conversion must name
// the trace file that was really written, and that file must say why. Run as a normal user; the
// suite runs as root, which ignores permissions, so it drops to `nobody` with setpriv there.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "tests/hardening/hardening_env.h"

namespace morvane::hardening {
namespace {

namespace fs = std::filesystem;

TEST_F(HardeningTest, ReadOnlyProgramDirectoryNamesTheTraceReallyWritten) {
    std::vector<std::string> asUser;
    uid_t runAs = ::getuid();
    const std::string user = home.path() + "/user";     // the user's own home
    const std::string locked = home.path() + "/locked"; // folders nobody may write
    fs::create_directories(user);
    fs::create_directories(locked);
    if (runAs == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (::access("/usr/bin/setpriv", X_OK) != 0 || nobody == nullptr) {
            GTEST_SKIP()
                << "running as root without setpriv or a nobody account: permissions cannot be tried";
        }
        runAs = nobody->pw_uid;
        asUser = {"/usr/bin/setpriv", "--reuid=" + std::to_string(runAs),
                  "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", "--"};
        ASSERT_EQ(::chown(user.c_str(), runAs, nobody->pw_gid), 0);
        ASSERT_EQ(::chmod(home.path().c_str(), 0711), 0);
    }
    makeClip("clip.mov", 1.0);
    ASSERT_EQ(::chmod(bin().c_str(), 0555), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);

    const std::string temporaryTrace = user + "/morvane-" + std::to_string(runAs) + "/trace.flt";
    const struct {
        std::string stateHome, temporary, trace, message;
    } cases[] = {
        {user, user, user + "/morvane/trace.flt",
         "Please send the trace file \"" + user + "/morvane/trace.flt\""},
        {locked, user, temporaryTrace, "Please send the trace file \"" + temporaryTrace + "\""},
        {locked, locked, "", "No trace file could be written"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trace);
        auto watch = options();
        watch.environment = {"HOME=" + user, "XDG_STATE_HOME=" + c.stateHome, "XDG_CONFIG_HOME=" + locked,
                             "XDG_DATA_HOME=" + locked, "TMPDIR=" + c.temporary};
        auto argv = asUser;
        // A cut past the end of the clip fails the conversion.
        argv.insert(argv.end(), {bin() + "/morvane-batch", "--json", "-p", kFastProfile, "-o", user + "/out",
                                 "--start", "00:00:10", "--end", "00:00:20", clip("clip.mov")});
        const auto run = test::runWatched(argv, watch);
        EXPECT_EQ(run.exitCode, 1) << shown(run);
        EXPECT_NE(run.err.find("Convert fail! " + c.message), std::string::npos) << shown(run);
        // The event says why (the converter's or FFmpeg's own words: nothing came out of the cut), wherever
        // the trace went.
        EXPECT_TRUE(std::regex_search(run.out, std::regex("\"reason\":\"[^\"]*nothing was"))) << shown(run);
        if (!c.trace.empty()) {
            EXPECT_NE(test::readFile(c.trace).find("The converter failed"), std::string::npos) << c.trace;
        }
    }
    EXPECT_FALSE(test::fileExists(bin() + "/trace.flt"));
    ::chmod(bin().c_str(), 0755);
    ::chmod(locked.c_str(), 0755);
}

} // namespace
} // namespace morvane::hardening
