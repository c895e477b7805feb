#pragma once

#include <string>
#include <string_view>

namespace morvane::engine {

// Module names and positions under which the engine's error lines are known.
inline constexpr const char* kFacadeModule = "COMMON\\CQuillonMediaCntl";
inline constexpr const char* kEncoderModule = "COMMON\\CFfmpegEncoder";
inline constexpr const char* kRunnerModule = "CFFMPEGENCODER";
inline constexpr unsigned kEncoderModuleNumber = 16776961;
inline constexpr int kLineNullJob = 113;
inline constexpr int kLineConvertException = 179;
inline constexpr int kLinePrepareException = 641;
inline constexpr int kLineSourceUnusable = 648;

// Event ids of the application event log.
inline constexpr unsigned kErrorEventId = 1;
inline constexpr unsigned kCommandEventId = 3;

// "Module:<module>,Line:<line>,<text>" as an error event.
void logModuleError(const char* module, int line, std::string_view text);
// "Module:<module>,Line:<where>,Error Info :<info>" as an error event.
void logErrorInfo(const char* module, const char* where, std::string_view info);
// "Module:<number in hexadecimal>,Line:<where>,Error Info :<info>" as an error event.
void logErrorInfo(unsigned module, const char* where, std::string_view info);
// The text as an information event with the command-line event id.
void logCommandLine(std::string_view text);

} // namespace morvane::engine
