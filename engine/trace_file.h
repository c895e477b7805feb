#pragma once

#include <string>
#include <string_view>

namespace morvane::engine {

// The program-wide trace file "trace.flt" (beside the program, or in the user's state folder when the
// program directory is read-only, see platform/user_files.h): every converter command line
// and output line goes there, for the user to send in when a conversion fails. It is created empty
// when it is first opened in a run and stays open until closeTraceFile. Safe to use from any thread.

inline constexpr const char* kTraceFileName = "trace.flt";

// The path the trace file has for the running program.
std::string traceFilePath();

// Opens (creating it empty) unless already open; false when it cannot be created.
bool openTraceFile();

// Appends the text verbatim; opens the file first when needed; does nothing when it cannot.
// Every write reaches the file at once.
void writeTrace(std::string_view text);

// Appends the text followed by "\r\n" in one write.
void writeTraceLine(std::string_view line);

void closeTraceFile();

} // namespace morvane::engine
