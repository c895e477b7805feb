#include "converter/option_guard.h"

#include <algorithm>
#include <array>

namespace morvane::converter {

namespace {

constexpr std::array<std::string_view, 26> kFileOrDeviceOptions = {
    "vstats",
    "vstats_file",
    "report",
    "progress",
    "sdp_file",
    "attach",
    "dump_attachment",
    "filter",
    "filter_complex",
    "lavfi",
    "vf",
    "af",
    "filter_script",
    "filter_complex_script",
    "fpre",
    "vpre",
    "apre",
    "spre",
    "pre",
    "x264opts",
    "hwaccel",
    "hwaccel_device",
    "init_hw_device",
    "filter_hw_device",
    "vaapi_device",
    "qsv_device",
};

constexpr std::array<std::string_view, 42> kFormatsBeyondTheOutput = {
    // devices
    "alsa", "oss", "pulse", "sndio", "jack", "openal", "v4l2", "video4linux2", "fbdev", "x11grab", "xcbgrab",
    "kmsgrab", "sdl", "sdl2", "xv", "opengl", "caca", "lavfi", "dshow", "gdigrab", "vfwcap", "avfoundation",
    "decklink", "iec61883", "dv1394", "libcdio", "libdc1394",
    // muxers and demuxers that open further files or addresses
    "image2", "segment", "stream_segment", "ssegment", "hls", "dash", "tee", "fifo", "fifo_test",
    "webm_chunk", "webm_dash_manifest", "smoothstreaming", "rtp", "rtp_mpegts", "concat"};

// FFmpeg's own options that take no value: a value after one is read as another output file.
constexpr std::array<std::string_view, 34> kFfmpegSwitches = {"y",
                                                              "n",
                                                              "nostdin",
                                                              "stats",
                                                              "hide_banner",
                                                              "copyts",
                                                              "start_at_zero",
                                                              "shortest",
                                                              "xerror",
                                                              "benchmark",
                                                              "benchmark_all",
                                                              "debug_ts",
                                                              "re",
                                                              "accurate_seek",
                                                              "seek_timestamp",
                                                              "dump",
                                                              "hex",
                                                              "vn",
                                                              "an",
                                                              "sn",
                                                              "dn",
                                                              "psnr",
                                                              "qphist",
                                                              "ignore_unknown",
                                                              "copy_unknown",
                                                              "find_stream_info",
                                                              "autorotate",
                                                              "autoscale",
                                                              "fix_sub_duration",
                                                              "bitexact",
                                                              "intra",
                                                              "sameq",
                                                              "deinterlace",
                                                              "stdin"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The option's name without a stream specifier ("-filter:v" is "filter").
std::string_view baseName(std::string_view name) {
    return name.substr(0, name.find(':'));
}

bool isFfmpegSwitch(std::string_view name) {
    // A switch is turned off by its name after "no".
    return listed(kFfmpegSwitches, name) ||
           (name.rfind("no", 0) == 0 && listed(kFfmpegSwitches, name.substr(2)));
}

} // namespace

bool namesFileOrDevice(std::string_view optionName) {
    const std::string_view name = baseName(optionName);
    const bool settingsString = name.size() > 7 && name.compare(name.size() - 7, 7, "-params") == 0;
    return listed(kFileOrDeviceOptions, name) || settingsString;
}

bool formatReachesBeyondTheOutput(std::string_view format) {
    return listed(kFormatsBeyondTheOutput, format);
}

std::optional<std::string> refusedOption(const OldOption& option) {
    const std::string shown = "-" + option.name + (option.hasValue ? " " + option.value : std::string());
    const std::string_view name = baseName(option.name);
    if (name == "i") {
        return std::nullopt; // a second input is left out with a note of its own
    }
    if (namesFileOrDevice(option.name)) {
        return "refused " + shown + ": it names a file or a device";
    }
    if (name == "passlogfile" &&
        (option.value.empty() || option.value.find_first_of("/:") != std::string::npos)) {
        return "refused " + shown + ": a pass log is written beside the output, under a plain name";
    }
    // The dialect knows a first and a second pass only. FFmpeg would take 3 (or any odd or mixed
    // number) as a pass that reads its logs and rewrites them in place, where no run can undo a
    // half-written log.
    if (name == "pass" && option.value != "1" && option.value != "2") {
        return "refused " + shown + ": the pass number can be only 1 or 2";
    }
    if ((name == "f" || name == "target") && formatReachesBeyondTheOutput(option.value)) {
        return "refused " + shown + ": that format reads or writes other files than the output, or a device";
    }
    if (oldOptionArity(option.name) == OldArity::Unknown) {
        if (option.hasValue && isFfmpegSwitch(name)) {
            return "refused " + shown +
                   ": the option takes no value, so FFmpeg would write its value as a "
                   "further output file";
        }
        if (!option.hasValue && !isFfmpegSwitch(name)) {
            return "refused -" + option.name +
                   ": it has no value, so FFmpeg would take the next argument as its value";
        }
    }
    return std::nullopt;
}

} // namespace morvane::converter
