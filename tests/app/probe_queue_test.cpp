#include "app/probe_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace morvane::app {
namespace {

struct Delivered {
    std::uint64_t request;
    std::string path;
    bool decoded;
    bool last;
};

// Probes by name: "bad" cannot be decoded, "throw" throws, "slowN" takes N milliseconds.
std::unique_ptr<engine::ConversionJob> fakeProbe(const std::string& path) {
    if (path.find("throw") != std::string::npos) {
        throw std::runtime_error("probe broke");
    }
    if (const auto slow = path.find("slow"); slow != std::string::npos) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(path.substr(slow + 4))));
    }
    if (path.find("bad") != std::string::npos) {
        return nullptr;
    }
    auto job = std::make_unique<engine::ConversionJob>();
    job->sourcePath = path;
    job->duration = 3.0;
    return job;
}

TEST(ProbeQueue, DeliversEveryPathInQueueOrderAcrossRequests) {
    std::mutex mutex;
    std::vector<Delivered> delivered;
    ProbeQueue queue(fakeProbe, [&](ProbeQueue::Result r) {
        const std::lock_guard lock(mutex);
        EXPECT_TRUE(!r.job || r.job->sourcePath.view() == r.path);
        delivered.push_back({r.request, r.path, r.job != nullptr, r.lastOfRequest});
    });
    EXPECT_EQ(queue.enqueue({}), 0U) << "an empty request queues nothing";
    const auto first = queue.enqueue({"/a/slow30.mp4", "/a/bad.txt", "/a/c.avi"});
    const auto second = queue.enqueue({"/b/throw.mov", "/b/slow5.mkv"});
    EXPECT_EQ(second, first + 1);
    queue.waitIdle();
    EXPECT_TRUE(queue.idle());

    const std::vector<Delivered> expected{{first, "/a/slow30.mp4", true, false},
                                          {first, "/a/bad.txt", false, false},
                                          {first, "/a/c.avi", true, true},
                                          {second, "/b/throw.mov", false, false},
                                          {second, "/b/slow5.mkv", true, true}};
    const std::lock_guard lock(mutex);
    ASSERT_EQ(delivered.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(delivered[i].request, expected[i].request) << i;
        EXPECT_EQ(delivered[i].path, expected[i].path) << i;
        EXPECT_EQ(delivered[i].decoded, expected[i].decoded) << i;
        EXPECT_EQ(delivered[i].last, expected[i].last) << i;
    }
}

TEST(ProbeQueue, GoingAwayDropsWaitingPathsAndWaitsForTheCurrentOne) {
    std::atomic<int> probed{0};
    std::atomic<int> delivered{0};
    const auto started = std::chrono::steady_clock::now();
    {
        ProbeQueue queue(
            [&](const std::string& path) {
                ++probed;
                return fakeProbe(path);
            },
            [&](ProbeQueue::Result) { ++delivered; });
        std::vector<std::string> paths(200, "/x/slow20.avi");
        queue.enqueue(paths);
        while (probed.load() == 0) {
            std::this_thread::yield();
        }
    }
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::seconds(2)) << "the waiting paths are not probed first";
    EXPECT_LE(probed.load(), 2);
    EXPECT_EQ(delivered.load(), probed.load()) << "a file being probed is still delivered";
}

} // namespace
} // namespace morvane::app
