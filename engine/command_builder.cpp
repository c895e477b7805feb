#include "engine/command_builder.h"

namespace morvane::engine {

// The option mapping and the per-target recipes are not part of this build yet: every job is
// refused, so no conversion runs with a half-built command line.

bool applyProfileOptions(const profiles::Profile* /*profile*/, ConversionJob* /*job*/) {
    return false;
}

std::int32_t buildConversionCommand(const CommandContext& /*context*/, ConversionJob* /*job*/,
                                    std::string* /*commandLine*/) {
    return 0;
}

} // namespace morvane::engine
