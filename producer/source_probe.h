#pragma once

#include <map>
#include <string>

#include "platform/expected.h"

namespace morvane::producer {

// What the input plug-in learns about a source file.
struct SourceFacts {
    bool hasVideo = false;
    bool hasAudio = false;
    int videoStream = -1; // index in the file of the first video stream (cover pictures skipped)
    int audioStream = -1;
    int width = 0;
    int height = 0;
    double sampleAspect = 1.0; // width of a pixel relative to its height
    double frameRate = 0.0;    // 0 when unknown or for a still picture
    bool still = false;
    int sampleRate = 0;
    int channels = 0;
    double duration = 0.0;   // seconds; 0 when unknown
    std::string formatName;  // the demuxer's first name, e.g. "avi", "mov"
    bool interlaced = false; // the picture is stored as fields
    // The tags of the file (names in lower case): the container's, or the sound's (then the picture's)
    // stream's when the container holds none, as Ogg keeps its comments with the stream.
    std::map<std::string, std::string> tags;
};

// Reads the facts of a local file with libavformat; fails when it cannot be read or holds neither
// video nor audio.
platform::Expected<SourceFacts> probeSource(const std::string& path);

} // namespace morvane::producer
