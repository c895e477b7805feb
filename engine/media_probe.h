#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/conversion_job.h"

namespace morvane::engine {

// Learns the length (plus one second), frame size and streams of the file at `path` into the job
// and marks whether the frame-server route may be used for it: the media detector (its plugin,
// loaded on first use) first, then the converter's own "-info" mode. 1 when the facts were obtained, else 0.
std::int32_t probeMediaFile(std::string_view programDirectory, const char* path, ConversionJob* job);

// The media detector's signature (media::DetectMedia): path, duration, has-video, has-audio, frame
// rate, width, height, video bit rate, audio bit rate, sample rate, channels.
using MediaDetectorFunction = int (*)(std::string_view, double*, int*, int*, double*, int*, int*, int*,
                                      double*, double*, int*);

// The same probe with another detector in place of DetectMedia.
std::int32_t probeMediaFile(std::string_view programDirectory, const char* path, ConversionJob* job,
                            MediaDetectorFunction detector);

// What the converter's "-info" line says of a file.
struct ConverterInfo {
    int seconds = 0;
    int width = 0;
    int height = 0;
    int video = 0;
    int audio = 0;
};

// Reads one line of the form "Duration:%d Width:%d Height:%d Video:%d Audio:%d"; nothing unless
// all five numbers are there.
std::optional<ConverterInfo> parseConverterInfoLine(std::string_view line);

// How long the converter may take to answer "-info" before the probe gives up on it.
inline constexpr std::chrono::seconds kConverterProbeTimeLimit{60};

// Asks the converter in `programDirectory` about the file. Writes every output once the converter
// has answered with an information line; a picture without a length counts as 300 seconds. 1 when
// a positive length was obtained; 0 when not, when an output is missing or the converter does not
// start or answer in time.
std::int32_t probeWithConverter(std::string_view programDirectory, std::string_view path, int* seconds,
                                int* width, int* height, int* video, int* audio,
                                std::chrono::milliseconds timeLimit = kConverterProbeTimeLimit);

} // namespace morvane::engine
