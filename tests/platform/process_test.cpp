#include "platform/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/test_support.h"

namespace morvane::platform {
namespace {

const std::string kProbe = MORVANE_PROCESS_PROBE;

std::string readAll(ChildProcess& child) {
    std::string out;
    char buffer[1024];
    for (;;) {
        const auto n = child.readStdout(buffer, sizeof buffer);
        if (n <= 0) {
            return out;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

TEST(Process, ChildSeesOnlyItsThreeStandardDescriptors) {
    // A descriptor of ours without close-on-exec must still not reach the child.
    const int leaky = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 3);
    auto child = ChildProcess::spawn({kProbe, "fds"}, SpawnOptions{});
    ASSERT_TRUE(child.valid());
    EXPECT_EQ(readAll(child), "0\n1\n2\n");
    EXPECT_TRUE(child.wait().success());
    // One descriptor passed on on purpose arrives as descriptor 3, whatever its number here.
    SpawnOptions passing;
    passing.passedDescriptor = leaky;
    auto passed = ChildProcess::spawn({kProbe, "fds"}, passing);
    EXPECT_EQ(readAll(passed), "0\n1\n2\n3\n");
    EXPECT_TRUE(passed.wait().success());
    ::close(leaky);
}

TEST(Process, WorkingDirectoryAndArgumentsAreTheCallers) {
    test::TempDir dir;
    SpawnOptions options;
    options.workingDirectory = dir.path();
    auto child = ChildProcess::spawnCommandLine("\"" + kProbe + "\" cwd", options);
    ASSERT_TRUE(child.valid());
    EXPECT_EQ(readAll(child), std::filesystem::canonical(dir.path()).string() + "\n");
    child.wait();

    auto args = ChildProcess::spawnCommandLine("\"" + kProbe + R"(" args "a b" -x "q\"uote" $(touch x) "")",
                                               SpawnOptions{});
    ASSERT_TRUE(args.valid());
    EXPECT_EQ(readAll(args), "[a b]\n[-x]\n[q\"uote]\n[$(touch]\n[x)]\n[]\n");
    args.wait();
    EXPECT_FALSE(test::fileExists(dir.file("x")));
}

TEST(Process, PipesCarryBothWaysAndExitStatusIsReported) {
    SpawnOptions options;
    options.stdinMode = StdStream::Pipe;
    auto echo = ChildProcess::spawn({kProbe, "echo"}, options);
    ASSERT_TRUE(echo.valid());
    const std::string sent("q\0\0\0\0\0\0\0\0\0 and more", 19);
    ASSERT_TRUE(echo.writeStdin(sent.data(), sent.size()));
    echo.closeStdin();
    EXPECT_EQ(readAll(echo), sent);
    EXPECT_TRUE(echo.wait().success());

    auto exiting = ChildProcess::spawn({kProbe, "exit", "3"}, SpawnOptions{});
    EXPECT_EQ(readAll(exiting), "leaving\n"); // standard error merged into standard output
    const auto status = exiting.wait();
    EXPECT_EQ(status.kind, ExitStatus::Kind::Exited);
    EXPECT_EQ(status.code, 3);
    EXPECT_EQ(status.describe(), "exit code 3");
    EXPECT_EQ(exiting.wait().code, 3);
}

TEST(Process, WritingToAChildThatIsGoneFailsWithoutKillingUs) {
    SpawnOptions options;
    options.stdinMode = StdStream::Pipe;
    auto child = ChildProcess::spawn({kProbe, "exit", "0"}, options);
    ASSERT_TRUE(child.valid());
    child.wait();
    const std::string big(1 << 20, 'x');
    EXPECT_FALSE(child.writeStdin(big.data(), big.size()));
}

TEST(Process, StartFailuresAreExplained) {
    auto missing = ChildProcess::start({"/nonexistent/bin/vec", "ffmpeg-converter"}, SpawnOptions{});
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.errorCode(), ENOENT);
    EXPECT_NE(missing.error().find("/nonexistent/bin/vec"), std::string::npos) << missing.error();
    EXPECT_FALSE(ChildProcess::spawn({"/nonexistent/bin/vec"}, SpawnOptions{}).valid());

    SpawnOptions options;
    options.workingDirectory = "/nonexistent/output/folder";
    auto badDir = ChildProcess::start({kProbe, "cwd"}, options);
    EXPECT_FALSE(badDir);
    EXPECT_NE(badDir.error().find("/nonexistent/output/folder"), std::string::npos) << badDir.error();

    const auto blank = ChildProcess::startCommandLine("   ", SpawnOptions{});
    EXPECT_FALSE(blank);
    EXPECT_EQ(blank.errorCode(), EINVAL);
    EXPECT_FALSE(ChildProcess::spawnCommandLine("   ", SpawnOptions{}).valid());
}

TEST(Process, KillWaitForAndDestructionEndTheChild) {
    auto child = ChildProcess::spawn({kProbe, "sleep"}, SpawnOptions{});
    ASSERT_TRUE(child.valid());
    EXPECT_FALSE(child.waitFor(std::chrono::milliseconds(50)).has_value());
    EXPECT_TRUE(child.kill(SIGTERM));
    const auto status = child.waitFor(std::chrono::seconds(5));
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->kind, ExitStatus::Kind::Signalled);
    EXPECT_EQ(status->code, SIGTERM);

