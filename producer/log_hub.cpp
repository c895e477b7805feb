#include "producer/log_hub.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace morvane::producer {

namespace {

struct Hub {
    std::mutex mutex;
    int systems = 0;
    std::vector<LogTarget*> targets;
};

Hub& hub() {
    static Hub instance;
    return instance;
}

} // namespace

void registerLogSystem() {
    const std::lock_guard lock(hub().mutex);
    ++hub().systems;
}

void unregisterLogSystem() {
    const std::lock_guard lock(hub().mutex);
    hub().systems = std::max(hub().systems - 1, 0);
}

void registerLogTarget(LogTarget* target) {
    const std::lock_guard lock(hub().mutex);
    auto& targets = hub().targets;
    if (std::find(targets.begin(), targets.end(), target) == targets.end()) {
        targets.push_back(target);
    }
}

void unregisterLogTarget(LogTarget* target) {
    const std::lock_guard lock(hub().mutex);
    auto& targets = hub().targets;
    targets.erase(std::remove(targets.begin(), targets.end(), target), targets.end());
}

void logLine(LogLevel level, std::string_view text) {
    // Writers are called under the lock so none can go away while it writes.
    const std::lock_guard lock(hub().mutex);
    if (hub().systems == 0) {
        return;
    }
    for (LogTarget* target : hub().targets) {
        target->writeLogLine(level, text);
    }
}

} // namespace morvane::producer
