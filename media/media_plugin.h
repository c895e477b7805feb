#pragma once

// The media detector as a plugin: "libmorvane-media.so" in the plugin directory holds the detector
// and the FFmpeg libraries behind it, so the programs load them only when a file is first read.
// The boundary is plain C: one entry point handing over a table of functions.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "media/media_detector.h"

extern "C" {

// The facts of one file (MediaFacts of media_detector.h, field for field).
struct MorvaneMediaFacts {
    double duration;
    int hasVideo;
    int hasAudio;
    double frameRate;
    int width;
    int height;
    int videoBitrate;
    double audioBitrate;
    double sampleRate;
    int channels;
    int still;
    double displayAspect;
    int lengthGuessed;
};

// The streams a conversion takes (MediaStreams of media_detector.h, field for field).
struct MorvaneMediaStreams {
    int videoStream;
    int audioStream;
    int interlaced;
    int tagsOnStream;
};

// Receives one line of the FFmpeg libraries' own messages.
typedef void (*MorvaneMediaMessageFunction)(const char* line, std::size_t length, void* context);

struct MorvaneMediaPlugin {
    // detectMediaFacts() on the path's bytes; `facts` all zero unless the status is kDetectOk.
    int (*detect)(const char* path, std::size_t length, MorvaneMediaFacts* facts);
    // setLibraryMessageSink(): null silences the messages.
    void (*setMessageSink)(MorvaneMediaMessageFunction sink, void* context);
    // readMediaStreams() on the path's bytes.
    int (*streams)(const char* path, std::size_t length, MorvaneMediaStreams* streams);
    // describeDetectStatus() into `text` (always terminated).
    void (*describe)(int status, char* text, std::size_t size);
};
}

namespace morvane::media {

inline constexpr const char* kMediaPluginFile = "libmorvane-media.so";
inline constexpr const char* kMediaPluginEntry = "morvane_media_plugin";
inline constexpr int kMediaPluginVersion = 3;

// The facts across the plain-C boundary, and back.
inline MorvaneMediaFacts plainMediaFacts(const MediaFacts& facts) {
    return MorvaneMediaFacts{facts.duration,
                             facts.hasVideo,
                             facts.hasAudio,
                             facts.frameRate,
                             facts.width,
                             facts.height,
                             facts.videoBitrate,
                             facts.audioBitrate,
                             facts.sampleRate,
                             facts.channels,
                             facts.still ? 1 : 0,
                             facts.displayAspect,
                             facts.lengthGuessed ? 1 : 0};
}

inline MediaFacts mediaFactsOf(const MorvaneMediaFacts& plain) {
    return MediaFacts{
        plain.duration,   plain.hasVideo,      plain.hasAudio,          plain.frameRate,  plain.width,
        plain.height,     plain.videoBitrate,  plain.audioBitrate,      plain.sampleRate, plain.channels,
        plain.still != 0, plain.displayAspect, plain.lengthGuessed != 0};
}

// The detector through the plugin, loaded on first use: DetectMedia's contract. While the plugin
// cannot be loaded every output is zero and the status is kDetectFailed.
int detectMediaWithPlugin(std::string_view path, double* duration, int* hasVideo, int* hasAudio,
                          double* frameRate, int* width, int* height, int* videoBitrate = nullptr,
                          double* audioBitrate = nullptr, double* sampleRate = nullptr,
                          int* channels = nullptr);
int detectMediaFactsWithPlugin(std::string_view path, MediaFacts& facts);

// readMediaStreams() through the plugin; kDetectFailed while it cannot be loaded.
int readMediaStreamsWithPlugin(std::string_view path, MediaStreams& streams);

// Why the detector gave `status`: its own words for a list of further files, the libraries' for their
// codes, the plugin's problem while it cannot be loaded; empty for kDetectOk and kDetectFailed.
std::string detectStatusText(int status);

// setLibraryMessageSink() through the plugin; takes effect when the plugin loads if it has not yet.
void setPluginMessageSink(std::function<void(std::string_view)> sink);

// Why the detector plugin cannot be used; empty while it works or has not been needed yet.
std::string mediaPluginProblem();

// What a user is told once when the detector cannot be loaded: files are still read, by the
// converter, but more slowly and with fewer facts.
std::string mediaPluginProblemText(const std::string& problem);

} // namespace morvane::media
