#pragma once

// The translator's parts, shared by its files: the scan and the run (translator.cpp), the target and
// device rules (translator_targets.cpp), the codec choice (translator_codecs.cpp), the picture plan and
// the filters (translator_picture.cpp) and the handlers of single options (translator_options.cpp).
// Not for use outside the translator.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "converter/codec_support.h"
#include "converter/media_text.h"
#include "converter/translator.h"
#include "platform/expected.h"
#include "platform/text_rules.h"

namespace morvane::converter::translation {

using platform::toLowerAscii;

// Numbers and rates as the old dialect writes them.
std::optional<double> parseNumber(std::string_view text);
// Bit rates of the old dialect: "1200k", "64.00k", "10M" or plain bits per second.
std::optional<double> parseBitrate(std::string_view text);
std::string formatInteger(double value);
std::string formatBitrate(double bitsPerSecond);
std::string joinTokens(const std::vector<std::string>& tokens);

// What a -target value sets, so the options it overrides can be recognised.
struct TargetInfo {
    std::string format;
    std::string videoEncoder;
    std::string audioEncoder;
    double maxrate = 0.0;
    std::string norm; // "pal", "ntsc" or "film"; empty when FFmpeg guesses it from the input
};

std::optional<TargetInfo> targetInfo(std::string_view value);
bool isDisc(const TargetInfo& target);
// DVD and SVCD pictures are shown at 4:3 or 16:9; a VCD's at 4:3 only.
bool target169(std::string_view format);
// The picture a disc target makes; nothing when the norm is left to FFmpeg.
std::optional<FrameSize> discFrameSize(const TargetInfo& target);
// Whether the target sets the option. Given before the target, some of them would win in FFmpeg 5.1
// (the codec settings) where the old converter let the target win, and the others are overridden with a
// warning; either way the target's value is the one that counts.
bool overriddenByTarget(const TargetInfo& target, std::string_view name);

// What the players this converter writes for accept, one row per device, codec and picture size:
// outputs for them stay within the row's profile and level (H.264), rate and buffer. Figures from the
// makers' published limits where they give them, else the codec level's:
//   iPod (5th generation to classic, nano 3rd generation on): H.264 Baseline up to level 1.3 at
//     768 kbit/s and 320x240, up to level 3.0 at 2.5 Mbit/s and 640x480; MPEG-4 Simple Profile at
//     2.5 Mbit/s up to 640x480. No buffer is published beyond the level's: one second at the rate
//     keeps every second of the file within the rate (10 Mbit at 2.5 Mbit/s let one second reach
//     2.9 Mbit/s).
//   PSP: H.264 Main at level 2.1 (480x272) and 3.0 (720x480), the levels' rates and buffers; MPEG-4
//     Simple Profile at 1.5 Mbit/s, the PSP recipes' own ceiling.
//   Phones (3GPP): H.264 Baseline at levels 1.3 and 3.0; H.263 and MPEG-4 at 384 kbit/s up to CIF
//     (H.263 level 30, MPEG-4 Simple Profile level 3) and 2 Mbit/s above (H.263 level 40).
// H.263 and MPEG-4 encoders hold no rate by themselves: the rate asked for is their ceiling too, with
// a buffer of one second.
struct DeviceLimits {
    std::string_view device;
    std::string_view muxer; // how the command names the device: its container
    std::string_view codec; // "h264", or "mpeg4" for MPEG-4 Part 2 and H.263
    int width;              // the largest picture of the row
    int height;
    std::string_view profile; // H.264 only
    std::string_view level;
    double maxrate; // bits per second
    double bufsize; // bits
};

enum class Narrowband { None, AmrNb, AmrWb };

struct CodecChoice {
    std::string name; // what FFmpeg is told
    std::string note; // why it differs from what was asked, when it does
    Narrowband narrow = Narrowband::None;
};

bool isH263(const std::string& encoder);

// Pixels taken from (a crop) or added to (a pad) each side of a picture.
struct Borders {
    int top = 0;
    int bottom = 0;
    int left = 0;
    int right = 0;
    int sum() const { return top + bottom + left + right; }
};

class Translator {
public:
    explicit Translator(const TranslationRequest& request)
        : m_request(request), m_options(request.command.options) {}

