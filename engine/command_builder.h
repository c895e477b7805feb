#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/conversion_job.h"

namespace morvane::engine {

// What the command builders take from the encoder that runs the command.
class FrameServerScriptLock;

struct CommandContext {
    std::string_view programDirectory; // where the converter "vec" lies; ends with the separator
    std::int32_t forceFrameServer = 1; // whether sources may be read through the frame-server script
    // Taken before the script is written, when given; the caller releases it once the converter has
    // read the script.
    FrameServerScriptLock* scriptLock = nullptr;
};

// Fills the job's settings from the profile's options (after resetJobSettings). False when either
// is missing.
bool applyProfileOptions(const profiles::Profile* profile, ConversionJob* job);

// Builds the whole converter command line for the job into `commandLine` (replacing what it held):
// the general option path for target code 0, the command head, the video, audio and general
// argument groups and the target's recipe for codes 1 to 13. Completes job->outputPath with the
// output file's name and writes the frame-server script when the converter is to read it. 1 on
// success; 0, with an empty command line and the output path left as it was, when the job or the
// command line is missing, when the target has no recipe, when the output would be the source file
// itself or when its name does not fit the job (both logged to the event log and the trace file).
std::int32_t buildConversionCommand(const CommandContext& context, ConversionJob* job,
                                    std::string* commandLine);

} // namespace morvane::engine
