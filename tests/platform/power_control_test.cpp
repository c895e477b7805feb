// The sleep guard asks logind through systemd-inhibit; here a stand-in on PATH plays logind's two answers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "platform/power_control.h"
#include "tests/support/test_support.h"

namespace morvane::platform {
namespace {

class PathWith {
public:
    explicit PathWith(const std::string& folder) : m_old(std::getenv("PATH") ? std::getenv("PATH") : "") {
        ::setenv("PATH", (folder + ":" + m_old).c_str(), 1);
    }
    ~PathWith() { ::setenv("PATH", m_old.c_str(), 1); }
    PathWith(const PathWith&) = delete;
    PathWith& operator=(const PathWith&) = delete;

private:
    std::string m_old;
};

TEST(PowerGuard, KnowsAtOnceWhetherLogindHoldsIt) {
    test::TempDir dir;
    const auto inhibit = dir.file("systemd-inhibit");
    const auto released = dir.file("released");
    // Without logind: a message and an exit at once. With it: the command runs after the options until its
    // input ends, which is when the guard lets go.
    struct Case {
        const char* script;
        bool active;
        const char* described;
    };
    const Case cases[] = {
        {"#!/bin/sh\necho 'Failed to connect to bus: No such file or directory' >&2\nexit 1\n", false,
         "(logind not reachable): Failed to connect to bus: No such file or directory"},
        {"#!/bin/sh\nwhile [ \"${1#--}\" != \"$1\" ]; do shift; done\n\"$@\"\ntouch '' \n", true,
         "sleep and idle inhibited through logind"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        std::string script = c.script;
        const auto touch = script.find("touch ''");
        if (touch != std::string::npos) {
            script.replace(touch, 8, "touch '" + released + "'");
        }
        test::writeFile(inhibit, script);
        ASSERT_EQ(::chmod(inhibit.c_str(), 0755), 0);
        const PathWith path(dir.path());
        SystemPowerControl power;
        {
            const auto guard = power.inhibitSleep("testing");
            EXPECT_EQ(guard->active(), c.active);
            EXPECT_NE(guard->describe().find(c.described), std::string::npos) << guard->describe();
            EXPECT_FALSE(test::fileExists(released));
        }
        // Ending the guard ends the command it held (waited for, not left behind).
        EXPECT_EQ(test::fileExists(released), c.active);
    }
}

// The power-off request: its refusal is told with what the system said; under the test suite the real
// command is refused before anything runs.
TEST(PowerOff, ARefusalSaysWhyAndTheRealCommandIsNeverRunUnderTheSuite) {
    test::TempDir dir;
    const auto stub = dir.file("poweroff-stub");
    const auto called = dir.file("called");
    for (const auto& [script, refusal] :
         {std::pair<std::string, std::string>{
              "#!/bin/sh\necho 'Failed to connect to bus: No such file or "
              "directory' >&2\nexit 1\n",
              "the power-off request failed (exit code 1): Failed to connect to "
              "bus: No such file or directory"},
          std::pair<std::string, std::string>{"#!/bin/sh\nexit 0\n", ""}}) {
        test::writeFile(stub, script);
        ASSERT_EQ(::chmod(stub.c_str(), 0755), 0);
        const auto refused = SystemPowerControl({stub}).shutdown();
        EXPECT_EQ(refused ? refused->reason : std::string(), refusal);
    }
    EXPECT_TRUE(SystemPowerControl({dir.file("missing")}).shutdown().has_value());

    // A systemctl of our own first on PATH records a call, should one be made.
    test::writeFile(dir.file("systemctl"), "#!/bin/sh\ntouch '" + called + "'\n");
    ASSERT_EQ(::chmod(dir.file("systemctl").c_str(), 0755), 0);
    const PathWith path(dir.path());
    ::setenv("MORVANE_TESTING", "1", 1);
    const auto refused = SystemPowerControl().shutdown();
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->reason, "shutdown refused: running under the test suite");
    EXPECT_FALSE(test::fileExists(called));
}

} // namespace
} // namespace morvane::platform
