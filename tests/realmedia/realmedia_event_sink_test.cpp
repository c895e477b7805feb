#include "realmedia/realmedia_event_sink.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace morvane::realmedia {
namespace {

struct Reports {
    std::vector<std::int32_t> percents;
};

void collect(std::int32_t percent, void* userData) {
    static_cast<Reports*>(userData)->percents.push_back(percent);
}

TEST(RealMediaEventSink, AnswersOnlyItsOwnInterfaceId) {
    Reports reports;
    auto sink = RealMediaEventSink::create(&collect, &reports);
    ASSERT_TRUE(sink);

    void* result = nullptr;
    EXPECT_EQ(sink->queryInterface(kEventSinkId, &result), kOk);
    EXPECT_EQ(result, static_cast<EventSink*>(sink.get()));
    // The answer carried a reference: two releases bring the count back to 1.
    EXPECT_EQ(sink->release(), 1u);

    for (const InterfaceId& other : {kObjectId, kEncodingJobId, kPropertySetId, InterfaceId{}}) {
        result = &reports;
        EXPECT_EQ(sink->queryInterface(other, &result), kFail) << formatInterfaceId(other);
    }
    EXPECT_EQ(sink->queryInterface(kEventSinkId, nullptr), kPointer);
    EXPECT_EQ(sink->addRef(), 2u);
    EXPECT_EQ(sink->release(), 1u);
}

TEST(RealMediaEventSink, TurnsEventsIntoProgress) {
    Reports reports;
    auto sink = RealMediaEventSink::create(&collect, &reports);
    const std::int32_t half = 50;
    const std::int32_t almost = 97;
    EXPECT_EQ(sink->handleEvent(kEventStarted, nullptr, nullptr, nullptr), kOk);
    EXPECT_EQ(sink->handleEvent(kEventProgress, &half, nullptr, nullptr), kOk);
    EXPECT_EQ(sink->handleEvent(kEventProgress, nullptr, nullptr, nullptr), kOk);
    EXPECT_EQ(sink->handleEvent(kEventError, &half, "bad", nullptr), kOk);
    EXPECT_EQ(sink->handleEvent(3, &half, nullptr, nullptr), kOk);
    EXPECT_EQ(sink->handleEvent(kEventProgress, &almost, nullptr, nullptr), kOk);
    EXPECT_EQ(sink->handleEvent(kEventFinished, nullptr, nullptr, nullptr), kOk);
    EXPECT_EQ(reports.percents, (std::vector<std::int32_t>{1, 50, 97, 100}));
}

TEST(RealMediaEventSink, ReferenceCountHoldsUpUnderTwoThreads) {
    Reports reports;
    auto sink = RealMediaEventSink::create(&collect, &reports);
    constexpr int kRounds = 200000;
    const auto churn = [&] {
        for (int i = 0; i < kRounds; ++i) {
            sink->addRef();
            sink->release();
        }
    };
    const auto hold = [&] {
        for (int i = 0; i < kRounds; ++i) {
            sink->addRef();
        }
        for (int i = 0; i < kRounds; ++i) {
            sink->release();
        }
    };
    std::thread first(churn);
    std::thread second(hold);
    first.join();
    second.join();
    // Only the reference of `sink` is left: one more gives 2, its release 1.
    EXPECT_EQ(sink->addRef(), 2u);
    EXPECT_EQ(sink->release(), 1u);
}

TEST(RealMediaEventSink, TheLastReleaseEndsTheSink) {
    Reports reports;
    auto sink = RealMediaEventSink::create(&collect, &reports);
    RealMediaEventSink* raw = sink.detach();
    EXPECT_EQ(raw->addRef(), 2u);
    EXPECT_EQ(raw->release(), 1u);
    EXPECT_EQ(raw->release(), 0u); // gone; the sanitizer build catches a leak or a double free
}

} // namespace
} // namespace morvane::realmedia
