#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace morvane::media {

// Status codes of DetectMedia. Negative values are libavformat's own error codes.
inline constexpr int kDetectOk = 0;
inline constexpr int kDetectFailed = -1000000; // missing, empty or not a regular file
// A playlist, concat script, manifest or other list of further files: only the one file is ever read.
inline constexpr int kDetectListOfFiles = -0x5453494C;

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

// The streams a conversion takes when it is not told which: the first picture that is no cover and has
// a frame size, and the first sound with a sample rate and channels.
struct MediaStreams {
    int videoStream = -1; // the index in the file, -1 without one
    int audioStream = -1;
    bool interlaced = false; // the picture is stored as fields
    // Where the file's written tags (title, artist ...) are: 0 in the container or nowhere, 1 only with
    // the first sound, 2 only with the first picture.
    int tagsOnStream = 0;

    bool operator==(const MediaStreams&) const = default;
};

// The first picture's own facts (see MediaStreams for which stream that is).
struct PictureStream {
    int width = 0;
    int height = 0;
    double sampleAspect = 1.0; // width of a pixel relative to its height
    double frameRate = 0.0;    // 0 when unknown or for a still picture
    double length = 0.0;       // seconds, 0 when unknown or for a still picture
};

// The first sound's own facts.
struct SoundStream {
    int sampleRate = 0;
    int channels = 0;
    double length = 0.0;
};

// Everything one reading of a file learns.
struct MediaReading {
    bool opened = false; // the file was opened as media (a failure came from reading its streams)
    MediaFacts facts;    // the detector's facts: a later stream of a kind overwrites an earlier one
    MediaStreams streams;
    PictureStream picture;
    SoundStream sound;
    std::string formatName;   // the demuxer's first name, e.g. "avi", "mov"
    bool stillFormat = false; // read by a picture demuxer: a single picture
    // The kind of the first stream that gave none of its facts ("picture" or "sound"), empty when none.
    std::string undecodable;
    // The written tags (names in lower case): the container's, or the first sound's (then the first
    // picture's) when the container holds none, as Ogg keeps its comments with the stream.
    std::map<std::string, std::string> tags;
};

// Reads the file once for all of the above; gives DetectMedia's status.
int readMedia(std::string_view path, MediaReading& reading);

// The streams a conversion takes (MediaReading::streams); 0 when the file could be read, else its
// status, with `streams` as for a file without streams.
int readMediaStreams(std::string_view path, MediaStreams& streams);

// Why a status other than kDetectOk came about, in the libraries' words; empty for kDetectFailed.
std::string describeDetectStatus(int status);

// Where the FFmpeg libraries' own messages (warnings and errors, one line at a time) go instead of the
// process's standard error; an empty sink silences them. Set once at start-up.
void setLibraryMessageSink(std::function<void(std::string_view)> sink);

} // namespace morvane::media
