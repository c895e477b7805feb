#pragma once

#include <string>
#include <string_view>

#include "platform/expected.h"

namespace morvane::converter {

// The source a frame-server script names, and how its frames are to be timed.
struct ScriptSource {
    std::string path;              // the file to open instead of the script
    double frameRate = 0.0;        // the script's fps=, 0 when it names none
    bool convertFrameRate = false; // convertfps=true: frames are dropped or repeated to reach frameRate
};

// Whether the input is a frame-server script (".avs" in any case).
bool isFrameServerScript(std::string_view path);

// Reads a script of the form the program writes: a LoadPlugin line for DirectShowSource.dll, one
// DirectShowSource line (the source alone, or with fps= and convertfps=) and "return last". Blank
// lines and Windows line ends are accepted; anything else is refused with the reason. A relative source
// path is taken from `scriptFolder`.
platform::Expected<ScriptSource> readFrameServerScript(std::string_view text, std::string_view scriptFolder);

} // namespace morvane::converter
