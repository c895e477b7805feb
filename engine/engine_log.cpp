#include "engine/engine_log.h"

#include <cstdio>

#include "engine/trace_file.h"
#include "platform/event_log.h"
#include "platform/fixed_text.h"

namespace morvane::engine {

namespace {

// The system log keeps short entries; a runaway converter line is cut here.
constexpr std::size_t kMaxLoggedText = 2048;

std::string_view cut(std::string_view text) {
    return platform::utf8Prefix(text, kMaxLoggedText);
}

void reportError(const std::string& message) {
    platform::reportEvent(platform::EventType::Error, kErrorEventId, (traceTag() + message).c_str());
}

} // namespace

void logModuleError(const char* module, int line, std::string_view text) {
    reportError("Module:" + std::string(module) + ",Line:" + std::to_string(line) + "," +
                std::string(cut(text)));
}

void logErrorInfo(const char* module, const char* where, std::string_view info) {
    reportError("Module:" + std::string(module) + ",Line:" + std::string(where) +
                ",Error Info :" + std::string(cut(info)));
}

void logErrorInfo(unsigned module, const char* where, std::string_view info) {
    char number[16];
    std::snprintf(number, sizeof number, "%x", module);
    logErrorInfo(number, where, info);
}

void logCommandLine(std::string_view text) {
    const std::string message = traceTag() + std::string(text);
    platform::reportEvent(platform::EventType::Information, kCommandEventId, message.c_str());
}

} // namespace morvane::engine
