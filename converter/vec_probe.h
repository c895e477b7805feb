#pragma once

// The media probe that `vec` loads at run time from "libvec-probe.so" beside it: the FFmpeg libraries
// are loaded only when a file has to be read, not for every conversion.

#include "preview/media_plugin.h"

extern "C" {

// Fills `facts` (the detector's facts as the media plugin hands them over; all zero when the file
// cannot be read); gives the media detector's status.
typedef int (*VecProbeFunction)(const char* path, MorvaneMediaFacts* facts, char* reason, int reasonSize);
}

namespace morvane::converter {

inline constexpr const char* kProbeLibrary = "libvec-probe.so";
inline constexpr const char* kProbeFunction = "morvane_vec_probe";
// The status the probe gives for a playlist, concat script, manifest or other list of further files:
// only the one file is ever read.
inline constexpr int kProbeListOfFiles = -0x5453494C;

} // namespace morvane::converter
