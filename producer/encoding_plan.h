#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/expected.h"
#include "producer/audience_definition.h"
#include "producer/library_settings.h"
#include "producer/source_probe.h"

namespace morvane::producer {

// The settings of an audience's video stream as they stand when the encoding starts.
struct VideoStreamSettings {
    int bitrateKbps = 0;
    double maxFrameRate = 0.0; // 0: the source's rate
    RateControl rateControl = RateControl::Constant;
    int quality = 0;                   // percent; RateControl::Quality only
    double maxKeyFrameInterval = 10.0; // seconds
    double maxStartupLatency = 4.0;    // seconds of buffer the player may fill before it starts
    std::string complexity = "medium"; // "low", "medium" or "high"
};

struct AudioStreamSettings {
    int bitrateKbps = 0;
    ChannelChoice channels = ChannelChoice::Stereo;
    int maxSampleRate = 48000;
};

// Everything one RealMedia file is made from.
struct PlanRequest {
    std::string sourcePath;
    std::string writePath; // where the encoder writes; renamed to the destination afterwards
    SourceFacts source;
    unsigned width = 0; // 0: from the other side and the source's shape
    unsigned height = 0;
    std::string videoMode = "normal"; // "normal", "smooth", "sharp" or "slideshow"
    std::string audioMode = "music";  // "music" or "voice"
    std::optional<VideoStreamSettings> video;
    std::optional<AudioStreamSettings> audio;
    bool blackLevel = false;      // the black-level prefilter is on the input
    std::optional<double> gainDb; // the audio-gain prefilter is on the input
    double startTime = 0.0;       // seconds into the source
    double endTime = 0.0;         // seconds into the source; 0: to its end
};

struct FrameSize {
    int width = 0;
    int height = 0;
};

// The encoder's arguments (after the program name) and the choices they carry.
struct EncodingPlan {
    std::vector<std::string> arguments;
    bool video = false;
    bool audio = false;
    FrameSize size;
    int frameRate = 0;
    int keyFrameInterval = 0; // frames
    int videoKbps = 0;
    int sampleRate = 0;
    int channels = 0;
    int audioKbps = 0;
    double duration = 0.0; // seconds of output expected; 0 when unknown
};

// The output frame size: the requested one, a missing side taken from the source's shape, scaled
// down to the codec's largest picture and rounded to the sizes the video codec takes.
FrameSize outputFrameSize(unsigned width, unsigned height, const SourceFacts& source,
                          const CodecSettings& codecs);

// The filters that put the source's picture into a frame of `frame`'s size with square pixels: scaled
// whole at its display shape, bars filling the rest (none when the shapes agree within 1 %).
std::string fitPictureFilters(const SourceFacts& source, FrameSize frame);

// Whole frames per second (the RealMedia clock counts milliseconds): the source's rate, capped by
// the stream and thinned by the video mode. 0 for an unknown mode.
int outputFrameRate(const SourceFacts& source, double maxFrameRate, const std::string& videoMode);

// The codec's sample rate nearest above the source's, within the stream's limit.
int outputSampleRate(int sourceRate, int maxSampleRate, const std::vector<int>& codecRates);

int outputChannels(int sourceChannels, ChannelChoice choice, const std::string& audioMode,
                   int codecMaxChannels);

// The plan, or why the request cannot be encoded (no stream left, bad mode, cut outside the source).
platform::Expected<EncodingPlan> buildEncodingPlan(const PlanRequest& request,
                                                   const LibrarySettings& settings);

} // namespace morvane::producer