    // The FFmpeg arguments, or why nothing may run.
    platform::Expected<Translation> run();

private:
    void scan();
    void chooseCodecs();
    void chooseVideoCodec();
    void chooseAudioCodec();
    platform::Expected<void> checkCut();
    void emitInput();
    void emitOutputOptions();
    void emitOption(std::size_t index);
    void emitFixes();

    // One handler per kind of option; see optionHandlers().
    using Handler = void (Translator::*)(const OldOption&, std::size_t);
    static const std::map<std::string_view, Handler>& optionHandlers();
    static const std::map<std::string_view, std::string>& renamedOptions();
    void passOption(const OldOption& option, std::size_t index);
    void emitNothing(const OldOption& option, std::size_t index);
    void emitRenamed(const OldOption& option, std::size_t index);
    void emitDropped(const OldOption& option, std::size_t index);
    void emitVideoBitrate(const OldOption& option, std::size_t index);
    void emitAudioBitrate(const OldOption& option, std::size_t index);
    void emitAudioFormat(const OldOption& option, std::size_t index);
    void emitFrameRate(const OldOption& option, std::size_t index);
    void emitFrameSize(const OldOption& option, std::size_t index);
    void emitAspect(const OldOption& option, std::size_t index);
    void emitLength(const OldOption& option, std::size_t index);
    void emitFrameTiming(const OldOption& option, std::size_t index);
    void emitCodec(const OldOption& option, std::size_t index);
    void emitVideoTag(const OldOption& option, std::size_t index);
    void emitFormat(const OldOption& option, std::size_t index);
    void emitTarget(const OldOption& option, std::size_t index);
    void emitSubtitleOption(const OldOption& option, std::size_t index);
    void emitMap(const OldOption& option, std::size_t index);
    void emitLoopOutput(const OldOption& option, std::size_t index);
    void emitTag(const OldOption& option, std::size_t index);
    void emitMotionSearch(const OldOption& option, std::size_t index);
    void emitEncoderTuning(const OldOption& option, std::size_t index);
    void emitRateTolerance(const OldOption& option);
    void emitRateControl(const OldOption& option, std::size_t index);
    void emitFlags(const OldOption& option, std::size_t index);
    void emitReplaced(const OldOption& option, std::size_t index);

    // What a disc target does with a value the command stated before it.
    void settleBeforeTarget(const OldOption& option);
    // The start of the cut in microseconds (0 when there is none).
    std::int64_t cutStart() const;
    // Whether a cut length takes the whole of an uncut source.
    bool reachesTheEnd(const OldOption& length);
    // Fits the source's picture into a frame of `width` x `height` shown at `aspect`, bars around it.
    // Scales the picture of display shape `shown` to fit the `area` of a width x height frame whose display
    // shape is `aspect`, bars filling the rest in `color`.
    void fitPicture(int width, int height, double aspect, bool squarePixels, double shown,
                    const Borders& area = {}, const std::string& color = {});
    void planPictureShape();
    // The disc's picture shape for a picture of display shape `shown`: 16:9 where the disc has it and the
    // picture is wide, else 4:3.
    double chooseDiscAspect(double shown);
    // A disc with the command's crop and pad: the cropped picture keeps its shape inside the pads.
    void planDiscFrame(const Borders& crop, const Borders& pads, const std::string& color);
    // The player the command writes for, from its container or its iPod tuning; holds the rates to it.
    void chooseDevice();
    void emitH264Profile();
    // The maximum rate the command or its target holds the video to.
    void settleMaxrate();
    // The sample rate and channel count, held to what the audio encoder takes.
    void settleSampleRate();
    void settleChannels();
    // The device's maximum rate and buffer where the command does not state them.
    void emitDeviceRates();
    void planFilters();
    // The pictures' timing: fields woven, frames chosen for a rate.
    void planFrameTiming();
    // The crop, the pads and the scaling between them.
    void planFrame();
    void planAudioFilters();
    // The value of a crop or pad option in pixels; 0 when it is not given or is no pixel count.
    int pixelCount(const char* name);
    // Silence after a sound too short for an ADTS file that players recognise.
    void padShortAdts();
    void emitFilters();
    // What follows every option: the container's timing, field and mix settings, the tags, the output.
    void emitClosing();

