#pragma once

// The frame-server script "input.avs": for sources the converter does not read well by itself, the
// converter is given a small script instead that opens the source through the DirectShowSource
// plug-in. One script in the program directory serves every run; it is rewritten before each run
// that uses it.

#include <chrono>
#include <string>
#include <string_view>

#include "platform/expected.h"
#include "platform/unique_fd.h"

namespace morvane::engine {

inline constexpr const char* kFrameServerScriptName = "input.avs";

// How the script opens a source, chosen by the source's extension.
enum class ScriptKind {
    None,               // the converter reads the source directly: no script
    ConvertedFrameRate, // frames dropped or repeated to a steady 23.976 per second (".asf", ".ram")
    StatedFrameRate,    // timed at 23.976 per second as they stand (".mov")
    SourceFrameRate,    // the source's own timing (every other extension, and none)
};

// The extension is the text from the last "." of the file name on, compared without regard to case.
ScriptKind frameServerScriptKind(std::string_view sourcePath);

// The three lines of the script for the source: the plug-in, the source, "return last" (no line end).
std::string frameServerScriptText(ScriptKind kind, std::string_view sourcePath);

enum class ScriptOutcome {
    ReadDirectly, // no script is used for this source
    Written,      // the script was written: the converter reads it instead of the source
};

// One script serves every conversion of the program directory, so a run holds it from before the
// script is written until its converter has read it (the converter's first line says so, as does its
// end). Other runs wait, whether they are threads of this process or other processes: the lock is
// an exclusive flock on the script's folder, made through a descriptor of the holder's own, which the
// system drops with the holder.
class FrameServerScriptLock {
public:
    static constexpr std::chrono::seconds kLongestWait{120};

    FrameServerScriptLock() = default;
    FrameServerScriptLock(const FrameServerScriptLock&) = delete;
    FrameServerScriptLock& operator=(const FrameServerScriptLock&) = delete;

    // Waits at most `longest` for the script at `scriptPath`; a failure says why it could not be had.
    // Holding it already counts as having it.
    platform::Expected<void> acquire(const std::string& scriptPath,
                                     std::chrono::milliseconds longest = kLongestWait);
    void release();
    bool held() const { return m_folder.valid(); }

private:
    platform::UniqueFd m_folder;
};

// Writes (replacing) the script for the source at `scriptPath` when the source needs one. A source
// path holding a line break cannot stand in a script line and is read directly. A failure says why a
// wanted script could not be written.
platform::Expected<ScriptOutcome> writeFrameServerScript(const std::string& scriptPath,
                                                         std::string_view sourcePath);

} // namespace morvane::engine
