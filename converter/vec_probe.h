#pragma once

// The media probe that `vec` loads at run time from "libvec-probe.so" beside it: the FFmpeg libraries
// are loaded only when a file has to be read, not for every conversion.

#include "preview/media_plugin.h"

extern "C" {

// Fills `facts` (the detector's facts as the media plugin hands them over; all zero when the file
// cannot be read); gives the media detector's status.
typedef int (*VecProbeFunction)(const char* path, MorvaneMediaFacts* facts, char* reason, int reasonSize);

// What the detector's facts leave out and a conversion still depends on.
struct VecStreamFacts {
    int interlaced; // the first picture stream is stored as fields
    // Where the file's tags (title, artist ...) are: 0 in the container or nowhere, 1 only with the
    // first sound stream, 2 only with the first picture stream.
    int tagsOnStream;
    int audioStream; // the index of the first sound stream, -1 without one
    int videoStream; // the index of the first picture stream (covers aside), -1 without one
};

// Fills `facts` (all zero when the file cannot be read); 0 when it could be read.
typedef int (*VecStreamFactsFunction)(const char* path, VecStreamFacts* facts);
}

namespace morvane::converter {

inline constexpr const char* kProbeLibrary = "libvec-probe.so";
inline constexpr const char* kProbeFunction = "morvane_vec_probe";
inline constexpr const char* kStreamFactsFunction = "morvane_vec_stream_facts";
// The status the probe gives for a playlist, concat script, manifest or other list of further files:
// only the one file is ever read.
inline constexpr int kProbeListOfFiles = -0x5453494C;

} // namespace morvane::converter
