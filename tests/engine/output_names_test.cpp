#include "engine/output_names.h"

#include <gtest/gtest.h>

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

TEST(FrameServerScriptLock, OneHolderAtATimeAcrossThreads) {
    TempDir dir;
    const std::string script = dir.file("input.avs");
    FrameServerScriptLock first;
    ASSERT_TRUE(first.acquire(script));
    EXPECT_TRUE(first.acquire(script)) << "holding it counts as having it";
    std::string error;
    bool second = true;
    std::thread([&] {
        FrameServerScriptLock other;
        second = other.acquire(script, std::chrono::milliseconds(100), &error);
    }).join();
    EXPECT_FALSE(second);
    EXPECT_NE(error.find("another conversion has held it for too long"), std::string::npos) << error;
    first.release();
    std::thread([&] {
        FrameServerScriptLock other;
        second = other.acquire(script, std::chrono::milliseconds(100), &error);
    }).join();
    EXPECT_TRUE(second) << error;
    FrameServerScriptLock nowhere;
    EXPECT_FALSE(nowhere.acquire(dir.file("missing/input.avs"), std::chrono::milliseconds(10), &error));
}

} // namespace
} // namespace morvane::engine
