#include "converter/translator_private.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace morvane::converter::translation {

namespace {

// Encoders of the FFmpeg family that refuse a buffer size without a maximum rate.
bool refusesLoneBufsize(const std::string& encoder) {
    return encoder != "libxvid" && encoder != "copy";
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

} // namespace

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

} // namespace morvane::converter::translation
