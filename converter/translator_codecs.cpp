#include "converter/translator_private.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace morvane::converter::translation {

namespace {

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

bool validH263Size(int width, int height) {
    static constexpr std::array<std::pair<int, int>, 5> sizes = {
        {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}}};
    return std::find(sizes.begin(), sizes.end(), std::pair{width, height}) != sizes.end();
}

} // namespace

bool isH263(const std::string& encoder) {
    return encoder == "h263" || encoder == "h263p";
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

void Translator::settleSampleRate() {
    const auto* rate = last("ar");
    if (rate == nullptr) {
        return;
    }
    const auto number = parseNumber(rate->value);
    if (!number || *number < 0.5) {
        return;
    }
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
        note(m_audioEncoder + (m_muxer == "flv" || m_muxer == "swf" ? " in a Flash file" : std::string()) +
             " cannot take " + std::to_string(hertz) + " Hz; using " + std::to_string(nearest) + " Hz");
        hertz = nearest;
    }
    m_sampleRate = hertz;
}

void Translator::settleChannels() {
    const auto* count = last("ac");
    if (count == nullptr) {
        return;
    }
    const auto counted = parseNumber(count->value);
    const int channels =
        counted && *counted > 0.0
            ? static_cast<int>(std::min(*counted, static_cast<double>(std::numeric_limits<int>::max())))
            : 0;
    if (channels <= 0) {
        return;
    }
    const int most = encoderMaxChannels(m_audioEncoder);
    if (most > 0 && channels > most && m_narrow == Narrowband::None) {
        note(m_audioEncoder + " takes at most " + std::to_string(most) + " channels; using " +
             std::to_string(most));
        m_channels = most;
    } else {
        m_channels = channels;
    }
}

} // namespace morvane::converter::translation
