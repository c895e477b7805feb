#include "engine/output_names.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <string>
#include <thread>
#include <vector>

#include "engine/frame_server_script.h"
#include "tests/support/test_support.h"

namespace morvane::engine {
namespace {

using morvane::test::TempDir;

TEST(OutputNames, NumberGoesBeforeTheExtensionOfTheFileName) {
    EXPECT_EQ(numberedName("/o/clip_h264_aac.mp4", 2), "/o/clip_h264_aac (2).mp4");
    EXPECT_EQ(numberedName("/o.d/_h264_aac", 3), "/o.d/_h264_aac (3)");
    EXPECT_EQ(numberedName("/o/.hidden", 2), "/o/.hidden (2)");
}

TEST(OutputNames, SourcesAndEarlierClaimsAreNeverGivenOut) {
    TempDir dir;
    const std::string source = dir.file("clip_x.mp4");
    test::writeFile(source, "source");
    OutputNames names;
    names.addSource(source);
    names.addSource(dir.file("gone.mp4")); // a source that is not there is still one
    // A source reached through another name.
    EXPECT_EQ(names.claim(dir.path() + "/./clip_x.mp4"), dir.path() + "/./clip_x (2).mp4");
    EXPECT_EQ(names.claim(dir.file("gone.mp4")), dir.file("gone (2).mp4"));
    EXPECT_EQ(names.claim(dir.file("a.mp4")), dir.file("a.mp4"));
    EXPECT_EQ(names.claim(dir.file("a.mp4")), dir.file("a (2).mp4"));
    EXPECT_EQ(names.claim(dir.file("a.mp4")), dir.file("a (3).mp4"));
    // An earlier batch's file is neither: it may be replaced.
    test::writeFile(dir.file("old.mp4"), "earlier output");
    EXPECT_EQ(names.claim(dir.file("old.mp4")), dir.file("old.mp4"));
}

TEST(OutputNames, ThreadsClaimingOneNameGetDistinctNames) {
    OutputNames names;
    std::vector<std::string> got(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < got.size(); ++i) {
        threads.emplace_back([&, i] { got[i] = names.claim("/o/clip.mp4"); });
    }
    for (auto& t : threads) {
        t.join();
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(std::unique(got.begin(), got.end()), got.end());
}

// Two programs writing one folder: a name another live run has claimed takes the free-name rule; the
// claims of a run that ended (killed outright or not) hold nothing, and the last run out leaves no
// claims file behind.
TEST(OutputNames, ANameAnotherRunHoldsTakesTheNextFreeName) {
    TempDir dir;
    const std::string clip = dir.file("clip_h264_aac.mp4");
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        ::close(toChild[1]); // the parent's end: closing it there ends this process
        OutputNames names;   // another program's batch
        const bool claimed = names.claim(clip) == clip;
        char byte = claimed ? 'y' : 'n';
        [[maybe_unused]] const auto written = ::write(fromChild[1], &byte, 1);
        [[maybe_unused]] const auto read = ::read(toChild[0], &byte, 1); // until told to end
        ::_exit(0); // ended outright: nothing released on the way out
    }
    char byte = 0;
    ASSERT_EQ(::read(fromChild[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'y');
    {
        OutputNames names;
        EXPECT_EQ(names.claim(clip), dir.file("clip_h264_aac (2).mp4")) << "the other run is writing it";
        names.releaseClaims();
    }
    ::close(toChild[1]);
    ::waitpid(other, nullptr, 0);
    OutputNames names;
    EXPECT_EQ(names.claim(clip), clip) << "a claim of a run that is gone holds nothing";
    OutputNames second;
    EXPECT_EQ(second.claim(clip), dir.file("clip_h264_aac (2).mp4"));
    EXPECT_TRUE(test::fileExists(dir.file(".morvane-outputs.lock")));
    names.releaseClaims();
    EXPECT_TRUE(test::fileExists(dir.file(".morvane-outputs.lock"))) << "the second still holds a claim";
    second.releaseClaims();
    EXPECT_FALSE(test::fileExists(dir.file(".morvane-outputs.lock")));
    for (const int fd : {toChild[0], fromChild[0], fromChild[1]}) {
        ::close(fd);
    }
}

// A source named like a converter's work file is held while the batch runs, so no converter's
// sweep removes it.
TEST(OutputNames, SourcesNamedLikeWorkFilesAreHeldForTheBatch) {
    TempDir dir;
    const std::string source = dir.file("clip.vec-part-abc123.mp4");
    test::writeFile(source, "source");
    OutputNames names;
    names.addSource(source);
    const int sweep = ::open(source.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_NE(::flock(sweep, LOCK_EX | LOCK_NB), 0);
    names.releaseClaims();
    EXPECT_EQ(::flock(sweep, LOCK_EX | LOCK_NB), 0);
    ::close(sweep);
}

TEST(FrameServerScriptLock, OneHolderAtATimeAcrossThreads) {
    TempDir dir;
    const std::string script = dir.file("input.avs");
    FrameServerScriptLock first;
    ASSERT_TRUE(first.acquire(script));
    EXPECT_TRUE(first.acquire(script)) << "holding it counts as having it";
    platform::Expected<void> second;
    std::thread([&] {
        FrameServerScriptLock other;
        second = other.acquire(script, std::chrono::milliseconds(100));
    }).join();
    EXPECT_FALSE(second);
    EXPECT_NE(second.error().find("another conversion has held it for too long"), std::string::npos)
        << second.error();
    first.release();
    std::thread([&] {
        FrameServerScriptLock other;
        second = other.acquire(script, std::chrono::milliseconds(100));
    }).join();
    EXPECT_TRUE(second) << second.error();
    FrameServerScriptLock nowhere;
    EXPECT_FALSE(nowhere.acquire(dir.file("missing/input.avs"), std::chrono::milliseconds(10)));
}

} // namespace
} // namespace morvane::engine
