// The small POSIX helpers every layer uses: whole writes, the signal pipe, file identity.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/fd_io.h"
#include "platform/file_identity.h"
#include "platform/signal_pipe.h"
#include "platform/unique_fd.h"
#include "tests/support/test_support.h"

namespace morvane::platform {
namespace {

namespace fs = std::filesystem;

TEST(WriteAll, DeliversEveryByteThroughAFullPipeAndFailsWhenNobodyReads) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    // More than a pipe holds, so the writer must go on after partial writes.
    std::string bytes(1 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    std::string received;
    std::thread reader([&] {
        std::array<char, 4096> buffer{};
        ssize_t n = 0;
        while ((n = ::read(readEnd.get(), buffer.data(), buffer.size())) > 0) {
            received.append(buffer.data(), static_cast<std::size_t>(n));
        }
    });
    EXPECT_TRUE(writeAll(writeEnd.get(), bytes));
    writeEnd.reset();
    reader.join();
    EXPECT_EQ(received, bytes);

    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    readEnd.reset();
    const auto previous = ::signal(SIGPIPE, SIG_IGN);
    EXPECT_FALSE(writeAll(writeEnd.get(), "lost"));
    EXPECT_EQ(errno, EPIPE);
    ::signal(SIGPIPE, previous);
    EXPECT_FALSE(writeAll(-1, "x"));
    EXPECT_TRUE(writeAll(-1, "")); // nothing to write is no failure
}

TEST(SignalPipe, TurnsSignalsIntoBytesAndGivesTheActionsBack) {
    bool pipeSeen = false;
    {
        SignalPipe signals = SignalPipe::install({SIGUSR1, SIGUSR2});
        ASSERT_TRUE(signals.valid());
        EXPECT_EQ(signals.take(), 0); // nothing yet, and no waiting
        ::raise(SIGUSR2);
        ::raise(SIGUSR1);
        EXPECT_EQ(signals.wait(1000), SIGUSR2);
        EXPECT_EQ(signals.take(), SIGUSR1);
        EXPECT_EQ(signals.wait(10), 0);
        SignalPipe moved = std::move(signals);
        ::raise(SIGUSR1);
        EXPECT_EQ(moved.wait(1000), SIGUSR1);
        pipeSeen = true;
    }
    ASSERT_TRUE(pipeSeen);
    struct sigaction now {};
    ASSERT_EQ(::sigaction(SIGUSR1, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    EXPECT_FALSE(SignalPipe().valid());
    EXPECT_EQ(SignalPipe().take(), 0);
}

TEST(SameFile, ComparesExistingFilesByIdentityAndOthersByPath) {
    test::TempDir dir;
    const std::string file = dir.file("a.avi");
    test::writeFile(file, "x");
    const std::string other = dir.file("b.avi");
    test::writeFile(other, "x");
    fs::create_directory(dir.file("sub"));
    fs::create_symlink(file, dir.file("link.avi"));
    fs::create_hard_link(file, dir.file("hard.avi"));
    const std::string missing = dir.file("missing.avi");
    struct Case {
        std::string a;
        std::string b;
        bool same;
    };
    const Case cases[] = {
        {file, file, true},
        {file, dir.file("sub/../a.avi"), true},
        {file, dir.file("link.avi"), true},
        {file, dir.file("hard.avi"), true},
        {file, other, false},
        {missing, dir.file("sub/../missing.avi"), true},
        {missing, file, false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sameFile(c.a, c.b), c.same) << c.a << " ~ " << c.b;
    }
}

} // namespace
} // namespace morvane::platform
