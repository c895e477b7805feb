#pragma once

// The media probe that `vec` loads at run time from "libvec-probe.so" beside it: the FFmpeg libraries
// are loaded only when a file has to be read, not for every conversion.

extern "C" {

struct VecProbeFacts {
    double duration;
    int hasVideo;
    int hasAudio;
    int width;
    int height;
    double sampleRate;
    int channels;
    int still;            // a single picture
    double displayAspect; // the picture's shape as shown (width ÷ height), 0 without one
    int lengthGuessed;    // the duration is a guess from the bit rate
};

// Fills `facts` (all zero when the file cannot be read); gives the media detector's status.
typedef int (*VecProbeFunction)(const char* path, VecProbeFacts* facts, char* reason, int reasonSize);
}

namespace morvane::converter {

inline constexpr const char* kProbeLibrary = "libvec-probe.so";
inline constexpr const char* kProbeFunction = "morvane_vec_probe";

} // namespace morvane::converter
