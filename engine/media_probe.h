#pragma once

#include <cstdint>
#include <string_view>

#include "engine/conversion_job.h"

namespace morvane::engine {

// Learns the length (plus one second), frame size and streams of the file at `path` into the job
// and marks whether the frame-server route may be used for it: the media detector first, then the
// converter's own "-info" mode. 1 when the facts were obtained, else 0.
std::int32_t probeMediaFile(std::string_view programDirectory, const char* path, ConversionJob* job);

} // namespace morvane::engine
