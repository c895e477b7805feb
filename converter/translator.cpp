#include "converter/translator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <set>
#include <string_view>

#include "converter/codec_support.h"
#include "converter/media_text.h"
#include "platform/text_rules.h"

namespace morvane::converter {

namespace {

using platform::toLowerAscii;

std::optional<double> parseNumber(std::string_view text) {
    const std::string value(text);
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || end == value.c_str() || *end != '\0' || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

// Bit rates of the old dialect: "1200k", "64.00k", "10M" or plain bits per second.
std::optional<double> parseBitrate(std::string_view text) {
    std::string value(text);
    double scale = 1.0;
    if (!value.empty()) {
        switch (value.back()) {
        case 'k':
        case 'K':
            scale = 1e3;
            break;
        case 'M':
            scale = 1e6;
            break;
        case 'G':
            scale = 1e9;
            break;
        default:
            break;
        }
        if (scale != 1.0) {
            value.pop_back();
        }
    }
    const auto number = parseNumber(value);
    if (!number || *number <= 0.0) {
        return std::nullopt;
    }
    return *number * scale;
}

std::string formatInteger(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

std::string formatBitrate(double bitsPerSecond) {
    char text[32];
    if (std::fmod(bitsPerSecond, 1000.0) == 0.0) {
        std::snprintf(text, sizeof text, "%.0fk", bitsPerSecond / 1000.0);
    } else {
        std::snprintf(text, sizeof text, "%.0f", bitsPerSecond);
    }
    return text;
}

// What a -target value sets, so the options it overrides can be recognised.
struct TargetInfo {
    std::string format;
    std::string videoEncoder;
    std::string audioEncoder;
    double maxrate = 0.0;
    std::string norm; // "pal", "ntsc" or "film"; empty when FFmpeg guesses it from the input
};

std::optional<TargetInfo> targetInfo(std::string_view value) {
    std::string kind = toLowerAscii(value);
    std::string norm;
    for (const std::string_view prefix : {"pal-", "ntsc-", "film-"}) {
        if (kind.rfind(prefix, 0) == 0) {
            kind.erase(0, prefix.size());
            norm = prefix.substr(0, prefix.size() - 1);
            break;
        }
    }
    if (kind == "vcd") {
        return TargetInfo{"vcd", "mpeg1video", "mp2", 1150000.0, norm};
    }
    if (kind == "svcd") {
        return TargetInfo{"svcd", "mpeg2video", "mp2", 2516000.0, norm};
    }
    if (kind == "dvd") {
        return TargetInfo{"dvd", "mpeg2video", "ac3", 9000000.0, norm};
    }
    if (kind == "dv" || kind == "dv50") {
        return TargetInfo{"dv", "dvvideo", "pcm_s16le", 0.0, norm};
    }
    return std::nullopt;
}

bool isDisc(const TargetInfo& target) {
    return target.format == "dvd" || target.format == "svcd" || target.format == "vcd";
}

// DVD and SVCD pictures are shown at 4:3 or 16:9; a VCD's at 4:3 only.
bool target169(std::string_view format) {
    return format == "dvd" || format == "svcd";
}

// A picture shape as "16:9", "4:3" or a plain ratio.
std::optional<double> parseAspect(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        const auto ratio = parseNumber(text);
        return ratio && *ratio > 0.0 ? ratio : std::nullopt;
    }
    const auto width = parseNumber(text.substr(0, colon));
    const auto height = parseNumber(text.substr(colon + 1));
    if (!width || !height || *width <= 0.0 || *height <= 0.0) {
        return std::nullopt;
    }
    return *width / *height;
}

// The picture a disc target makes; nothing when the norm is left to FFmpeg.
std::optional<FrameSize> discFrameSize(const TargetInfo& target) {
    if (target.norm.empty() || !isDisc(target)) {
        return std::nullopt;
    }
    const bool pal = target.norm == "pal";
    const int width = target.format == "dvd" ? 720 : target.format == "svcd" ? 480 : 352;
    const int height = target.format == "vcd" ? (pal ? 288 : 240) : (pal ? 576 : 480);
    return FrameSize{width, height};
}

double discFrameRate(const TargetInfo& target) {
    return target.norm == "pal" ? 25.0 : target.norm == "ntsc" ? 30000.0 / 1001.0 : 24000.0 / 1001.0;
}

// Whether the target sets the option. Given before the target, some of them would win in FFmpeg 5.1
// (the codec settings) where the old converter let the target win, and the others are overridden with a
// warning; either way the target's value is the one that counts.
bool overriddenByTarget(const TargetInfo& target, std::string_view name) {
    if (target.format == "dv") {
        return name == "f" || name == "s" || name == "ar" || name == "ac" || name == "pix_fmt";
    }
    return name == "vcodec" || name == "acodec" || name == "f" || name == "s" || name == "r" ||
           name == "ar" || name == "b" || name == "ab" || name == "maxrate" || name == "minrate" ||
           name == "bufsize" || name == "g" || (name == "ac" && target.format == "vcd");
}

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

constexpr std::array<DeviceLimits, 10> kDeviceLimits = {{
    {"the iPod", "ipod", "h264", 320, 240, "baseline", "1.3", 768000.0, 2000000.0},
    {"the iPod", "ipod", "h264", 640, 480, "baseline", "3.0", 2500000.0, 2500000.0},
    {"the iPod", "ipod", "mpeg4", 640, 480, "", "", 2500000.0, 2500000.0},
    {"the PSP", "psp", "h264", 480, 272, "main", "2.1", 4000000.0, 4000000.0},
    {"the PSP", "psp", "h264", 720, 480, "main", "3.0", 10000000.0, 10000000.0},
    {"the PSP", "psp", "mpeg4", 720, 480, "", "", 1500000.0, 1500000.0},
    {"a phone", "3gp", "h264", 352, 288, "baseline", "1.3", 768000.0, 2000000.0},
    {"a phone", "3gp", "h264", 640, 480, "baseline", "3.0", 2500000.0, 10000000.0},
    {"a phone", "3gp", "mpeg4", 352, 288, "", "", 384000.0, 384000.0},
    {"a phone", "3gp", "mpeg4", 704, 576, "", "", 2048000.0, 2048000.0},
}};

// The row for a device, codec and picture size; the device's largest when none is large enough.
const DeviceLimits* deviceLimits(std::string_view muxer, std::string_view codec, int width, int height) {
    const DeviceLimits* found = nullptr;
    for (const auto& row : kDeviceLimits) {
        if (row.muxer != muxer || row.codec != codec) {
            continue;
        }
        found = &row;
        if (width <= row.width && height <= row.height) {
            break;
        }
    }
    return found;
}

// The device codec family of an encoder: "h264", "mpeg4" (MPEG-4 Part 2 and H.263), else empty.
std::string_view deviceCodec(const std::string& encoder) {
    if (encoder == "libx264") {
        return "h264";
    }
    if (encoder == "mpeg4" || encoder == "libxvid" || encoder == "h263" || encoder == "h263p") {
        return "mpeg4";
    }
    return {};
}

enum class Narrowband { None, AmrNb, AmrWb };

struct CodecChoice {
    std::string name; // what FFmpeg is told
    std::string note; // why it differs from what was asked, when it does
    Narrowband narrow = Narrowband::None;
};

CodecChoice renameVideoCodec(const std::string& asked) {
    static const std::map<std::string, std::string> renames = {{"xvid", "libxvid"},
                                                               {"h264", "libx264"},
                                                               {"x264", "libx264"},
                                                               {"theora", "libtheora"},
                                                               {"vp8", "libvpx"}};
    const std::string key = toLowerAscii(asked);
    if (const auto it = renames.find(key); it != renames.end()) {
        return {it->second, {}};
    }
    if (key == "msmpeg4v1") {
        return {"msmpeg4v2",
                "this FFmpeg has no msmpeg4v1 encoder; using msmpeg4v2 (MPEG-4 Visual, Microsoft "
                "variant 2) instead"};
    }
    return {asked, {}};
}

CodecChoice renameAudioCodec(const std::string& asked) {
    static const std::map<std::string, std::string> renames = {
        {"mp3", "libmp3lame"}, {"lame", "libmp3lame"}, {"vorbis", "libvorbis"}};
    const std::string key = toLowerAscii(asked);
    if (const auto it = renames.find(key); it != renames.end()) {
        return {it->second, {}};
    }
    const auto missing = [&](const std::string& with, const std::string& extra = {}) {
        return "this FFmpeg has no " + asked + " encoder; using " + with + extra + " instead";
    };
    if (key == "libfaac" || key == "faac" || key == "libfaad" || key == "faad" || key == "aad") {
        return {"aac", missing("aac")};
    }
    if (key == "liba52" || key == "a52") {
        return {"ac3", missing("ac3")};
    }
    if (key == "libamr_nb" || key == "amr_nb" || key == "libamrnb" || key == "amrnb" ||
        key == "libopencore_amrnb") {
        return {"aac", missing("aac", " at 8000 Hz mono, 12.2 kbit/s"), Narrowband::AmrNb};
    }
    if (key == "libamr_wb" || key == "amr_wb" || key == "libamrwb" || key == "amrwb" ||
        key == "libvo_amrwbenc") {
        return {"aac", missing("aac", " at 16000 Hz mono, 23.85 kbit/s"), Narrowband::AmrWb};
    }
    return {asked, {}};
}

bool isMpegProgramStream(std::string_view muxer) {
    return muxer == "mpeg" || muxer == "vob" || muxer == "dvd" || muxer == "svcd" || muxer == "vcd";
}

// Whether the container can hold the encoder's stream; FFmpeg's own answer first, then what was found
// by experiment for the muxers that do not say.
bool containerTakes(const std::string& muxer, const std::string& encoder, MediaKind kind) {
    if (muxer.empty() || encoder.empty() || encoder == "copy") {
        return true;
    }
    const std::string codec = codecOfEncoder(encoder);
    const auto among = [&](std::initializer_list<std::string_view> names) {
        return std::find(names.begin(), names.end(), codec) != names.end();
    };
    if (isMpegProgramStream(muxer)) {
        return kind == MediaKind::Video ? among({"mpeg1video", "mpeg2video", "mpeg4", "h264", "hevc"})
                                        : among({"mp1", "mp2", "mp3", "pcm_dvd", "pcm_s16be", "ac3", "dts"});
    }
    if (muxer == "swf") {
        return kind == MediaKind::Video ? among({"flv1", "mjpeg"}) : among({"mp3"});
    }
    if (muxer == "dv") {
        return kind == MediaKind::Video ? among({"dvvideo"}) : among({"pcm_s16le"});
    }
    if (muxer == "adts") {
        return kind == MediaKind::Audio && among({"aac"});
    }
    return muxerAccepts(muxer, encoder) != 0;
}

bool isH263(const std::string& encoder) {
    return encoder == "h263" || encoder == "h263p";
}

bool validH263Size(int width, int height) {
    static constexpr std::array<std::pair<int, int>, 5> sizes = {
        {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}}};
    return std::find(sizes.begin(), sizes.end(), std::pair{width, height}) != sizes.end();
}

// Encoders of the FFmpeg family that refuse a buffer size without a maximum rate.
bool refusesLoneBufsize(const std::string& encoder) {
    return encoder != "libxvid" && encoder != "copy";
}

std::string joinTokens(const std::vector<std::string>& tokens) {
    std::string text;
    for (const auto& t : tokens) {
        text += t;
    }
    return text;
}

// Old map syntax "0.1" (file.stream) and "0.0:0.1" (with its sync stream).
std::string translateMap(const std::string& value) {
    const auto convert = [](const std::string& part) {
        std::string out = part;
        const auto dot = out.find('.');
        if (dot != std::string::npos && out.find(':') == std::string::npos) {
            out[dot] = ':';
        }
        return out;
    };
    const auto colon = value.find(':');
    if (value.find('.') == std::string::npos) {
        return value;
    }
    if (colon == std::string::npos) {
        return convert(value);
    }
    return convert(value.substr(0, colon)) + "," + convert(value.substr(colon + 1));
}

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

