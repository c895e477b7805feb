#pragma once

#include <functional>
#include <string_view>

namespace morvane::preview {

// Status codes of DetectMedia. Negative values are libavformat's own error codes.
inline constexpr int kDetectOk = 0;
inline constexpr int kDetectFailed = -1000000; // missing, empty or not a regular file

// Reads the facts of a media file in process with libavformat. `path` is an 8-bit (UTF-8) file path.
// Every output is optional (null is skipped) and is set to zero first; a file that cannot be read
// leaves all of them zero. A later stream of a kind overwrites the facts of an earlier one;
// `duration` is the longer of the video and the audio length. Still pictures report their frame
// size with no length and no frame rate. Cover art attached to audio files is not a video stream.
// Bit rates are in bits per second; the height is always positive.
int DetectMedia(std::string_view path, double* duration, int* hasVideo, int* hasAudio, double* frameRate,
                int* width, int* height, int* videoBitrate = nullptr, double* audioBitrate = nullptr,
                double* sampleRate = nullptr, int* channels = nullptr);

// All facts of one file at once, for callers that want every output.
struct MediaFacts {
    double duration = 0.0;
    int hasVideo = 0;
    int hasAudio = 0;
    double frameRate = 0.0;
    int width = 0;
    int height = 0;
    int videoBitrate = 0;
    double audioBitrate = 0.0;
    double sampleRate = 0.0;
    int channels = 0;
    bool still = false; // a single picture (frame size without length)
    // The picture's shape as shown: width × sample aspect ÷ height (square pixels when the file states
    // none); 0 without a picture.
    double displayAspect = 0.0;
    // The length is a guess from the stated bit rate (raw streams without timestamps): the file may
    // last much longer.
    bool lengthGuessed = false;

    bool operator==(const MediaFacts&) const = default;
};

// Hands the facts out the way DetectMedia does: every output that is not null gets its fact.
inline void spreadMediaFacts(const MediaFacts& facts, double* duration, int* hasVideo, int* hasAudio,
                             double* frameRate, int* width, int* height, int* videoBitrate,
                             double* audioBitrate, double* sampleRate, int* channels) {
    const auto put = [](auto* output, auto value) {
        if (output != nullptr) {
            *output = value;
        }
    };
    put(duration, facts.duration);
    put(hasVideo, facts.hasVideo);
    put(hasAudio, facts.hasAudio);
    put(frameRate, facts.frameRate);
    put(width, facts.width);
    put(height, facts.height);
    put(videoBitrate, facts.videoBitrate);
    put(audioBitrate, facts.audioBitrate);
    put(sampleRate, facts.sampleRate);
    put(channels, facts.channels);
}

// The same probe filling every fact; gives DetectMedia's status.
int detectMediaFacts(std::string_view path, MediaFacts& facts);

// Where the FFmpeg libraries' own messages (warnings and errors, one line at a time) go instead of the
// process's standard error; an empty sink silences them. Set once at start-up.
void setLibraryMessageSink(std::function<void(std::string_view)> sink);

} // namespace morvane::preview
