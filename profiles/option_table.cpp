#include "profiles/option_table.h"

#include <algorithm>
#include <array>

#include "platform/translation.h"

namespace morvane::profiles {

namespace {

constexpr const char* kStartTimeNeutral[] = {"00:00:00"};
constexpr const char* kDurationNeutral[] = {"Full"};

constexpr const char* kVideoCodecs[] = {
    "mpeg4", "msmpeg4",  "msmpeg4v1", "msmpeg4v2", "mpeg1video", "mpeg2video", "wmv1",  "wmv2", "h263",
    "h263p", "rawvideo", "rv10",      "dvvideo",   "huffyuv",    "ljpeg",      "mjpeg", "svq1", "zlib"};
constexpr const char* kStandards[] = {"Auto", "NTSC", "PAL"};
// "624x352" stands after "640x480" in the stored order the panel offers.
constexpr const char* kFrameSizes[] = {"128x96",  "160x120", "176x120", "176x144", "192x144",
                                       "208x176", "220x176", "240x180", "320x200", "320x240",
                                       "352x288", "480x272", "480x480", "480x576", "640x480",
                                       "624x352", "704x576", "720x480", "720x576"};
constexpr const char* kVideoBitRates[] = {"128", "192",  "256",  "384",  "512",  "640",
                                          "768", "1000", "1200", "1500", "2000", "2500"};
constexpr const char* kFrameRates[] = {"23.97", "24.0", "25.0", "29.97", "30.0"};
constexpr const char* kAspects[] = {"Auto", "4:3", "16:9"};
constexpr const char* kSwitchValues[] = {"False", "True"};
constexpr const char* kAudioCodecs[] = {"mp3"};
constexpr const char* kAudioBitRates[] = {"32",  "48",  "56",  "64",  "80",  "96",  "112",
                                          "128", "160", "192", "224", "256", "320", "384"};
constexpr const char* kSampleRates[] = {"22050", "32000", "44100", "48000"};
constexpr const char* kChannels[] = {"1 (Mono)", "2 (Stereo)", "5 (5.1)"};

template <std::size_t N>
constexpr std::int32_t countOf(const char* const (&)[N]) {
    return static_cast<std::int32_t>(N);
}

// A row the panel does not present: id 0, text kind, no values.
constexpr OptionDef plain(const char* name, std::uint32_t flags, const char* help,
                          const char* argument = nullptr) {
    return OptionDef{name, flags, help, argument, 0, OptionKind::Text, nullptr, 0};
}

// A row the panel presents under `label` with editor `kind` and default choices `values`.
template <std::size_t N>
constexpr OptionDef panel(const char* name, std::uint32_t flags, const char* help, const char* label,
                          std::int32_t id, OptionKind kind, const char* const (&values)[N]) {
    return OptionDef{name, flags, help, label, id, kind, values, countOf(values)};
}

constexpr OptionDef panelText(const char* name, std::uint32_t flags, const char* help, const char* label,
                              std::int32_t id, const char* const* neutral = nullptr) {
    return OptionDef{name, flags, help, label, id, OptionKind::Text, neutral, 0};
}

using K = OptionKind;

// The stored table: the panel rows stand among the plain rows, and the empty definition ends it.
constexpr std::array<OptionDef, kOptionCount + 1> kTable = {{
    plain("L", 0x0, "show the licence of the converter"),
    plain("h", 0x0, "show the list of options"),
    plain("version", 0x0, "show the converter's version"),
    plain("formats", 0x0, "show the available formats, codecs and protocols"),
    plain("f", 0x1, "force the container format", "fmt"),
    plain("i", 0x1, "name the input file", "filename"),
    plain("y", 0x2, "overwrite output files without asking"),
    plain("map", 0x5, "choose which input stream feeds an output stream",
          "file:stream[:syncfile:syncstream]"),
    plain("map_meta_data", 0x5, "copy the metadata of an input file to an output file", "outfile:infile"),
    panelText("t", 0x1, QT_TRANSLATE_NOOP("ParameterPanel", "set the recording time"),
              QT_TRANSLATE_NOOP("ParameterPanel", "Duration"), 2, kDurationNeutral),
    plain("fs", 0x81, "stop writing when the output reaches this size in bytes", "limit_size"),
    panelText("ss", 0x1, QT_TRANSLATE_NOOP("ParameterPanel", "set the start time offset"),
              QT_TRANSLATE_NOOP("ParameterPanel", "Start Time"), 1, kStartTimeNeutral),
    plain("itsoffset", 0x1, "shift the input timestamps by this offset", "time_off"),
    panelText("title", 0x9, QT_TRANSLATE_NOOP("ParameterPanel", "set the title"),
              QT_TRANSLATE_NOOP("ParameterPanel", "Title"), 3),
    panelText("timestamp", 0x1, QT_TRANSLATE_NOOP("ParameterPanel", "set the timestamp"),
              QT_TRANSLATE_NOOP("ParameterPanel", "Time stamp"), 8),
    panelText("author", 0x9, QT_TRANSLATE_NOOP("ParameterPanel", "set the author"),
              QT_TRANSLATE_NOOP("ParameterPanel", "Author"), 4),
    panelText("copyright", 0x9, QT_TRANSLATE_NOOP("ParameterPanel", "set the copyright"),
              QT_TRANSLATE_NOOP("ParameterPanel", "Copyright"), 5),
    panelText("comment", 0x9, QT_TRANSLATE_NOOP("ParameterPanel", "set the comment"),
              QT_TRANSLATE_NOOP("ParameterPanel", "Comment"), 6),
    panelText("album", 0x9, QT_TRANSLATE_NOOP("ParameterPanel", "set the album"),
              QT_TRANSLATE_NOOP("ParameterPanel", "Album"), 7),
    plain("benchmark", 0x6, "print processor time used at the end of the run"),
    plain("dump", 0x6, "print every input packet"),
    plain("hex", 0x6, "print packet contents as hexadecimal when dumping"),
    plain("re", 0x6, "read the input at its own frame rate", ""),
    plain("loop_input", 0x6, "loop over the input (still images)"),
    plain("loop_output", 0x85, "times to loop output in formats that loop (0 loops forever)", ""),
    plain("v", 0x1, "set how much the converter reports", "verbose"),
    plain("target", 0x1, "apply the settings of a disc target (vcd, svcd, dvd, with pal- or ntsc-)", "type"),
    plain("threads", 0x5, "number of threads used for coding", "count"),
    plain("vsync", 0x85, "set how video frames are duplicated or dropped to keep sync", ""),
    plain("async", 0x85, "stretch or squeeze audio to keep it in sync", ""),
    plain("vglobal", 0x85, "where to store the video global header", ""),
    plain("copyts", 0x6, "keep the input timestamps"),
    plain("shortest", 0x6, "stop when the shortest input stream ends"),
    plain("dts_delta_threshold", 0x85, "timestamp jump treated as a discontinuity", ""),
    panel("b", 0x11, QT_TRANSLATE_NOOP("ParameterPanel", "set video bitrate (in kbit/s)"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Bit Rate"), 54, K::EditableList, kVideoBitRates),
    plain("vframes", 0x91, "stop after this many video frames", "number"),
    plain("aframes", 0xa1, "stop after this many audio frames", "number"),
    plain("dframes", 0x81, "stop after this many data frames", "number"),
    panel("r", 0x11,
          QT_TRANSLATE_NOOP("ParameterPanel", "set frame rate (Hz value, fraction or abbreviation)"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Frame Rate"), 55, K::EditableList, kFrameRates),
    panel("s", 0x11, QT_TRANSLATE_NOOP("ParameterPanel", "set frame size (WxH or abbreviation)"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Video Size"), 53, K::EditableList, kFrameSizes),
    panel("aspect", 0x11,
          QT_TRANSLATE_NOOP("ParameterPanel", "set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Aspect"), 56, K::EditableList, kAspects),
    plain("pix_fmt", 0x15, "set the pixel format of the encoded picture", "format"),
    plain("croptop", 0x11, "cut this many rows off the top of the picture", "size"),
    plain("cropbottom", 0x11, "cut this many rows off the bottom of the picture", "size"),
    plain("cropleft", 0x11, "cut this many columns off the left of the picture", "size"),
    plain("cropright", 0x11, "cut this many columns off the right of the picture", "size"),
    plain("padtop", 0x11, "add a band of this height above the picture", "size"),
    plain("padbottom", 0x11, "add a band of this height below the picture", "size"),
    plain("padleft", 0x11, "add a band of this width left of the picture", "size"),
    plain("padright", 0x11, "add a band of this width right of the picture", "size"),
    plain("padcolor", 0x11, "colour of the added bands (hex RRGGBB)", "color"),
    plain("intra", 0x16, "code every frame as a key frame"),
    panel("vn", 0x12, QT_TRANSLATE_NOOP("ParameterPanel", "disable video"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Disable Video"), 99, K::FixedList, kSwitchValues),
    plain("vdt", 0x95, "threshold for discarding video frames", "n"),
    plain("qscale", 0x15, "code video at this fixed quantiser (variable bitrate)", "q"),
    plain("qdiff", 0x15, "largest change of quantiser between frames", "q"),
    plain("rc_eq", 0x15, "rate control equation", "equation"),
    plain("rc_override", 0x15, "rate control for given frame ranges", "override"),
    panel("vcodec", 0x11, QT_TRANSLATE_NOOP("ParameterPanel", "force video codec ('copy' to copy stream)"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Video Codec"), 51, K::FixedList, kVideoCodecs),
    plain("me", 0x15, "motion estimation method", "method"),
    plain("me_threshold", 0x15, "threshold below which motion estimation stops early", ""),
    plain("ps", 0x5, "packet size in bits", "size"),
    plain("strict", 0x15, "how strictly to follow the standards", "strictness"),
    plain("sameq", 0x12, "keep the quality of the source"),
    plain("pass", 0x11, "pass number of a two-pass encoding (1 or 2)", "n"),
    plain("passlogfile", 0x19, "file name for the statistics of a two-pass encoding", "file"),
    plain("deinterlace", 0x16, "deinterlace the picture"),
    plain("psnr", 0x16, "compute the PSNR of every coded frame"),
    plain("vstats", 0x16, "write video coding statistics to a file"),
    plain("vhook", 0x15, "run the picture through a processing module", "module"),
    plain("intra_matrix", 0x15, "quantiser matrix for key frames", "matrix"),
    plain("inter_matrix", 0x15, "quantiser matrix for other frames", "matrix"),
    plain("top", 0x15, "field order: 1 top first, 0 bottom first, -1 automatic", ""),
    plain("dc", 0x95, "precision of the intra DC coefficients", "precision"),
    plain("vtag", 0x15, "force the video FourCC or tag", "fourcc/tag"),
    plain("newvideo", 0x10, "add another video stream to the output"),
    plain("qphist", 0x16, "show a histogram of the quantisers used"),
    panel("ab", 0x21, QT_TRANSLATE_NOOP("ParameterPanel", "set audio bitrate (in kbit/s)"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Bit Rate"), 102, K::EditableList, kAudioBitRates),
    plain("aq", 0x121, "audio quality for variable bitrate coding", "quality"),
    panel("ar", 0x21, QT_TRANSLATE_NOOP("ParameterPanel", "set audio sampling rate (in Hz)"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Sample Rate"), 103, K::EditableList, kSampleRates),
    panel("ac", 0x21, QT_TRANSLATE_NOOP("ParameterPanel", "set number of audio channels"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Channels"), 104, K::FixedList, kChannels),
    panel("an", 0x22, QT_TRANSLATE_NOOP("ParameterPanel", "disable audio"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Disable Audio"), 105, K::FixedList, kSwitchValues),
    panel("acodec", 0x21, QT_TRANSLATE_NOOP("ParameterPanel", "force audio codec ('copy' to copy stream)"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Audio Codec"), 101, K::FixedList, kAudioCodecs),
    plain("atag", 0x25, "force the audio FourCC or tag", "fourcc/tag"),
    plain("vol", 0xa1, "change the audio volume (256 leaves it unchanged)", "volume"),
    plain("newaudio", 0x20, "add another audio stream to the output"),
    plain("alang", 0x29, "language of the audio stream (three-letter code)", "code"),
    plain("scodec", 0x201, "force subtitle codec ('copy' to copy stream)", "codec"),
    plain("newsubtitle", 0x200, "add another subtitle stream to the output"),
    plain("slang", 0x209, "language of the subtitle stream (three-letter code)", "code"),
    plain("vd", 0x55, "video capture device", "device"),
    plain("vc", 0x55, "video capture channel", "channel"),
    panel("tvstd", 0x55, QT_TRANSLATE_NOOP("ParameterPanel", "set television standard (NTSC, PAL (SECAM))"),
          QT_TRANSLATE_NOOP("ParameterPanel", "Standard"), 52, K::EditableList, kStandards),
    plain("ad", 0x65, "audio capture device", "device"),
    plain("grab", 0x45, "capture from a device of this format", "format"),
    plain("gd", 0x55, "capture device", "device"),
    plain("muxdelay", 0x105, "largest delay between demuxing and decoding", "seconds"),
    plain("muxpreload", 0x105, "initial delay between demuxing and decoding", "seconds"),
    plain("absf", 0x25, "run the audio packets through a bitstream filter", "bitstream filter"),
    plain("vbsf", 0x15, "run the video packets through a bitstream filter", "bitstream filter"),
    plain("default", 0x435, "pass any other codec or format option on by name", ""),
    OptionDef{},
}};

static_assert(kTable.back().name == nullptr, "the table ends with the empty definition");

// Row indices sorted by name, for lookups by binary search; names are unique, so this finds the
// same row as a search in table order.
const std::array<std::uint16_t, kOptionCount>& sortedIndex() {
    static const auto index = [] {
        std::array<std::uint16_t, kOptionCount> result{};
        for (std::size_t i = 0; i < kOptionCount; ++i) {
            result[i] = static_cast<std::uint16_t>(i);
        }
        std::sort(result.begin(), result.end(), [](std::uint16_t a, std::uint16_t b) {
            return std::string_view(kTable[a].name) < std::string_view(kTable[b].name);
        });
        return result;
    }();
    return index;
}

} // namespace

std::span<const OptionDef> optionTable() {
    return {kTable.data(), kOptionCount};
}

const OptionDef& emptyOptionDef() {
    return kTable[kOptionCount];
}

const OptionDef& find(std::string_view name) {
    const auto& index = sortedIndex();
    const auto it =
        std::lower_bound(index.begin(), index.end(), name, [](std::uint16_t row, std::string_view wanted) {
            return std::string_view(kTable[row].name) < wanted;
        });
    if (it != index.end() && std::string_view(kTable[*it].name) == name) {
        return kTable[*it];
    }
    return emptyOptionDef();
}

OptionCategory category(std::uint32_t flags) {
    if ((flags & kOptionVideo) != 0) {
        return OptionCategory::Video;
    }
    if ((flags & kOptionAudio) != 0) {
        return OptionCategory::Audio;
    }
    return OptionCategory::General;
}

std::string displayLabel(const OptionDef& def, std::string_view key) {
    if (def.label != nullptr && def.label[0] != '\0') {
        return def.label;
    }
    return std::string(key);
}

std::vector<std::string> defaultChoices(const OptionDef& def) {
    std::vector<std::string> choices;
    if (def.values == nullptr || def.valueCount <= 0) {
        return choices;
    }
    choices.reserve(static_cast<std::size_t>(def.valueCount));
    for (std::int32_t i = 0; i < def.valueCount; ++i) {
        choices.emplace_back(def.values[i]);
    }
    return choices;
}

std::string_view neutralValue(const OptionDef& def) {
    if (def.valueCount == 0 && def.values != nullptr && def.values[0] != nullptr) {
        return def.values[0];
    }
    return {};
}

} // namespace morvane::profiles