    Translation run();

private:
    void scan();
    void chooseCodecs();
    void chooseVideoCodec();
    void chooseAudioCodec();
    void checkCut();
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
    // The device's maximum rate and buffer where the command does not state them.
    void emitDeviceRates();
    void planFilters();
    // Silence after a sound too short for an ADTS file that players recognise.
    void padShortAdts();
    void emitFilters();

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

// Options that act on reading the input wherever the old command put them.
bool alwaysInput(std::string_view name) {
    return name == "ss" || name == "itsoffset" || name == "re" || name == "loop_input";
}

bool Translator::inputSide(const OldOption& option) const {
    static const std::set<std::string> inputOptions = {"f",       "s",       "r",      "ar",    "ac",
                                                       "pix_fmt", "threads", "vcodec", "acodec"};
    if (alwaysInput(option.name)) {
        return true;
    }
    return option.beforeInput &&
           (inputOptions.count(option.name) != 0 || oldOptionArity(option.name) == OldArity::Unknown);
}

const SourceFacts& Translator::probed() {
    if (!m_probed) {
        m_probed = true;
        m_facts = m_request.source;
        if (!m_facts.known && m_request.probe) {
            m_facts = m_request.probe();
        }
    }
    return m_facts;
}

const StreamFacts& Translator::streamFacts() {
    if (!m_streamFacts) {
        m_streamFacts = m_request.streamProbe && !m_request.script ? m_request.streamProbe() : StreamFacts{};
    }
    return *m_streamFacts;
}

void Translator::scan() {
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (option.name == "target") {
            m_target = targetInfo(option.value);
            m_targetIndex = i;
        }
    }
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (m_target && i < m_targetIndex && overriddenByTarget(*m_target, option.name)) {
            m_skip.insert(i);
            continue; // settled once the codecs are known
        }
        if (option.beforeInput && inputSide(option) && !alwaysInput(option.name)) {
            continue; // input options stand apart from the output's
        }
        m_last[option.name] = i;
    }

    // The codecs and the format that win by position: the last of the options and the target.
    std::string format;
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (option.beforeInput && inputSide(option)) {
            continue;
        }
        if (option.name == "vcodec") {
            m_videoAsked = option.value;
            m_videoIndex = i;
        } else if (option.name == "acodec") {
            m_audioAsked = option.value;
            m_audioIndex = i;
        } else if (option.name == "f") {
            format = option.value == "aac" ? "adts" : option.value;
        } else if (option.name == "target" && m_target) {
            m_videoAsked = m_target->videoEncoder;
            m_videoIndex.reset();
            m_audioAsked = m_target->audioEncoder;
            m_audioIndex.reset();
            format = m_target->format;
        }
    }
    m_muxer = muxerFor(format, m_request.outputPath);
}

void Translator::chooseVideoCodec() {
    CodecChoice choice;
    if (!m_videoAsked.empty()) {
        choice = renameVideoCodec(m_videoAsked);
    } else {
        choice.name = defaultEncoder(m_muxer, MediaKind::Video);
    }
    if (!choice.note.empty()) {
        note(choice.note);
        m_fixVideoCodec = !m_videoIndex.has_value();
    }
    m_videoName = choice.name;
    m_videoEncoder = choice.name == "copy" ? "copy" : resolveEncoder(choice.name, MediaKind::Video);
    if (m_videoEncoder.empty() || videoCopy()) {
        return;
    }

    const bool sizeGiven = m_outWidth > 0 && m_outHeight > 0;
    const bool sizeMatters = m_videoEncoder == "h263" && !sizeGiven;
    const int width = sizeGiven ? m_outWidth : (sizeMatters ? probed().width : 0);
    const int height = sizeGiven ? m_outHeight : (sizeMatters ? probed().height : 0);
    const bool sizeKnown = width > 0 && height > 0;
    std::string why;
    if (!containerTakes(m_muxer, m_videoEncoder, MediaKind::Video)) {
        why = "the " + m_muxer + " container cannot hold " + m_videoEncoder;
    } else if (m_videoEncoder == "h263" && sizeKnown && !validH263Size(width, height)) {
        why = "H.263 takes only 128x96, 176x144, 352x288, 704x576 and 1408x1152, not " +
              std::to_string(width) + "x" + std::to_string(height);
    }
    if (why.empty()) {
        return;
    }
    std::string substitute;
    if (isH263(m_videoEncoder) && containerTakes(m_muxer, "mpeg4", MediaKind::Video)) {
        substitute = "mpeg4";
    } else {
        const std::string fallback = defaultEncoder(m_muxer, MediaKind::Video);
        if (!fallback.empty() && containerTakes(m_muxer, fallback, MediaKind::Video) &&
            !(fallback == "h263" && sizeKnown && !validH263Size(width, height))) {
            substitute = fallback;
        } else if (containerTakes(m_muxer, "mpeg4", MediaKind::Video)) {
            substitute = "mpeg4";
        }
    }
    if (substitute.empty()) {
        return; // FFmpeg's own message will say what is wrong
    }
    note(why + "; using " + substitute + " instead");
    m_videoName = substitute;
    m_videoEncoder = substitute;
    m_fixVideoCodec = !m_videoIndex.has_value();
}

