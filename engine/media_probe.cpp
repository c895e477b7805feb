#include "engine/media_probe.h"

namespace morvane::engine {

// Probing is not part of this build yet: no file can be read, so none is added to the list.
std::int32_t probeMediaFile(std::string_view /*programDirectory*/, const char* /*path*/,
                            ConversionJob* /*job*/) {
    return 0;
}

} // namespace morvane::engine
