#include "platform/event_log.h"

#include <syslog.h>

#include <mutex>

namespace morvane::platform {

namespace {
std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}
EventSink& sink() {
    static EventSink instance;
    return instance;
}
} // namespace

void setEventSink(EventSink newSink) {
    const std::lock_guard lock(sinkMutex());
    sink() = std::move(newSink);
}

int reportEvent(EventType type, unsigned eventId, const char* message) {
    const std::string text = message != nullptr ? std::string(message) : std::string();
    {
        const std::lock_guard lock(sinkMutex());
        if (sink()) {
            sink()(type, eventId, text);
        }
    }
    // openlog keeps the ident pointer, so it must be a string that lives for the whole run.
    static const bool opened = [] {
        ::openlog(kEventSourceName, LOG_PID | LOG_NDELAY, LOG_USER);
        return true;
    }();
    if (!opened) {
        return 0;
    }
    const int priority = type == EventType::Error ? LOG_ERR : LOG_INFO;
    if (message != nullptr) {
        ::syslog(priority, "[event %u] %s", eventId, text.c_str());
    } else {
        ::syslog(priority, "[event %u]", eventId);
    }
    return 1;
}

} // namespace morvane::platform