void Translator::chooseAudioCodec() {
    CodecChoice choice;
    if (!m_audioAsked.empty()) {
        choice = renameAudioCodec(m_audioAsked);
    } else {
        choice.name = defaultEncoder(m_muxer, MediaKind::Audio);
    }
    if (m_target && m_target->format == "dv" && m_audioIndex && *m_audioIndex > m_targetIndex) {
        dropNote(m_options[*m_audioIndex], "a DV target carries PCM audio only");
        m_skip.insert(*m_audioIndex);
        m_audioIndex.reset();
        choice = CodecChoice{"pcm_s16le", {}};
    }
    if (!choice.note.empty()) {
        note(choice.note);
        m_fixAudioCodec = !m_audioIndex.has_value();
    }
    m_narrow = choice.narrow;
    m_audioName = choice.name;
    m_audioEncoder = choice.name == "copy" ? "copy" : resolveEncoder(choice.name, MediaKind::Audio);
    const bool defaultMissing =
        m_audioAsked.empty() && m_audioEncoder.empty() && !defaultCodec(m_muxer, MediaKind::Audio).empty();
    if ((m_audioEncoder.empty() && !defaultMissing) || audioCopy()) {
        return;
    }

    std::string why;
    if (defaultMissing) {
        why = "this FFmpeg has no encoder for the " + m_muxer + " container's usual audio";
    } else if (m_target && (m_target->format == "vcd" || m_target->format == "svcd") &&
               codecOfEncoder(m_audioEncoder) != "mp2") {
        why = "a " + m_target->format + " target carries MPEG audio layer 2 only, not " + m_audioEncoder;
    } else if (!containerTakes(m_muxer, m_audioEncoder, MediaKind::Audio)) {
        why = "the " + m_muxer + " container cannot hold " + m_audioEncoder;
    }
    if (why.empty()) {
        return;
    }
    std::string substitute;
    if (m_target && (m_target->format == "vcd" || m_target->format == "svcd")) {
        substitute = "mp2";
    } else {
        const std::string fallback = defaultEncoder(m_muxer, MediaKind::Audio);
        for (const auto& candidate : {fallback, std::string("aac"), std::string("mp2")}) {
            if (!candidate.empty() && containerTakes(m_muxer, candidate, MediaKind::Audio)) {
                substitute = candidate;
                break;
            }
        }
    }
    if (substitute.empty()) {
        return;
    }
    note(why + "; using " + substitute + " instead");
    m_audioName = substitute;
    m_audioEncoder = substitute;
    m_narrow = Narrowband::None;
    m_fixAudioCodec = !m_audioIndex.has_value();
}

void Translator::chooseCodecs() {
    // Frame size first: H.263 depends on it.
    if (const auto* size = last("s")) {
        const auto x = size->value.find('x');
        if (const auto parsed = parseFrameSize(size->value)) {
            m_outWidth = parsed->width;
            m_outHeight = parsed->height;
        } else if (x != std::string::npos &&
                   (size->value.substr(x + 1) == "0" || size->value.substr(0, x) == "0")) {
            // "240x0": one side given, the other follows the picture's shape.
            const auto w = parseNumber(size->value.substr(0, x));
            const auto h = parseNumber(size->value.substr(x + 1));
            if (w && h && (*w > 0 || *h > 0) && *w >= 0 && *h >= 0) {
                m_scaleFilter = "scale=" + (*w > 0 ? formatInteger(*w) : std::string("-2")) + ":" +
                                (*h > 0 ? formatInteger(*h) : std::string("-2"));
                m_scaleInFilter = true;
                note("-s " + size->value + " has a side of 0; that side follows the picture's shape (" +
                     m_scaleFilter + ")");
            }
        }
        if (m_outWidth > 0 && m_outHeight > 0 && (m_outWidth % 2 != 0 || m_outHeight % 2 != 0)) {
            const int w = m_outWidth - m_outWidth % 2;
            const int h = m_outHeight - m_outHeight % 2;
            note("-s " + size->value + " is odd; 4:2:0 video needs even sides, using " + std::to_string(w) +
                 "x" + std::to_string(h));
            m_outWidth = w;
            m_outHeight = h;
        }
    }
    chooseVideoCodec();
    chooseAudioCodec();

    // An audio-only container gets no video unless a codec is named for it (its "default" video codec
    // is a cover picture at most), and a container without audio gets no audio.
    const std::string defaultVideo = defaultCodec(m_muxer, MediaKind::Video);
    const bool pictureOnly = defaultVideo.empty() || defaultVideo == "png" || defaultVideo == "mjpeg";
    m_mapVideo = !has("vn") && !(m_videoAsked.empty() && !m_muxer.empty() && pictureOnly);
    m_mapAudio = !has("an") && !(m_audioAsked.empty() && !m_muxer.empty() &&
                                 defaultCodec(m_muxer, MediaKind::Audio).empty());
    const auto& source = m_request.source;
    m_result.videoOut = m_mapVideo && (!source.known || source.hasVideo);
    m_audioOut = m_mapAudio && (!source.known || source.hasAudio);

    // A PSP file must hold one video and one audio stream: what the source lacks is made up of black
    // pictures or silence, for as long as the other stream lasts.
    if (m_muxer == "psp" && m_mapVideo && m_mapAudio && !has("map") && probed().known) {
        // The filler ends with the source: waiting for -shortest alone lets buffering encoders overshoot.
        // A length guessed from the bit rate is no end: -shortest then ends the file with the source.
        char length[40] = "";
        if (probed().duration > 0.0 && !probed().lengthGuessed) {
            std::snprintf(length, sizeof length, ":duration=%.3f", probed().duration);
        }
        if (!probed().hasAudio) {
            m_fillerAudio = std::string("anullsrc=channel_layout=stereo:sample_rate=48000") + length;
            m_audioOut = true;
            note("a PSP file needs an audio stream and the source has none; silence is added");
        } else if (!probed().hasVideo) {
            const int width = m_outWidth > 0 ? m_outWidth : 320;
            const int height = m_outHeight > 0 ? m_outHeight : 240;
            m_fillerVideo = "color=color=black:size=" + std::to_string(width) + "x" + std::to_string(height) +
                            ":rate=25" + length;
            m_result.videoOut = true;
            note("a PSP file needs a video stream and the source has none; a black picture is added");
        }
    }
}

void Translator::settleBeforeTarget(const OldOption& option) {
    const TargetInfo& target = *m_target;
    const std::string targetText = "-target " + m_options[m_targetIndex].value;
    const std::string stated = "-" + option.name + " " + option.value;
    const auto refuse = [&](const std::string& needs) {
        note(targetText + " " + needs + "; " + stated + " not used");
    };
    if (!isDisc(target)) {
        dropNote(option, targetText + " sets it");
        return;
    }
    const bool mp2 = codecOfEncoder(m_audioEncoder) == "mp2";
    if (option.name == "b" || option.name == "ab") {
        const bool video = option.name == "b";
        const auto rate = parseBitrate(option.value);
        const double fixed = target.format != "vcd" ? 0.0 : video ? 1150000.0 : 224000.0;
        const double most = video ? target.maxrate : target.format == "dvd" && !mp2 ? 448000.0 : 384000.0;
        const std::string what = video ? " video" : " audio";
        if (!rate) {
            dropNote(option, "not a bit rate");
        } else if (fixed > 0.0) {
            if (*rate != fixed) {
                refuse("writes" + what + " at " + formatBitrate(fixed) + "bit/s");
            }
        } else if (*rate > most) {
            note(targetText + " allows at most " + formatBitrate(most) + "bit/s" + what + "; using " +
                 formatBitrate(most) + " instead of " + stated);
            m_afterTarget.push_back({video ? "-b:v" : "-b:a", formatBitrate(most)});
            m_discAudioRate = m_discAudioRate || !video;
        } else {
            m_afterTarget.push_back({video ? "-b:v" : "-b:a", option.value});
            m_discAudioRate = m_discAudioRate || !video;
        }
    } else if (option.name == "ar") {
        const int needed = target.format == "dvd" ? 48000 : 44100;
        if (parseNumber(option.value).value_or(0.0) != needed) {
            refuse("needs " + std::to_string(needed) + " Hz audio");
        }
    } else if (option.name == "ac") {
        if (parseNumber(option.value).value_or(0.0) != 2.0) {
            refuse("carries stereo audio");
        }
    } else if (option.name == "s") {
        const auto size = discFrameSize(target);
        const auto asked = parseFrameSize(option.value);
        if (!size) {
            refuse("sets the picture size");
        } else if (!asked || asked->width != size->width || asked->height != size->height) {
            refuse("makes pictures of " + std::to_string(size->width) + "x" + std::to_string(size->height) +
                   " (the picture keeps its shape)");
        }
    } else if (option.name == "r") {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.5g", discFrameRate(target));
        if (target.norm.empty()) {
            refuse("sets the frame rate");
        } else if (std::abs(parseNumber(option.value).value_or(0.0) - discFrameRate(target)) > 0.01) {
            refuse("needs " + std::string(rate) + " frames per second");
        }
    } else {
        dropNote(option, targetText + " sets it");
    }
}

std::int64_t Translator::cutStart() const {
    const auto* start = last("ss");
    return start == nullptr ? 0 : parseDuration(start->value).value_or(0);
}

bool Translator::reachesTheEnd(const OldOption& length) {
    // The program writes the length of the whole file when nothing is cut, from a header that can
    // under-report it: a length that reaches the end of an uncut source means all of it.
    const auto microseconds = parseDuration(length.value);
    if (cutStart() != 0 || !microseconds || has("loop_input")) {
        return false;
    }
    const SourceFacts& source = probed();
    return source.known && !source.still && source.duration > 0.0 &&
           static_cast<double>(*microseconds) / 1e6 >= source.duration;
}

