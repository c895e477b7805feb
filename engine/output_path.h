#pragma once

// Where an output may go: directly in the output folder, whatever a profile's values say.

#include <string>
#include <string_view>

#include "platform/expected.h"

namespace morvane::engine {

// The output path for `base` (the output folder, a separator and the source's name without its
// extension) followed by the name suffix a recipe gives (codec values and the extension), its file
// name fitted as fitOutputFileName does. A failure, in one line, when the result would not be a file
// directly in the base's folder: a suffix holding a path separator or a zero byte (a codec or
// extension value of the profile), or a file name of dots only.
platform::Expected<std::string> composeOutputPath(std::string_view base, std::string_view suffix);

} // namespace morvane::engine
