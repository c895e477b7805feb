#pragma once

#include <cstdint>
#include <string_view>

namespace morvane::producer {

enum class LogLevel {
    Error,
    Information,
    Debug,
};

// Where a log writer sends lines; registered with the hub while it has a file.
class LogTarget {
public:
    virtual void writeLogLine(LogLevel level, std::string_view line) = 0;

protected:
    ~LogTarget() = default;
};

// The library's log: lines reach every registered writer while at least one log system is
// initialised. Thread-safe.
void registerLogSystem();
void unregisterLogSystem();
void registerLogTarget(LogTarget* target);
void unregisterLogTarget(LogTarget* target);

void logLine(LogLevel level, std::string_view text);
inline void logError(std::string_view text) {
    logLine(LogLevel::Error, text);
}
inline void logInfo(std::string_view text) {
    logLine(LogLevel::Information, text);
}

} // namespace morvane::producer