void Translator::fitPicture(int width, int height, double aspect, bool squarePixels, double shown,
                            const Borders& area, const std::string& color) {
    const int areaWidth = width - area.left - area.right;
    const int areaHeight = height - area.top - area.bottom;
    // The shape the area shows, its pixels being of the frame's shape.
    const double areaAspect = aspect * areaWidth / width * height / areaHeight;
    const bool fits = shown <= 0.0 || aspect <= 0.0 || std::abs(shown / areaAspect - 1.0) <= 0.01;
    if (fits && area.sum() == 0) {
        return; // the shape already fits
    }
    const auto even = [](double value) {
        return std::max(2, 2 * static_cast<int>(std::lround(value / 2.0)));
    };
    int pictureWidth = areaWidth;
    int pictureHeight = areaHeight;
    if (!fits) {
        pictureWidth =
            shown > areaAspect ? areaWidth : std::min(areaWidth, even(areaWidth * shown / areaAspect));
        pictureHeight =
            shown > areaAspect ? std::min(areaHeight, even(areaHeight * areaAspect / shown)) : areaHeight;
    }
    m_videoFilters.push_back("scale=" + std::to_string(pictureWidth) + ":" + std::to_string(pictureHeight));
    m_videoFilters.push_back("pad=" + std::to_string(width) + ":" + std::to_string(height) + ":" +
                             std::to_string(area.left + (areaWidth - pictureWidth) / 2) + ":" +
                             std::to_string(area.top + (areaHeight - pictureHeight) / 2) +
                             (color.empty() ? std::string() : ":color=" + color));
    if (squarePixels) {
        m_videoFilters.emplace_back("setsar=1");
    }
    m_scaleInFilter = true;
    if (!fits) {
        char shape[32];
        std::snprintf(shape, sizeof shape, "%.3g:1", shown);
        note(std::string("the source's picture is ") + shape + "; it keeps its shape in the " +
             std::to_string(width) + "x" + std::to_string(height) + " frame, with bars");
    }
}

double Translator::chooseDiscAspect(double shown) {
    double stated = 0.0;
    if (const auto* option = last("aspect")) {
        stated = parseAspect(option->value).value_or(0.0);
    }
    const double source = stated > 0.0 ? stated : shown;
    const bool wide = target169(m_target->format) && source >= 1.55;
    m_discAspect = wide ? "16:9" : "4:3";
    const double chosen = wide ? 16.0 / 9.0 : 4.0 / 3.0;
    if (const auto* option = last("aspect"); option != nullptr && std::abs(stated - chosen) > 0.01) {
        note("-target " + m_options[m_targetIndex].value + " shows pictures at 4:3" +
             (target169(m_target->format) ? std::string(" or 16:9") : std::string()) + "; using " +
             m_discAspect + " instead of -aspect " + option->value);
    }
    return chosen;
}

void Translator::planDiscFrame(const Borders& crop, const Borders& pads, const std::string& color) {
    // What is left of the source's picture after the crop, its pixels keeping their shape.
    const SourceFacts& source = probed();
    double shown = source.displayAspect;
    if (shown > 0.0 && source.width > crop.left + crop.right && source.height > crop.top + crop.bottom) {
        const double pixel = shown * source.height / source.width;
        shown = pixel * (source.width - crop.left - crop.right) / (source.height - crop.top - crop.bottom);
    }
    const double chosen = chooseDiscAspect(shown);
    const auto size = discFrameSize(*m_target);
    if (!size) {
        return;
    }
    Borders area = pads;
    if (size->width - pads.left - pads.right < 16 || size->height - pads.top - pads.bottom < 16) {
        note("the padding leaves no room for the picture in the " + std::to_string(size->width) + "x" +
             std::to_string(size->height) + " frame of -target " + m_options[m_targetIndex].value +
             "; not used");
        area = {};
    }
    fitPicture(size->width, size->height, chosen, false, shown, area, color);
}

void Translator::planPictureShape() {
    if (!m_result.videoOut || videoCopy() || m_videoEncoder.empty() || m_scaleInFilter) {
        return;
    }
    if (m_target && isDisc(*m_target)) {
        // A disc player knows two picture shapes; the nearer one is written and the picture fits into it.
        const double chosen = chooseDiscAspect(probed().displayAspect);
        if (const auto size = discFrameSize(*m_target)) {
            fitPicture(size->width, size->height, chosen, false, probed().displayAspect);
        }
        return;
    }
    if (has("aspect") || m_outWidth <= 0 || m_outHeight <= 0) {
        return; // the shape is the command's own choice, or the picture keeps its size
    }
    fitPicture(m_outWidth, m_outHeight, static_cast<double>(m_outWidth) / m_outHeight, true,
               probed().displayAspect);
}

void Translator::checkCut() {
    if (const auto* length = last("t")) {
        const auto microseconds = parseDuration(length->value);
        if (!microseconds) {
            m_result.error = "the cut length -t " + length->value + " is not a time";
        } else if (*microseconds <= 0) {
            m_result.error =
                "the cut length -t " + length->value + " is not above zero; there is nothing to convert";
        }
    }
    if (const auto* start = last("ss")) {
        const auto microseconds = parseDuration(start->value);
        if (!microseconds || *microseconds < 0) {
            m_result.error = "the start time -ss " + start->value + " is not a time";
        }
    }
}

void Translator::emitInput() {
    const auto& preamble = ffmpegPreamble();
    m_result.arguments.assign(preamble.begin(), preamble.end());
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (!inputSide(option)) {
            continue;
        }
        if (option.name == "ss") {
            if (m_last["ss"] == i && cutStart() > 0 && !m_request.seekOnOutput) {
                // Seeking on the input decodes from the key frame before the cut only; FFmpeg 5.1 still
                // cuts exactly there when it transcodes. A start of 0 is no seek at all: inputs that
                // cannot seek would lose everything.
                out({"-ss", option.value});
                m_result.seeksInput = true;
            }
        } else if (option.name == "itsoffset") {
            if (m_last["itsoffset"] == i) {
                out({"-itsoffset", option.value});
            }
        } else if (option.name == "re") {
            if (m_last["re"] == i) {
                out({"-re"});
            }
        } else if (option.name == "loop_input") {
            if (m_last["loop_input"] != i) {
                continue;
            }
            const bool still = probed().still;
            if (still && has("t")) {
                out({"-loop", "1"});
            } else {
                dropNote(option, still ? "a looped picture needs -t, or it never ends"
                                       : "only a still picture can be looped");
            }
        } else if (option.name == "vcodec") {
            out({"-c:v", option.value});
        } else if (option.name == "acodec") {
            out({"-c:a", option.value});
        } else {
            out({"-" + option.name});
            if (option.hasValue) {
                out({option.value});
            }
        }
    }
    const std::string input = m_request.script ? m_request.script->path : m_request.command.input;
    out({"-i", fileUrl(input)});
    if (!m_fillerVideo.empty() || !m_fillerAudio.empty()) {
        out({"-f", "lavfi", "-i", m_fillerVideo.empty() ? m_fillerAudio : m_fillerVideo});
    }
}

void Translator::emitOutputOptions() {
    const bool explicitMap = has("map");
    if (!explicitMap) {
        // The old converter's choice: the first video and the first audio stream, nothing else.
        if (m_mapVideo) {
            out({"-map", m_fillerVideo.empty() ? "0:V:0?" : "1:v:0"});
        }
        if (m_mapAudio) {
            out({"-map", m_fillerAudio.empty() ? "0:a:0?" : "1:a:0"});
        }
        if (!m_fillerVideo.empty() || !m_fillerAudio.empty()) {
            out({"-shortest"});
        }
    }
    if (m_request.seekOnOutput && cutStart() > 0) {
        // The input cannot seek: everything before the cut is decoded and left out.
        out({"-ss", last("ss")->value});
    }
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (inputSide(option) || m_skip.count(i) != 0) {
            continue;
        }
        const bool repeatable = option.name == "map" || option.name == "flags" || option.name == "flags2";
        if (!repeatable && m_last[option.name] != i) {
            continue; // a later occurrence wins
        }
        if (option.name == "flags" || option.name == "flags2") {
            if (m_last[option.name] == i) {
                emitOption(i);
            }
            continue;
        }
        emitOption(i);
    }
}

void Translator::emitOption(std::size_t index) {
    const OldOption& option = m_options[index];
    const auto& table = optionHandlers();
    if (const auto it = table.find(option.name); it != table.end()) {
        (this->*(it->second))(option, index);
    } else {
        passOption(option, index);
    }
}

