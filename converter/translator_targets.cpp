#include "converter/translator_private.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace morvane::converter::translation {

namespace {

double discFrameRate(const TargetInfo& target) {
    return target.norm == "pal" ? 25.0 : target.norm == "ntsc" ? 30000.0 / 1001.0 : 24000.0 / 1001.0;
}

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

} // namespace

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

bool target169(std::string_view format) {
    return format == "dvd" || format == "svcd";
}

std::optional<FrameSize> discFrameSize(const TargetInfo& target) {
    if (target.norm.empty() || !isDisc(target)) {
        return std::nullopt;
    }
    const bool pal = target.norm == "pal";
    const int width = target.format == "dvd" ? 720 : target.format == "svcd" ? 480 : 352;
    const int height = target.format == "vcd" ? (pal ? 288 : 240) : (pal ? 576 : 480);
    return FrameSize{width, height};
}

bool overriddenByTarget(const TargetInfo& target, std::string_view name) {
    if (target.format == "dv") {
        return name == "f" || name == "s" || name == "ar" || name == "ac" || name == "pix_fmt";
    }
    return name == "vcodec" || name == "acodec" || name == "f" || name == "s" || name == "r" ||
           name == "ar" || name == "b" || name == "ab" || name == "maxrate" || name == "minrate" ||
           name == "bufsize" || name == "g" || (name == "ac" && target.format == "vcd");
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

void Translator::settleMaxrate() {
    if (const auto* maxrate = last("maxrate"); maxrate != nullptr && m_skip.count(m_last["maxrate"]) == 0) {
        m_maxrate = parseBitrate(maxrate->value);
    } else if (m_target && m_target->maxrate > 0.0) {
        m_maxrate = m_target->maxrate;
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

} // namespace morvane::converter::translation
