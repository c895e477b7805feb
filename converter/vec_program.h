#pragma once

#include <string>
#include <vector>

#include "converter/translator.h"
#include "media/media_detector.h"

namespace morvane::converter {

// The whole converter program: "ffmpeg-converter" followed by "-info" and a file, or by a conversion
// in the old dialect. Gives the process exit code.
int vecMain(const std::vector<std::string>& arguments);

// What the converter learns of its input before it translates the command (the media detector's facts).
SourceFacts probeSource(const std::string& path);

// The information line for a probed file: "Duration:%d Width:%d Height:%d Video:%d Audio:%d".
// A positive length shorter than a second counts as one second; a still picture has none.
std::string formatInfoLine(const media::MediaFacts& facts);

// The temporary name beside `outputPath` that FFmpeg writes to: the same folder and extension, so the
// same container is chosen, with `tag` in the name.
std::string temporaryOutputName(const std::string& outputPath, const std::string& tag);

} // namespace morvane::converter