// How each option of the old dialect reaches FFmpeg, by kind; an option without a handler passes as it is.
const std::map<std::string_view, Translator::Handler>& Translator::optionHandlers() {
    static const std::map<std::string_view, Handler> table = [] {
        std::map<std::string_view, Handler> handlers;
        const auto add = [&](std::initializer_list<std::string_view> names, Handler handler) {
            for (const auto name : names) {
                handlers[name] = handler;
            }
        };
        // Rates, sizes and the cut.
        add({"b"}, &Translator::emitVideoBitrate);
        add({"ab"}, &Translator::emitAudioBitrate);
        add({"ar", "ac"}, &Translator::emitAudioFormat);
        add({"r"}, &Translator::emitFrameRate);
        add({"s"}, &Translator::emitFrameSize);
        add({"aspect"}, &Translator::emitAspect);
        add({"t"}, &Translator::emitLength);
        add({"vsync"}, &Translator::emitFrameTiming);
        // Codecs, containers and streams.
        add({"vcodec", "acodec"}, &Translator::emitCodec);
        add({"vtag"}, &Translator::emitVideoTag);
        add({"f"}, &Translator::emitFormat);
        add({"target"}, &Translator::emitTarget);
        add({"scodec", "slang"}, &Translator::emitSubtitleOption);
        add({"map", "map_meta_data"}, &Translator::emitMap);
        add({"loop_output"}, &Translator::emitLoopOutput);
        // Tags.
        add({"title", "author", "album", "copyright", "comment", "timestamp", "alang"}, &Translator::emitTag);
        // Encoder tuning.
        add({"me"}, &Translator::emitMotionSearch);
        add({"coder", "partitions", "vlevel", "level", "bidir_refine", "bf", "bt", "qscale"},
            &Translator::emitEncoderTuning);
        add({"bufsize", "maxrate"}, &Translator::emitRateControl);
        add({"flags", "flags2"}, &Translator::emitFlags);
        add({"intra", "vglobal"}, &Translator::emitReplaced);
        for (const auto& rename : renamedOptions()) {
            handlers[rename.first] = &Translator::emitRenamed;
        }
        // Parts of the filter chains, or settled elsewhere.
        add({"deinterlace", "croptop", "cropbottom", "cropleft", "cropright", "padtop", "padbottom",
             "padleft", "padright", "padcolor", "vol", "async", "y"},
            &Translator::emitNothing);
        // Gone from FFmpeg, or no conversion option.
        add({"rc_eq",    "i",        "me_threshold", "vdt",     "vhook", "sameq",
             "newvideo", "newaudio", "newsubtitle",  "tvstd",   "vd",    "vc",
             "ad",       "grab",     "gd",           "default", "v",     "L",
             "h",        "version",  "formats"},
            &Translator::emitDropped);
        return handlers;
    }();
    return table;
}

// Old names that FFmpeg 5.1 knows under a new one, with the same value.
const std::map<std::string_view, std::string>& Translator::renamedOptions() {
    static const std::map<std::string_view, std::string> renames = {
        {"atag", "-tag:a"}, {"vframes", "-frames:v"}, {"aframes", "-frames:a"}, {"dframes", "-frames:d"},
        {"aq", "-q:a"},     {"vbsf", "-bsf:v"},       {"absf", "-bsf:a"}};
    return renames;
}

void Translator::passOption(const OldOption& option, std::size_t) {
    out({"-" + option.name});
    if (option.hasValue) {
        out({option.value});
    }
}

void Translator::emitNothing(const OldOption&, std::size_t) {}

void Translator::emitRenamed(const OldOption& option, std::size_t) {
    out({renamedOptions().at(option.name), option.value});
}

void Translator::emitDropped(const OldOption& option, std::size_t) {
    if (option.name == "rc_eq") {
        dropNote(option, "the old rate-control equation is the default or no longer parses");
    } else if (option.name == "i") {
        dropNote(option, "one input is converted");
    } else if (option.name == "v" || option.name == "L" || option.name == "h" || option.name == "version" ||
               option.name == "formats") {
        dropNote(option, "not a conversion option");
    } else {
        dropNote(option, "FFmpeg 5.1 has no such option");
    }
}

void Translator::emitVideoBitrate(const OldOption& option, std::size_t) {
    const auto rate = parseBitrate(option.value);
    if (!rate) {
        dropNote(option, "not a bit rate");
        return;
    }
    if (m_maxrate && *rate > *m_maxrate && !videoCopy()) {
        note("-b " + option.value + " is above the maximum rate " + formatBitrate(*m_maxrate) + "; using " +
             formatBitrate(*m_maxrate) + " so the target's limit holds");
        out({"-b:v", formatBitrate(*m_maxrate)});
        return;
    }
    out({"-b:v", option.value});
}

void Translator::emitAudioBitrate(const OldOption& option, std::size_t) {
    const auto rate = parseBitrate(option.value);
    if (!rate) {
        dropNote(option, "not a bit rate");
        return;
    }
    if (m_audioEncoder == "libvorbis") {
        // The encoder refuses to start above its highest rate for the sample rate and channels it gets.
        const int hertz = m_sampleRate.value_or(static_cast<int>(std::lround(probed().sampleRate)));
        const int channels = m_channels.value_or(probed().channels);
        if (const double most = encoderMaxBitrate(m_audioEncoder, hertz, channels);
            most > 0.0 && *rate > most) {
            note(m_audioEncoder + " takes at most " + formatBitrate(most) + "bit/s for " +
                 std::to_string(channels) + (channels == 1 ? " channel" : " channels") + " at " +
                 std::to_string(hertz) + " Hz; using " + formatBitrate(most) + " instead of -ab " +
                 option.value);
            out({"-b:a", formatBitrate(most)});
            return;
        }
    }
    out({"-b:a", option.value});
}

void Translator::emitAudioFormat(const OldOption& option, std::size_t) {
    const bool rate = option.name == "ar";
    const auto& value = rate ? m_sampleRate : m_channels;
    if (!value) {
        dropNote(option, rate ? "not a sample rate" : "not a channel count");
        return;
    }
    out({"-" + option.name, std::to_string(*value)});
}

void Translator::emitFrameRate(const OldOption& option, std::size_t) {
    const auto rate = parseNumber(option.value);
    if ((rate && *rate <= 0.0) || option.value.empty()) {
        dropNote(option, "not a frame rate");
        return;
    }
    passOption(option, 0);
}

void Translator::emitFrameSize(const OldOption& option, std::size_t) {
    if (m_scaleInFilter) {
        return; // the size is set inside the video filter chain
    }
    if (m_outWidth <= 0 || m_outHeight <= 0) {
        dropNote(option, "not a frame size");
        return;
    }
    out({"-s", std::to_string(m_outWidth) + "x" + std::to_string(m_outHeight)});
}

void Translator::emitAspect(const OldOption& option, std::size_t) {
    if (!m_discAspect.empty()) {
        return; // written with the disc target
    }
    passOption(option, 0);
}

void Translator::emitLength(const OldOption& option, std::size_t) {
    if (reachesTheEnd(option)) {
        char length[48];
        std::snprintf(length, sizeof length, "%.2f", probed().duration);
        note("-t " + option.value + " reaches the end of the source (" + length +
             " s as its header says); converting all of it");
        return;
    }
    passOption(option, 0);
}

void Translator::emitFrameTiming(const OldOption& option, std::size_t) {
    if (!m_result.videoOut || videoCopy()) {
        return;
    }
    const std::string mode = toLowerAscii(option.value);
    if (mode == "-1" || mode == "auto") {
        return;
    }
    if (mode == "0" || mode == "passthrough") {
        out({"-fps_mode", "passthrough"});
    } else if (mode == "2" || mode == "vfr") {
        out({"-fps_mode", "vfr"});
    } else if (mode == "drop") {
        out({"-fps_mode", "drop"});
    } else {
        // The old converter treated every other value as constant frame rate.
        out({"-fps_mode", "cfr"});
    }
}

void Translator::emitCodec(const OldOption&, std::size_t index) {
    // Naming the target's own codec again changes nothing, and FFmpeg would warn about it.
    if (m_options[index].name == "vcodec") {
        if (m_videoIndex == index && !(m_target && m_videoName == m_target->videoEncoder)) {
            out({"-c:v", m_videoName});
        }
    } else if (m_audioIndex == index && !(m_target && m_audioName == m_target->audioEncoder)) {
        out({"-c:a", m_audioName});
    }
}

void Translator::emitVideoTag(const OldOption& option, std::size_t) {
    if (m_muxer != "avi") {
        dropNote(option, "a FourCC is written only into AVI files");
    } else if (!m_videoEncoder.empty() && !videoCopy() && aviTagMatches(option.value, m_videoEncoder) == 0) {
        dropNote(option, "it does not name " + m_videoEncoder + " video");
    } else {
        out({"-tag:v", option.value});
    }
}

void Translator::emitFormat(const OldOption& option, std::size_t) {
    out({"-f", option.value == "aac" ? "adts" : option.value});
}