    pid_t pid = 0;
    {
        auto scoped = ChildProcess::spawn({kProbe, "sleep"}, SpawnOptions{});
        pid = scoped.pid();
    }
    EXPECT_FALSE(processAlive(pid)); // killed and reaped by the destructor
}

TEST(Process, ChildDiesWhenItsParentIsKilled) {
    auto parent = ChildProcess::spawn({kProbe, "spawn"}, SpawnOptions{});
    ASSERT_TRUE(parent.valid());
    std::string line;
    char c = 0;
    while (parent.readStdout(&c, 1) == 1 && c != '\n') {
        line.push_back(c);
    }
    const pid_t grandchild = static_cast<pid_t>(std::stol(line));
    ASSERT_GT(grandchild, 0);
    ASSERT_TRUE(processAlive(grandchild));
    parent.kill(SIGKILL);
    parent.wait();
    // The grandchild is reparented and reaped by init once the kernel has killed it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (processAlive(grandchild) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(processAlive(grandchild));
}

TEST(Process, ChildOfAnIdlePriorityThreadRunsAtNormalPriority) {
    std::string policy;
    std::thread worker([&] {
        const sched_param idle{};
        ASSERT_EQ(::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &idle), 0);
        auto child = ChildProcess::spawn({kProbe, "policy"}, SpawnOptions{});
        policy = readAll(child);
        child.wait();
    });
    worker.join();
    EXPECT_EQ(policy, std::to_string(SCHED_OTHER) + "\n");
}

// Without privilege a process cannot leave idle scheduling or lower its nice value, so the worker's
// children must never get them in the first place.
TEST(Process, IdleWorkersOfAnUnprivilegedUserStartChildrenAtTheProgramsPriority) {
    if (::access("/usr/bin/setpriv", X_OK) != 0 || ::access("/usr/bin/nice", X_OK) != 0) {
        GTEST_SKIP() << "setpriv or nice is missing: cannot run the probe as an unprivileged user";
    }
    // The probe lives in the build tree, which the unprivileged user may not reach: it runs from a copy.
    test::TempDir dir;
    const std::string probe = dir.file("probe");
    std::filesystem::copy_file(kProbe, probe);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_exec);
    // nice adds to the nice value the tests run at (a CI runner may itself run niced).
    const int startNice = std::min(19, ::getpriority(PRIO_PROCESS, 0) + 4);
    auto run = ChildProcess::spawn({"/usr/bin/nice", "-n", "4", "/usr/bin/setpriv", "--reuid=nobody",
                                    "--regid=nogroup", "--clear-groups", probe, "idle-child"},
                                   SpawnOptions{});
    ASSERT_TRUE(run.valid());
    const std::string report = readAll(run);
    EXPECT_TRUE(run.wait().success()) << report;
    const std::string expectedChild =
        "child " + std::to_string(SCHED_OTHER) + " " + std::to_string(startNice);
    EXPECT_EQ(report, expectedChild + "\nworker " + std::to_string(SCHED_IDLE) + " " +
                          std::to_string(startNice) + "\n");
}

TEST(ExitStatus, MapsWaitStatuses) {
    EXPECT_TRUE(ExitStatus::fromWaitStatus(0).success());
    const auto exited = ExitStatus::fromWaitStatus(2 << 8);
    EXPECT_EQ(exited.kind, ExitStatus::Kind::Exited);
    EXPECT_EQ(exited.code, 2);
    const auto killed = ExitStatus::fromWaitStatus(SIGKILL);
    EXPECT_EQ(killed.kind, ExitStatus::Kind::Signalled);
    EXPECT_EQ(killed.code, SIGKILL);
    EXPECT_FALSE(killed.success());
    EXPECT_EQ(killed.describe().rfind("killed by signal 9", 0), 0U) << killed.describe();
}

} // namespace
} // namespace morvane::platform
