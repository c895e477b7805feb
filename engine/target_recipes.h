#pragma once

// The last part of a typed job's command line: the target's codec arguments, the fixed encoder
// settings its variant (the profile's QALevel) asks for, and the name of the output file.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/conversion_job.h"

namespace morvane::engine {

struct TargetRecipe {
    std::string arguments;    // appended after the general argument group
    std::string outputSuffix; // what follows the output base path: "_<video>_<audio>.<ext>" or ".<ext>"
};

// The recipe of the job's target code; false for codes without one (0, 6, 12, above 13) and for
// FLV (code 5) with a variant other than 0 or 1.
bool buildTargetRecipe(const ConversionJob& job, TargetRecipe& recipe);

// The encoder tuning the iPod (code 7) and PSP (code 8) recipes add for a variant; empty for
// variants that add none.
std::string_view ipodTuning(std::int32_t variant);
std::string_view pspTuning(std::int32_t variant);

} // namespace morvane::engine