void Translator::emitTarget(const OldOption& option, std::size_t) {
    passOption(option, 0);
    // What the profile stated before the target and the disc allows is honoured over the target's own.
    for (const auto& words : m_afterTarget) {
        m_result.arguments.insert(m_result.arguments.end(), words.begin(), words.end());
    }
    if (!m_discAspect.empty() && m_result.videoOut && !videoCopy()) {
        out({"-aspect", m_discAspect});
    }
}

void Translator::emitSubtitleOption(const OldOption& option, std::size_t) {
    if (option.name == "scodec" && has("map")) {
        out({"-c:s", option.value});
    } else {
        dropNote(option, "subtitles are not converted");
    }
}

void Translator::emitMap(const OldOption& option, std::size_t) {
    if (option.name == "map") {
        out({"-map", translateMap(option.value)});
        return;
    }
    const auto colon = option.value.find(':');
    out({"-map_metadata", colon == std::string::npos ? option.value : option.value.substr(colon + 1)});
}

void Translator::emitLoopOutput(const OldOption& option, std::size_t) {
    if (m_muxer == "gif") {
        out({"-loop", option.value});
    } else {
        dropNote(option, "only GIF output loops");
    }
}

void Translator::emitTag(const OldOption& option, std::size_t) {
    const std::string& name = option.name;
    if (name == "timestamp") {
        out({"-metadata", "creation_time=" + option.value});
        return;
    }
    if (name == "alang") {
        if (has("an") || (m_request.source.known && !m_request.source.hasAudio)) {
            dropNote(option, "there is no audio stream");
        } else {
            out({"-metadata:s:a:0", "language=" + option.value});
        }
        return;
    }
    if (option.value.empty() && !has("map_meta_data")) {
        return; // the profile sets no tag of its own: the source's stays
    }
    std::string key = name;
    if (name == "author") {
        key = m_muxer == "rm" || m_muxer == "3gp" || m_muxer == "3g2" ? "author" : "artist";
    }
    out({"-metadata", key + "=" + option.value});
}

void Translator::emitMotionSearch(const OldOption& option, std::size_t) {
    const std::string method = toLowerAscii(option.value);
    if (isX264()) {
        if (method == "dia" || method == "hex" || method == "umh" || method == "esa" || method == "tesa") {
            out({"-me_method", method});
        } else if (method == "full") {
            out({"-me_method", "esa"});
        } else {
            dropNote(option, "libx264 has no such motion search");
        }
    } else if (nativeVideoEncoder() &&
               (method == "zero" || method == "epzs" || method == "x1" || method == "xone")) {
        out({"-motion_est", method == "x1" ? "xone" : method});
    } else {
        dropNote(option, (m_videoEncoder.empty() ? std::string("the video encoder") : m_videoEncoder) +
                             " has no such motion search");
    }
}

void Translator::emitEncoderTuning(const OldOption& option, std::size_t) {
    const std::string& name = option.name;
    if (name == "coder" || name == "partitions") {
        if (isX264()) {
            passOption(option, 0);
        } else {
            dropNote(option, "only libx264 uses it");
        }
    } else if (name == "vlevel" || name == "level") {
        if (isX264()) {
            out({"-level:v", option.value});
        } else {
            dropNote(option, "only libx264 takes a level; others would signal a wrong one");
        }
    } else if (name == "bidir_refine") {
        if (isX264()) {
            dropNote(option, "libx264 no longer has it");
        } else {
            passOption(option, 0);
        }
    } else if (name == "bf") {
        if (m_muxer == "psp" && (m_videoEncoder == "mpeg4" || m_videoEncoder == "libxvid")) {
            dropNote(option, "B-frames make MPEG-4 Advanced Simple, which the PSP does not play");
        } else {
            passOption(option, 0);
        }
    } else if (name == "qscale") {
        if (isX264()) {
            dropNote(option, "libx264 ignores it; the bit rate decides the quality, as before");
        } else {
            out({"-q:v", option.value});
        }
    } else if (name == "bt") {
        emitRateTolerance(option);
    }
}

void Translator::emitRateTolerance(const OldOption& option) {
    if (!isX264()) {
        passOption(option, 0);
        return;
    }
    const auto tolerance = parseBitrate(option.value);
    const auto* bitrate = last("b");
    std::optional<double> average;
    if (bitrate != nullptr && m_skip.count(m_last["b"]) == 0) {
        average = parseBitrate(bitrate->value);
    }
    if (tolerance && average) {
        const double held = m_maxrate && *m_maxrate < *average ? *m_maxrate : *average;
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.4g", *tolerance / held);
        out({"-x264-params", std::string("ratetol=") + ratio});
    } else {
        dropNote(option, "without a bit rate libx264 has no rate tolerance");
    }
}

void Translator::emitRateControl(const OldOption& option, std::size_t) {
    if (option.name == "maxrate" && !option.hasValue) {
        dropNote(option, "no value");
    } else if (option.name == "bufsize" && !m_maxrate && refusesLoneBufsize(m_videoEncoder)) {
        dropNote(option, "a buffer size needs -maxrate");
    } else if (m_device != nullptr && option.name == "maxrate") {
        out({"-maxrate", formatBitrate(*m_maxrate)});
    } else if (m_device != nullptr && parseBitrate(option.value).value_or(0.0) > m_deviceBufsize) {
        note(std::string(m_device->device) + " buffers " + formatBitrate(m_deviceBufsize) + "bit of " +
             (m_device->codec == "h264" ? "H.264" : "this video") + "; using " +
             formatBitrate(m_deviceBufsize) + " instead of -bufsize " + option.value);
        out({"-bufsize", formatBitrate(m_deviceBufsize)});
    } else {
        passOption(option, 0);
    }
}

void Translator::emitFlags(const OldOption& option, std::size_t) {
    const std::string& name = option.name;
    // Old flag texts add and remove relative to what is set, so every occurrence counts.
    std::vector<std::string> kept;
    std::vector<std::string> dropped;
    for (const auto& other : m_options) {
        if (other.name != name) {
            continue;
        }
        const std::string& text = other.value;
        std::size_t pos = 0;
        if (!text.empty() && text[0] != '+' && text[0] != '-') {
            kept.clear();
        }
        while (pos < text.size()) {
            const char sign = text[pos] == '-' ? '-' : '+';
            if (text[pos] == '+' || text[pos] == '-') {
                ++pos;
            }
            const auto next = text.find_first_of("+-", pos);
            const std::string flag = text.substr(pos, next - pos);
            pos = next == std::string::npos ? text.size() : next;
            if (flag.empty()) {
                continue;
            }
            if (name == "flags" && flag == "trell") {
                if (!has("trellis")) {
                    out({"-trellis", sign == '+' ? "1" : "0"});
                }
            } else if (name == "flags" && flag == "loop" && !isH263(m_videoEncoder)) {
                dropped.push_back(flag + " (deblocking is always on)");
            } else if (codecFlagKnown(name, flag)) {
                kept.push_back(std::string(1, sign) + flag);
            } else {
                dropped.push_back(flag);
            }
        }
    }
    for (const auto& flag : dropped) {
        note("dropped the " + name + " flag " + flag + ": FFmpeg 5.1 has no such flag");
    }
    if (!kept.empty()) {
        out({"-" + name + ":v", joinTokens(kept)});
    }
}

void Translator::emitReplaced(const OldOption& option, std::size_t) {
    if (option.name == "intra") {
        out({"-g", "1"});
    } else {
        out({"-flags:v", "+global_header"});
    }
}

void Translator::emitFixes() {
    if (m_fixVideoCodec && m_result.videoOut) {
        out({"-c:v", m_videoName});
    }
    const bool audioOut = m_audioOut;
    if (m_fixAudioCodec && audioOut) {
        out({"-c:a", m_audioName});
    }
    if (audioOut && m_narrow == Narrowband::AmrNb) {
        out({"-ar", "8000", "-ac", "1", "-b:a", "12.2k"});
    } else if (audioOut && m_narrow == Narrowband::AmrWb) {
        out({"-ar", "16000", "-ac", "1", "-b:a", "23.85k"});
    }
    if (audioOut && !has("ar") && m_narrow == Narrowband::None && (m_muxer == "flv" || m_muxer == "swf") &&
        codecOfEncoder(m_audioEncoder) == "mp3") {
        const double rate = probed().sampleRate;
        if (rate != 44100.0 && rate != 22050.0 && rate != 11025.0) {
            note("Flash files carry MP3 audio at 44100, 22050 or 11025 Hz only; using 44100 Hz");
            out({"-ar", "44100"});
        }
    }
    if (audioOut && m_target && m_target->format == "dvd" && codecOfEncoder(m_audioEncoder) == "mp2") {
        const auto* bitrate = last("ab");
        const bool ownRate = bitrate != nullptr && m_skip.count(m_last["ab"]) == 0;
        if (m_discAudioRate) {
            // The command's rate, held to what layer 2 allows, came with the target.
        } else if (!ownRate || parseBitrate(bitrate->value).value_or(0.0) > 384000.0) {
            note("MPEG audio layer 2 allows at most 384 kbit/s, not the DVD target's 448; using 224 kbit/s");
            out({"-b:a", "224k"});
        }
    }
    if (m_result.videoOut && isX264()) {
        emitH264Profile();
    } else if (m_result.videoOut && !videoCopy()) {
        emitDeviceRates();
    }
    // Pictures with transparency (GIF, PNG) would make libvpx encode an alpha plane, which it refuses
    // with its default settings; WebM players show plain pictures anyway.
    if (m_result.videoOut && m_videoEncoder == "libvpx" && !has("pix_fmt")) {
        out({"-pix_fmt", "yuv420p"});
    }
}

