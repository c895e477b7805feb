#pragma once

#include "engine/quillon_media_cntl.h"

namespace morvane::app {

// The encoders the program offers: the converter encoder, and the RealMedia encoder when built.
engine::EncoderFactory programEncoderFactory();

} // namespace morvane::app
