// Writes what the installed FFmpeg libraries know about muxers and encoders as C++ tables, so the
// converter can reason about FFmpeg's choices without loading the libraries at run time (loading them
// costs more than a short conversion may take).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace {

constexpr int kMaxRates = 16; // the size of EncoderRow::rates

std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\') {
            out += '\\';
        }
        out += *c;
    }
    return out + "\"";
}

std::string codecName(AVCodecID id) {
    return id == AV_CODEC_ID_NONE ? "" : avcodec_get_name(id);
}

std::vector<std::string> split(const char* list) {
    std::vector<std::string> items;
    std::stringstream in(list != nullptr ? list : "");
    for (std::string item; std::getline(in, item, ',');) {
        if (!item.empty()) {
            items.push_back(item);
        }
    }
    return items;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    std::ostringstream out;
    out << "// Generated from the FFmpeg libraries at build time; do not edit.\n";

    // Encoders, and for each codec the encoder FFmpeg takes when the codec is named.
    std::set<AVCodecID> encodable;
    out << "constexpr EncoderRow kEncoders[] = {\n";
    void* state = nullptr;
    for (const AVCodec* codec = nullptr; (codec = av_codec_iterate(&state)) != nullptr;) {
        if (av_codec_is_encoder(codec) == 0 ||
            (codec->type != AVMEDIA_TYPE_VIDEO && codec->type != AVMEDIA_TYPE_AUDIO)) {
            continue;
        }
        encodable.insert(codec->id);
        std::string rates = "{";
        int count = 0;
        if (codec->supported_samplerates != nullptr) {
            for (const int* rate = codec->supported_samplerates; *rate != 0; ++rate, ++count) {
                rates += std::to_string(*rate) + ",";
            }
        }
        rates += "0}";
        if (count >= kMaxRates) {
            std::fprintf(stderr, "%s takes more than %d sample rates\n", codec->name, kMaxRates - 1);
            return 1;
        }
        int channels = 0;
        if (codec->ch_layouts != nullptr) {
            for (const AVChannelLayout* layout = codec->ch_layouts; layout->nb_channels != 0; ++layout) {
                channels = std::max(channels, layout->nb_channels);
            }
        }
        out << "    {" << quoted(codec->name) << ", " << (codec->type == AVMEDIA_TYPE_VIDEO ? "'V'" : "'A'")
            << ", " << quoted(codecName(codec->id).c_str()) << ", " << rates << ", " << channels << "},\n";
    }
    out << "};\n\nconstexpr NamePair kCodecEncoders[] = {\n";
    for (const AVCodecID id : encodable) {
        const AVCodec* first = avcodec_find_encoder(id);
        if (first != nullptr) {
            out << "    {" << quoted(codecName(id).c_str()) << ", " << quoted(first->name) << "},\n";
        }
    }

    // Muxers: default codecs, and which codecs with an encoder each one can store when it says.
    out << "};\n\nconstexpr MuxerRow kMuxers[] = {\n";
    std::set<std::string> extensions;
    std::ostringstream accepts;
    std::ostringstream rejects;
    state = nullptr;
    for (const AVOutputFormat* muxer = nullptr; (muxer = av_muxer_iterate(&state)) != nullptr;) {
        for (const AVCodecID id : encodable) {
            const int answer = avformat_query_codec(muxer, id, FF_COMPLIANCE_NORMAL);
            if (answer > 0) {
                accepts << "    {" << quoted(muxer->name) << ", " << quoted(codecName(id).c_str()) << "},\n";
            } else if (answer == 0) {
                rejects << "    {" << quoted(muxer->name) << ", " << quoted(codecName(id).c_str()) << "},\n";
            }
        }
        out << "    {" << quoted(muxer->name) << ", " << quoted(codecName(muxer->video_codec).c_str()) << ", "
            << quoted(codecName(muxer->audio_codec).c_str()) << "},\n";
        for (const auto& extension : split(muxer->extensions)) {
            extensions.insert(extension);
        }
    }
    out << "};\n\nconstexpr NamePair kMuxerAccepts[] = {\n" << accepts.str();
    out << "};\n\nconstexpr NamePair kMuxerRejects[] = {\n" << rejects.str() << "    {\"\", \"\"},\n";

    // The muxer a file name's extension selects.
    out << "};\n\nconstexpr NamePair kExtensions[] = {\n";
    for (const auto& extension : extensions) {
        const std::string file = "file." + extension;
        if (const AVOutputFormat* muxer = av_guess_format(nullptr, file.c_str(), nullptr)) {
            out << "    {" << quoted(extension.c_str()) << ", " << quoted(muxer->name) << "},\n";
        }
    }

    // What the FourCCs people write into AVI headers stand for (the table itself is not public).
    out << "};\n\nconstexpr NamePair kAviVideoTags[] = {\n";
    const AVCodecTag* const riff[] = {avformat_get_riff_video_tags(), nullptr};
    for (const char* fourcc :
         {"XVID", "DIVX", "DX50", "DIV3", "DIV4", "DIV5", "DIV6", "MP43", "MP42", "MP41", "MPG4",
          "MPG3", "FMP4", "3IV1", "3IV2", "M4S2", "MP4S", "MP4V", "RMP4", "BLZ0", "DXGM", "WMV1",
          "WMV2", "WMV3", "WVC1", "H264", "X264", "AVC1", "DAVC", "H263", "U263", "I263", "S263",
          "FLV1", "MJPG", "AVRN", "VP80", "VP90", "THEO", "HFYU", "FFVH", "FFV1", "SVQ1", "DVSD",
          "DV25", "CDVC", "MPG1", "MPG2", "PIM1", "MPEG", "HEVC", "HVC1", "H265", "X265", "AV01",
          "ZLIB", "ASV1", "ASV2", "SNOW", "I420", "YV12", "YUY2", "UYVY"}) {
        const unsigned tag = MKTAG(fourcc[0], fourcc[1], fourcc[2], fourcc[3]);
        const AVCodecID id = av_codec_get_id(riff, tag);
        if (id != AV_CODEC_ID_NONE) {
            out << "    {" << quoted(fourcc) << ", " << quoted(codecName(id).c_str()) << "},\n";
        }
    }

    // The named values of the generic codec options "flags" and "flags2".
    out << "};\n\nconstexpr NamePair kCodecFlags[] = {\n";
    const AVClass* codecClass = avcodec_get_class();
    for (const AVOption* option = codecClass->option; option->name != nullptr; ++option) {
        if (option->type == AV_OPT_TYPE_CONST && option->unit != nullptr &&
            (std::string(option->unit) == "flags" || std::string(option->unit) == "flags2")) {
            out << "    {" << quoted(option->unit) << ", " << quoted(option->name) << "},\n";
        }
    }
    out << "};\n";

    std::ofstream file(argv[1], std::ios::trunc);
    file << out.str();
    return file ? 0 : 1;
}