void Translator::chooseDevice() {
    const std::string_view codec = deviceCodec(m_videoEncoder);
    if (codec.empty() || !m_result.videoOut) {
        return;
    }
    std::string muxer = m_muxer == "3g2" ? "3gp" : m_muxer;
    if (muxer == "mp4" || muxer == "mov") {
        // The iPod recipes hold the rate to the iPod's 768 kbit/s, ask H.264 of level 3.0 or lower
        // (TV out), or tune MPEG-4 with advanced intra coding.
        const auto* level = last("level") != nullptr ? last("level") : last("vlevel");
        const double asked = level != nullptr ? parseNumber(level->value).value_or(0.0) : 0.0;
        const auto* flags = last("flags");
        const bool ipodLevel =
            codec == "h264" && asked > 0.0 && (asked <= 3.0 || (asked >= 10 && asked <= 30));
        const bool ipodMpeg4 =
            codec == "mpeg4" && flags != nullptr && flags->value.find("aic") != std::string::npos;
        if ((m_maxrate && *m_maxrate <= 768000.0) || ipodLevel || ipodMpeg4) {
            muxer = "ipod";
        }
    }
    if (deviceLimits(muxer, codec, 0, 0) == nullptr) {
        return;
    }
    // Without -s the picture keeps the source's size, which decides the level.
    const int width = m_outWidth > 0 ? m_outWidth : probed().width;
    const int height = m_outHeight > 0 ? m_outHeight : probed().height;
    m_device = deviceLimits(muxer, codec, width, height);
    double ceiling = m_device->maxrate;
    const char* why = " plays ";
    if (codec != "h264") {
        if (has("qscale")) {
            m_device = nullptr; // a fixed quantiser asks for a quality, not a rate
            return;
        }
        // The rate asked for is the most the file may take in any second.
        if (const auto* rate = last("b"); rate != nullptr && m_skip.count(m_last["b"]) == 0) {
            ceiling = std::min(ceiling, parseBitrate(rate->value).value_or(ceiling));
            why = " takes ";
        }
    }
    if (!m_maxrate || *m_maxrate > ceiling) {
        if (m_maxrate) {
            note(std::string(m_device->device) + why + (codec == "h264" ? "H.264" : "this video") +
                 " up to " + formatBitrate(ceiling) + "bit/s; using " + formatBitrate(ceiling) +
                 " instead of -maxrate " +
                 (last("maxrate") != nullptr ? last("maxrate")->value : formatBitrate(*m_maxrate)));
        }
        m_maxrate = ceiling;
    }
    // A second at the rate at most, within what the device buffers.
    m_deviceBufsize = codec == "h264" ? m_device->bufsize : std::min(m_device->bufsize, *m_maxrate);
}

void Translator::emitH264Profile() {
    const auto* coder = last("coder");
    const auto* bframes = last("bf");
    const bool cabac = coder != nullptr && (coder->value == "1" || toLowerAscii(coder->value) == "cabac" ||
                                            toLowerAscii(coder->value) == "ac");
    const bool useB = bframes != nullptr && parseNumber(bframes->value).value_or(0.0) > 0.0;
    if (m_device == nullptr && coder == nullptr && bframes == nullptr) {
        // Not for a device: the full High profile, which keeps more of the picture at the same rate.
        out({"-profile:v", "high"});
        if (m_muxer == "avi") {
            // Without times in the file, reordered pictures would show two frames late.
            out({"-bf", "0"});
        }
    } else {
        // For devices, as the old libx264 wrapper did: Baseline unless CABAC or B-frames are asked for.
        const bool main = cabac || useB || (m_device != nullptr && m_device->profile == "main");
        out({"-profile:v", main ? "main" : "baseline"});
        if (cabac && !useB && bframes == nullptr) {
            out({"-bf", "0"});
        }
        if (!has("refs")) {
            out({"-refs", "1"});
        }
    }
    if (m_device != nullptr && !has("level") && !has("vlevel")) {
        out({"-level:v", std::string(m_device->level)});
    }
    emitDeviceRates();
    if (!has("pix_fmt")) {
        out({"-pix_fmt", "yuv420p"});
    }
}

void Translator::emitDeviceRates() {
    if (m_device == nullptr) {
        return;
    }
    if (!has("maxrate")) {
        out({"-maxrate", formatBitrate(*m_maxrate)});
    }
    if (!has("bufsize") || m_skip.count(m_last["bufsize"]) != 0) {
        out({"-bufsize", formatBitrate(m_deviceBufsize)});
    }
}

void Translator::planFilters() {
    const auto integerOption = [&](const char* name) -> int {
        const auto* option = last(name);
        if (option == nullptr) {
            return 0;
        }
        const auto number = parseNumber(option->value);
        if (!number || *number < 0.0 || std::floor(*number) != *number) {
            dropNote(*option, "not a pixel count");
            return 0;
        }
        return static_cast<int>(*number);
    };
    if (m_result.videoOut && !videoCopy() && !has("deinterlace") && streamFacts().interlaced) {
        // Pictures stored as fields stay so where the target keeps fields (DVD, SVCD, DV); every other
        // target shows whole frames, so the fields are woven together before anything else is done.
        const bool keepsFields =
            m_target && (m_target->format == "dvd" || m_target->format == "svcd" || m_target->format == "dv");
        if (!keepsFields) {
            m_videoFilters.emplace_back("yadif=deint=interlaced");
            note("the source is interlaced; its fields are woven into whole frames for this target");
        } else if (m_target->format != "dv" && !has("flags")) {
            m_interlacedOut = true;
        }
    }
    if (m_request.script && m_request.script->convertFrameRate) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "fps=%.6g", m_request.script->frameRate);
        m_videoFilters.emplace_back(rate);
    }
    if (const auto* rate = last("r"); rate != nullptr && parseNumber(rate->value).value_or(1.0) > 0.0 &&
                                      !rate->value.empty() && !m_skip.count(m_last["r"])) {
        // Frames are chosen by the filter, nearest in time, so pictures keep their place against the
        // sound; -r alone would show each picture late by up to a frame of the new rate.
        m_videoFilters.push_back("fps=" + rate->value);
    } else if (m_target && !m_target->norm.empty() && m_result.videoOut && !videoCopy()) {
        // The target's own rate is set by -r inside it: the frames are chosen here as well.
        m_videoFilters.push_back(m_target->norm == "pal"    ? "fps=25"
                                 : m_target->norm == "ntsc" ? "fps=30000/1001"
                                                            : "fps=24000/1001");
    }
    if (has("deinterlace")) {
        m_videoFilters.emplace_back("yadif");
    }
    const Borders crop{integerOption("croptop"), integerOption("cropbottom"), integerOption("cropleft"),
                       integerOption("cropright")};
    if (crop.sum() > 0) {
        m_videoFilters.push_back("crop=iw-" + std::to_string(crop.left + crop.right) + ":ih-" +
                                 std::to_string(crop.top + crop.bottom) + ":" + std::to_string(crop.left) +
                                 ":" + std::to_string(crop.top));
    }
    const Borders pads{integerOption("padtop"), integerOption("padbottom"), integerOption("padleft"),
                       integerOption("padright")};
    std::string color = "black";
    if (const auto* option = last("padcolor")) {
        std::string text = option->value;
        if (!text.empty() && text[0] == '#') {
            text.erase(0, 1);
        }
        if (text.rfind("0x", 0) != 0) {
            text = "0x" + text;
        }
        color = text;
    }
    const bool disc = m_target && isDisc(*m_target) && m_result.videoOut && !videoCopy();
    if (m_scaleInFilter) {
        m_videoFilters.push_back(m_scaleFilter);
    } else if (disc && crop.sum() + pads.sum() > 0) {
        // The disc's frame size is fixed: the pads lie inside it, and the cropped picture fits between them.
        planDiscFrame(crop, pads, color);
    } else if (pads.sum() + crop.sum() > 0 && m_outWidth > 0 && m_outHeight > 0) {
        // Crops and pads frame the picture of -s, so the scaling has to sit between them.
        m_videoFilters.push_back("scale=" + std::to_string(m_outWidth) + ":" + std::to_string(m_outHeight));
        m_scaleInFilter = true;
    } else if (pads.sum() + crop.sum() == 0) {
        planPictureShape();
    }
    if (!m_scaleInFilter && isX264() && m_outWidth == 0 && m_result.videoOut &&
        probed().width % 2 + probed().height % 2 > 0) {
        note("the source's frame size is odd; libx264 needs even sides, so one pixel is cut off");
        m_videoFilters.emplace_back("crop=trunc(iw/2)*2:trunc(ih/2)*2");
    }
    if (pads.sum() > 0 && !disc) {
        m_videoFilters.push_back("pad=iw+" + std::to_string(pads.left + pads.right) + ":ih+" +
                                 std::to_string(pads.top + pads.bottom) + ":" + std::to_string(pads.left) +
                                 ":" + std::to_string(pads.top) + ":color=" + color);
    }

    // Fewer channels than the source: each output channel is the mean of those mixed into it, so a
    // sound alike in both channels keeps its level (FFmpeg's own mix of float samples adds them, 3 dB
    // louder). The resampler that mixes is the command's own when it has one, else FFmpeg's.
    m_downmix = m_audioOut && !audioCopy() && m_channels && probed().known && probed().channels > *m_channels;
    if (const auto* async = last("async")) {
        const auto samples = parseNumber(async->value);
        if (!samples || *samples < 0.0) {
            dropNote(*async, "not a sample count");
        } else if (*samples > 0.0 && m_result.videoOut) {
            // Audio keeps its length and its place against the pictures: gaps in its timestamps are
            // filled with silence and overlaps trimmed, from the pictures' start, but it is never
            // stretched.
            m_audioFilters.emplace_back(m_downmix ? "aresample=async=1:first_pts=0:rematrix_maxval=1"
                                                  : "aresample=async=1:first_pts=0");
        } else if (*samples > 0.0) {
            // A file of audio alone keeps exactly the samples it decodes to, one after the other: their
            // times are counted from the samples, so a source whose timestamps leave a gap or jump back
            // gives a file whose times run on evenly (no muxer sees them go back).
            m_audioFilters.emplace_back("asetpts=N/SR/TB");
        }
    }
    if (const auto* volume = last("vol")) {
        const auto level = parseNumber(volume->value);
        if (!level || *level < 0.0) {
            dropNote(*volume, "not a volume (256 is unchanged)");
        } else if (*level != 256.0) {
            m_audioFilters.push_back("volume=" + formatInteger(*level) + "/256");
        }
    }
}

