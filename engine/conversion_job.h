#pragma once

#include <cstdint>

#include "platform/fixed_text.h"

namespace morvane::profiles {
struct Profile;
} // namespace morvane::profiles

namespace morvane::engine {
class OutputNames;
} // namespace morvane::engine

namespace morvane::engine {

template <std::size_t N>
using FixedText = platform::FixedText<N>;

// Capacities of the text fields, terminator included.
inline constexpr std::size_t kJobPathCapacity = 1025;
inline constexpr std::size_t kJobNameCapacity = 1025;
inline constexpr std::size_t kJobShortTextCapacity = 256;
inline constexpr std::size_t kJobTimeCapacity = 16;

// Defaults that every run starts from before the profile's options are applied.
inline constexpr std::int32_t kDefaultVideoBitrate = 1200;
inline constexpr double kDefaultFrameRate = 25.0;
inline constexpr std::int32_t kDefaultWidth = 240;
inline constexpr std::int32_t kDefaultHeight = 0;
inline constexpr double kDefaultAudioBitrate = 64.0;
inline constexpr double kDefaultSampleRate = 44100.0;
inline constexpr std::int32_t kDefaultChannels = 1;
inline constexpr std::int32_t kDefaultVolume = 256;

// One file-list row: the settings taken from its profile, the facts probed from the source, the
// paths, the target and the cut range. Every field starts zero (empty texts) when the row is added.
struct ConversionJob {
    FixedText<kJobNameCapacity> videoCodec;
    FixedText<kJobNameCapacity> title;
    std::int32_t videoBitrate = 0; // kilobits per second
    double frameRate = 0.0;
    double progressDuration = 0.0; // seconds; what progress is measured against
    FixedText<kJobShortTextCapacity> aspect;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t variant = 0; // the profile's QALevel, -1 when it has none
    FixedText<kJobNameCapacity> audioCodec;
    double audioBitrate = 0.0; // kilobits per second
    double sampleRate = 0.0;   // hertz
    std::int32_t channels = 0;
    std::int32_t volume = 0;
    FixedText<kJobShortTextCapacity> author;
    FixedText<kJobShortTextCapacity> album;
    FixedText<kJobShortTextCapacity> copyright;
    FixedText<kJobShortTextCapacity> comment;
    std::int32_t sourceVideoBitrate = 0; // bits per second
    double sourceFrameRate = 0.0;
    double duration = 0.0; // source length in seconds plus one
    std::int32_t sourceWidth = 0;
    std::int32_t sourceHeight = 0;
    double sourceAudioBitrate = 0.0;
    double sourceSampleRate = 0.0;
    std::int32_t sourceChannels = 0;
    FixedText<kJobPathCapacity> sourcePath;
    FixedText<kJobPathCapacity>
        outputPath; // output folder, separator, source base name; the recipe adds the rest
    FixedText<kJobPathCapacity> scriptPath;
    std::int32_t targetCode = 0; // 0: the general option path
    std::int32_t hasVideo = 0;
    std::int32_t hasAudio = 0;
    std::int32_t useFrameServer = 0;
    FixedText<kJobTimeCapacity> startTime; // "%02d:%02d:%02d", empty when not set
    FixedText<kJobTimeCapacity> endTime;
    profiles::Profile* profile = nullptr; // the row's own profile; the row owns it
    // The batch's output names, when the job runs in one: the output then takes a free name.
    OutputNames* outputNames = nullptr;
};

// Clears every setting from videoCodec through comment and applies the run defaults. Source,
// probe facts, paths, target, stream flags, cut range and profile stay as they are.
void resetJobSettings(ConversionJob& job);

// Receives progress as a percentage from 1 to 99, on the thread that runs the conversion.
using ProgressCallback = void (*)(std::int32_t percent, void* userData);

enum class EncoderKind : std::int32_t {
    Converter = 0, // the external converter
    RealMedia = 1, // the RealMedia producer
};

// What an encoder is set up with; owned by the main window.
struct EncoderInitRecord {
    std::int32_t forceFrameServer = 0;
    ProgressCallback callback = nullptr;
    void* userData = nullptr;
    EncoderKind kind = EncoderKind::Converter;
    FixedText<kJobPathCapacity> programDirectory; // ends with the separator
};

} // namespace morvane::engine
