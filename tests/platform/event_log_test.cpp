#include "platform/event_log.h"

#include <gtest/gtest.h>

#include <vector>

namespace morvane::platform {
namespace {

TEST(EventLog, EveryEntryReachesTheSinkWithTypeAndId) {
    std::vector<std::string> seen;
    setEventSink([&](EventType type, unsigned id, const std::string& message) {
        seen.push_back(std::to_string(static_cast<int>(type)) + "/" + std::to_string(id) + "/" + message);
    });
    EXPECT_EQ(reportEvent(EventType::Error, 1, "Module:COMMON\\X,Line:10,boom"), 1);
    EXPECT_EQ(reportEvent(EventType::Information, 3, nullptr), 1);
    setEventSink({});
    reportEvent(EventType::Information, 3, "not recorded");
    EXPECT_EQ(seen, (std::vector<std::string>{"1/1/Module:COMMON\\X,Line:10,boom", "4/3/"}));
}

} // namespace
} // namespace morvane::platform