void Translator::padShortAdts() {
    if (m_muxer != "adts" || !m_audioOut || codecOfEncoder(m_audioEncoder) != "aac" || !probed().known ||
        probed().duration <= 0.0) {
        return;
    }
    // An ADTS file is recognised by the run of frames it starts with: FFmpeg's reader wants three in a
    // row, and players read such files the same way. A shorter sound is followed by silence up to
    // three frames of 1024 samples, so the file opens.
    const double rate = m_sampleRate ? *m_sampleRate : probed().sampleRate;
    if (rate <= 0.0 || probed().duration >= 3 * 1024 / rate) {
        return;
    }
    char least[32];
    std::snprintf(least, sizeof least, "%.4f", 3 * 1024 / rate + 0.0001);
    m_audioFilters.push_back(std::string("apad=whole_dur=") + least);
    note(std::string("the sound is shorter than the three AAC frames a player needs to recognise an ADTS "
                     "file; silence follows it up to ") +
         least + " s");
}

void Translator::emitFilters() {
    if (!m_videoFilters.empty()) {
        if (!m_result.videoOut) {
            // No video leaves: nothing to filter.
        } else if (videoCopy()) {
            note("video is copied, so its frames cannot be changed: " + joinTokens(m_videoFilters) +
                 " not applied");
        } else {
            std::string chain;
            for (const auto& filter : m_videoFilters) {
                chain += (chain.empty() ? "" : ",") + filter;
            }
            out({"-vf", chain});
        }
    }
    if (!m_audioFilters.empty() && m_audioOut) {
        if (audioCopy()) {
            if (const auto* volume = last("vol"); volume != nullptr && volume->value != "256") {
                dropNote(*volume, "audio is copied, so its volume cannot change");
            }
        } else {
            std::string chain;
            for (const auto& filter : m_audioFilters) {
                chain += (chain.empty() ? "" : ",") + filter;
            }
            out({"-af", chain});
        }
    }
}

Translation Translator::run() {
    if (!m_request.command.error.empty()) {
        m_result.error = m_request.command.error;
        return m_result;
    }
    scan();
    chooseCodecs();
    for (const std::size_t index : m_skip) {
        if (m_target && index < m_targetIndex) {
            settleBeforeTarget(m_options[index]);
        }
    }
    checkCut();
    if (!m_result.error.empty()) {
        return m_result;
    }

    // Rates that the chosen encoders and containers take.
    if (const auto* maxrate = last("maxrate"); maxrate != nullptr && m_skip.count(m_last["maxrate"]) == 0) {
        m_maxrate = parseBitrate(maxrate->value);
    } else if (m_target && m_target->maxrate > 0.0) {
        m_maxrate = m_target->maxrate;
    }
    chooseDevice();
    if (const auto* rate = last("ar")) {
        const auto number = parseNumber(rate->value);
        if (number && *number >= 0.5) {
            // A rate beyond what an int holds is held there (FFmpeg then refuses it), never wrapped.
            const double bounded = std::min(*number, static_cast<double>(std::numeric_limits<int>::max()));
            int hertz = static_cast<int>(std::lround(bounded));
            std::vector<int> allowed = encoderSampleRates(m_audioEncoder);
            if ((m_muxer == "flv" || m_muxer == "swf") && codecOfEncoder(m_audioEncoder) == "mp3") {
                allowed = {44100, 22050, 11025};
            }
            if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), hertz) == allowed.end() &&
                m_narrow == Narrowband::None) {
                const int nearest = *std::min_element(allowed.begin(), allowed.end(), [&](int a, int b) {
                    return std::abs(a - hertz) < std::abs(b - hertz);
                });
                note(m_audioEncoder +
                     (m_muxer == "flv" || m_muxer == "swf" ? " in a Flash file" : std::string()) +
                     " cannot take " + std::to_string(hertz) + " Hz; using " + std::to_string(nearest) +
                     " Hz");
                hertz = nearest;
            }
            m_sampleRate = hertz;
        }
    }
    if (const auto* count = last("ac")) {
        const auto counted = parseNumber(count->value);
        const int channels =
            counted && *counted > 0.0
                ? static_cast<int>(std::min(*counted, static_cast<double>(std::numeric_limits<int>::max())))
                : 0;
        if (channels > 0) {
            const int most = encoderMaxChannels(m_audioEncoder);
            if (most > 0 && channels > most && m_narrow == Narrowband::None) {
                note(m_audioEncoder + " takes at most " + std::to_string(most) + " channels; using " +
                     std::to_string(most));
                m_channels = most;
            } else {
                m_channels = channels;
            }
        }
    }

    planFilters();
    padShortAdts();
    emitInput();
    emitOutputOptions();
    emitFixes();
    emitFilters();
    if (m_muxer == "avi" && m_result.videoOut && !videoCopy() && !has("avoid_negative_ts")) {
        // AVI keeps no times: each picture shows at its place in the file. FFmpeg would move every picture
        // but the first by the audio encoder's priming, rounded up to a whole frame (67 ms at 15 frames per
        // second); the pictures stay where they are and the priming delays only the sound, by 25 ms.
        out({"-avoid_negative_ts", "disabled"});
    }
    if (m_interlacedOut) {
        out({"-flags:v", "+ildct+ilme"});
    }
    if (m_downmix) {
        out({"-rematrix_maxval", "1.0"});
    }
    // Tags kept with a stream (Ogg's comments) become the file's where its container holds none.
    if ((m_result.videoOut || m_audioOut) && !has("map_metadata") && !has("map_meta_data") &&
        streamFacts().tagStream != 0 &&
        (streamFacts().tagStream == 'a' ? probed().hasAudio : probed().hasVideo)) {
        out({"-map_metadata", std::string("0:s:") + streamFacts().tagStream + ":0"});
    }
    if (m_request.unnamedWrite && !m_muxer.empty()) {
        out({"-f", m_muxer}); // the file's name cannot tell FFmpeg
    }
    m_result.muxer = m_muxer;
    m_result.cutStart = static_cast<double>(cutStart()) / 1e6;
    out({"-y", fileUrl(m_request.writePath)});
    return m_result;
}

} // namespace

const std::vector<std::string>& ffmpegPreamble() {
    static const std::vector<std::string> preamble = {"-hide_banner", "-nostats",  "-loglevel",
                                                      "warning",      "-progress", "pipe:1"};
    return preamble;
}

std::string fileUrl(const std::string& path) {
    return "file:" + path;
}

Translation translateCommand(const TranslationRequest& request) {
    try {
        return Translator(request).run();
    } catch (const std::exception& error) {
        Translation failed;
        failed.error = std::string("cannot translate the command: ") + error.what();
        return failed;
    }
}

} // namespace morvane::converter
