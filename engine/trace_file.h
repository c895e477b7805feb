#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane::engine {

// The program-wide trace file "trace.flt" (beside the program, or in the user's state folder when the
// program directory is read-only, see platform/user_files.h): every converter command line
// and output line goes there, for the user to send in when a conversion fails. It is created empty
// when it is first opened in a run and stays open until closeTraceFile. Safe to use from any thread.

inline constexpr const char* kTraceFileName = "trace.flt";

// The trace file of the running program: the one open when it is, else where it will be opened.
// When its place cannot take it (trace.flt a folder or a named pipe, a folder not writable), the
// trace is opened in the account's private temporary folder instead (platform/user_files.h).
std::string traceFilePath();

// Opens (creating it empty) unless already open; false when it cannot be created anywhere.
bool openTraceFile();

// The path of the trace that is written, opening it when needed; nothing when none can be.
std::optional<std::string> writtenTraceFile();

// Appends the text verbatim; opens the file first when needed; does nothing when it cannot.
// Every write reaches the file at once.
void writeTrace(std::string_view text);

// Appends the text followed by "\r\n" in one write.
void writeTraceLine(std::string_view line);

void closeTraceFile();

// While one lives, every line the calling thread writes to the trace and to the event log starts with
// `tag`, so the lines of conversions that run side by side can be told apart.
class ScopedTraceTag {
public:
    explicit ScopedTraceTag(std::string tag);
    ~ScopedTraceTag();
    ScopedTraceTag(const ScopedTraceTag&) = delete;
    ScopedTraceTag& operator=(const ScopedTraceTag&) = delete;

private:
    std::string m_previous;
};

// The calling thread's tag; empty when none.
const std::string& traceTag();

// `text` with `tag` put at the start of each of its lines (a line end closing the text starts none).
std::string taggedLines(std::string_view text, std::string_view tag);

} // namespace morvane::engine
