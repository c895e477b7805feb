#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace morvane::platform {

// Event types of the application event log.
enum class EventType : int {
    Error = 1,
    Information = 4,
};

// The fixed source name of every entry, whatever the product name in config.ini says.
inline constexpr const char* kEventSourceName = "Quillon Video Converter";

// Writes one entry to the system log (syslog, ident kEventSourceName): errors at LOG_ERR,
// information at LOG_INFO, the event id in the message as "[event N] text". A null message
// writes the id alone. Returns 1 when the log could be used, else 0; callers may ignore it.
int reportEvent(EventType type, unsigned eventId, const char* message);

// Every entry also goes to the sink installed here (tests record entries with it). Passing an
// empty function removes it. Thread-safe.
using EventSink = std::function<void(EventType, unsigned eventId, const std::string& message)>;
void setEventSink(EventSink sink);

} // namespace morvane::platform
