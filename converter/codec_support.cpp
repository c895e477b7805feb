#include "converter/codec_support.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace morvane::converter {

namespace {

const AVOutputFormat* findMuxer(std::string_view name) {
    if (name.empty()) {
        return nullptr;
    }
    const std::string text(name);
    return av_guess_format(text.c_str(), nullptr, nullptr);
}

const AVCodec* findEncoder(std::string_view name) {
    if (name.empty()) {
        return nullptr;
    }
    const std::string text(name);
    return avcodec_find_encoder_by_name(text.c_str());
}

AVMediaType mediaType(MediaKind kind) {
    return kind == MediaKind::Video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
}

} // namespace

std::string muxerFor(std::string_view format, std::string_view fileName) {
    if (!format.empty()) {
        // A named format must exist under that name; FFmpeg refuses anything else.
        const AVOutputFormat* muxer = findMuxer(format);
        return muxer != nullptr && format == muxer->name ? std::string(format) : std::string();
    }
    const std::string file(fileName);
    const AVOutputFormat* muxer = file.empty() ? nullptr : av_guess_format(nullptr, file.c_str(), nullptr);
    return muxer != nullptr ? muxer->name : std::string();
}

std::string resolveEncoder(std::string_view name, MediaKind kind) {
    const AVCodec* encoder = findEncoder(name);
    if (encoder == nullptr && !name.empty()) {
        const std::string text(name);
        if (const AVCodecDescriptor* descriptor = avcodec_descriptor_get_by_name(text.c_str())) {
            encoder = avcodec_find_encoder(descriptor->id);
        }
    }
    if (encoder == nullptr || encoder->type != mediaType(kind)) {
        return {};
    }
    return encoder->name;
}

std::string defaultEncoder(std::string_view muxer, MediaKind kind) {
    const AVOutputFormat* format = findMuxer(muxer);
    if (format == nullptr) {
        return {};
    }
    const AVCodecID id = kind == MediaKind::Video ? format->video_codec : format->audio_codec;
    if (id == AV_CODEC_ID_NONE) {
        return {};
    }
    const AVCodec* encoder = avcodec_find_encoder(id);
    return encoder != nullptr ? encoder->name : std::string();
}

std::string defaultCodec(std::string_view muxer, MediaKind kind) {
    const AVOutputFormat* format = findMuxer(muxer);
    if (format == nullptr) {
        return {};
    }
    const AVCodecID id = kind == MediaKind::Video ? format->video_codec : format->audio_codec;
    return id == AV_CODEC_ID_NONE ? std::string() : avcodec_get_name(id);
}

int muxerAccepts(std::string_view muxer, std::string_view encoder) {
    const AVOutputFormat* format = findMuxer(muxer);
    const AVCodec* codec = findEncoder(encoder);
    if (format == nullptr || codec == nullptr) {
        return -1;
    }
    const int answer = avformat_query_codec(format, codec->id, FF_COMPLIANCE_NORMAL);
    return answer < 0 ? -1 : (answer > 0 ? 1 : 0);
}

std::string codecOfEncoder(std::string_view encoder) {
    const AVCodec* codec = findEncoder(encoder);
    if (codec == nullptr) {
        return {};
    }
    const char* name = avcodec_get_name(codec->id);
    return name != nullptr ? name : std::string();
}

std::vector<int> encoderSampleRates(std::string_view encoder) {
    std::vector<int> rates;
    const AVCodec* codec = findEncoder(encoder);
    if (codec != nullptr && codec->supported_samplerates != nullptr) {
        for (const int* rate = codec->supported_samplerates; *rate != 0; ++rate) {
            rates.push_back(*rate);
        }
    }
    return rates;
}

int encoderMaxChannels(std::string_view encoder) {
    const AVCodec* codec = findEncoder(encoder);
    int most = 0;
    if (codec != nullptr && codec->ch_layouts != nullptr) {
        for (const AVChannelLayout* layout = codec->ch_layouts; layout->nb_channels != 0; ++layout) {
            most = std::max(most, layout->nb_channels);
        }
    }
    return most;
}

bool aviTagMatches(std::string_view tag, std::string_view encoder) {
    const AVCodec* codec = findEncoder(encoder);
    if (codec == nullptr || tag.size() != 4) {
        return false;
    }
    const unsigned fourcc = MKTAG(tag[0], tag[1], tag[2], tag[3]);
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    return av_codec_get_id(tables, fourcc) == codec->id;
}

bool codecFlagKnown(std::string_view option, std::string_view name) {
    const AVClass* codecClass = avcodec_get_class();
    const std::string unit(option);
    const std::string flag(name);
    const AVOption* found = av_opt_find(&codecClass, flag.c_str(), unit.c_str(), 0, AV_OPT_SEARCH_FAKE_OBJ);
    return found != nullptr && found->type == AV_OPT_TYPE_CONST;
}

} // namespace morvane::converter