    void note(std::string text) { m_result.notes.push_back(std::move(text)); }
    void dropNote(const OldOption& option, const std::string& why) {
        note("dropped -" + option.name + (option.hasValue ? " " + option.value : std::string()) + ": " + why);
    }
    void out(std::initializer_list<std::string> words) {
        m_result.arguments.insert(m_result.arguments.end(), words.begin(), words.end());
    }
    bool has(const std::string& name) const { return m_last.count(name) != 0; }
    const OldOption* last(const std::string& name) const {
        const auto it = m_last.find(name);
        return it == m_last.end() ? nullptr : &m_options[it->second];
    }
    bool isX264() const { return m_videoEncoder == "libx264"; }
    bool videoCopy() const { return m_videoEncoder == "copy"; }
    bool audioCopy() const { return m_audioEncoder == "copy"; }
    bool nativeVideoEncoder() const {
        return !m_videoEncoder.empty() && !isX264() && m_videoEncoder != "libxvid";
    }
    bool inputSide(const OldOption& option) const;
    // The input's facts for choices that depend on them; probes at most once.
    const SourceFacts& probed();
    const StreamFacts& streamFacts();

    const TranslationRequest& m_request;
    const std::vector<OldOption>& m_options;
    Translation m_result;

    std::map<std::string, std::size_t> m_last; // name -> index of the occurrence that counts
    std::set<std::size_t> m_skip;              // occurrences that do not reach FFmpeg
    std::optional<TargetInfo> m_target;
    std::size_t m_targetIndex = 0;
    std::string m_muxer;

    std::string m_videoAsked; // the final video codec as the command or the target asked
    std::optional<std::size_t> m_videoIndex;
    std::string m_audioAsked;
    std::optional<std::size_t> m_audioIndex;
    std::string m_videoName; // what FFmpeg is told
    std::string m_audioName;
    std::string m_videoEncoder; // the encoder FFmpeg will use; empty when unknown
    std::string m_audioEncoder;
    bool m_fixVideoCodec = false; // the chosen codec must be named at the end
    bool m_fixAudioCodec = false;
    Narrowband m_narrow = Narrowband::None;

    int m_outWidth = 0; // frame size after -s (0 when it follows the source)
    int m_outHeight = 0;
    bool m_scaleInFilter = false;
    std::string m_scaleFilter;
    std::optional<double> m_videoBitrate;
    std::optional<double> m_maxrate;
    std::optional<int> m_sampleRate; // after corrections
    std::optional<int> m_channels;

    bool m_audioOut = false;
    SourceFacts m_facts;
    bool m_probed = false;
    std::string m_fillerVideo; // a generated stream standing in for one the source lacks
    std::string m_fillerAudio;
    bool m_mapVideo = false; // the first video stream is chosen
    bool m_mapAudio = false;
    std::vector<std::string> m_videoFilters;
    std::vector<std::string> m_audioFilters;
    std::vector<std::vector<std::string>> m_afterTarget; // the command's own values a disc target keeps
    std::string m_discAspect;                            // the disc's picture shape, "4:3" or "16:9"
    bool m_discAudioRate = false;                        // the command's audio bit rate is kept on the disc
    const DeviceLimits* m_device = nullptr;              // the player the output is for
    bool m_interlacedOut = false;                        // the fields are encoded as fields
    bool m_downmix = false;                              // fewer channels leave than the source has
    std::optional<StreamFacts> m_streamFacts;
    double m_deviceBufsize = 0.0; // the buffer the output keeps to for it
};

} // namespace morvane::converter::translation
