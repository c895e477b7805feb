#include "converter/codec_support.h"

#include <algorithm>

#include "platform/text_rules.h"

namespace morvane::converter {

namespace {

struct EncoderRow {
    const char* name;
    char kind; // 'V' or 'A'
    const char* codec;
    int rates[16]; // zero-terminated; empty when any rate will do
    int maxChannels;
};

struct MuxerRow {
    const char* name;
    const char* defaultVideo;
    const char* defaultAudio;
};

struct NamePair {
    const char* first;
    const char* second;
};

#include "converter/ffmpeg_tables.inc"

const EncoderRow* findEncoder(std::string_view name) {
    for (const auto& row : kEncoders) {
        if (name == row.name) {
            return &row;
        }
    }
    return nullptr;
}

const MuxerRow* findMuxer(std::string_view name) {
    for (const auto& row : kMuxers) {
        if (name == row.name) {
            return &row;
        }
    }
    return nullptr;
}

template <std::size_t N>
const char* lookup(const NamePair (&pairs)[N], std::string_view first) {
    for (const auto& pair : pairs) {
        if (first == pair.first) {
            return pair.second;
        }
    }
    return nullptr;
}

template <std::size_t N>
bool contains(const NamePair (&pairs)[N], std::string_view first, std::string_view second) {
    return std::any_of(std::begin(pairs), std::end(pairs),
                       [&](const NamePair& pair) { return first == pair.first && second == pair.second; });
}

char kindLetter(MediaKind kind) {
    return kind == MediaKind::Video ? 'V' : 'A';
}

} // namespace

std::string muxerFor(std::string_view format, std::string_view fileName) {
    if (!format.empty()) {
        // A named format must exist under that name; FFmpeg refuses anything else.
        return findMuxer(format) != nullptr ? std::string(format) : std::string();
    }
    const auto slash = fileName.find_last_of('/');
    const auto name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    const char* muxer = lookup(kExtensions, platform::toLowerAscii(name.substr(dot + 1)));
    return muxer != nullptr ? muxer : std::string();
}

std::string resolveEncoder(std::string_view name, MediaKind kind) {
    const EncoderRow* encoder = findEncoder(name);
    if (encoder == nullptr) {
        // A codec's name selects the codec's first encoder.
        if (const char* byCodec = lookup(kCodecEncoders, name)) {
            encoder = findEncoder(byCodec);
        }
    }
    return encoder != nullptr && encoder->kind == kindLetter(kind) ? encoder->name : std::string();
}

std::string defaultCodec(std::string_view muxer, MediaKind kind) {
    const MuxerRow* row = findMuxer(muxer);
    if (row == nullptr) {
        return {};
    }
    return kind == MediaKind::Video ? row->defaultVideo : row->defaultAudio;
}

std::string defaultEncoder(std::string_view muxer, MediaKind kind) {
    const std::string codec = defaultCodec(muxer, kind);
    const char* encoder = codec.empty() ? nullptr : lookup(kCodecEncoders, codec);
    return encoder != nullptr ? encoder : std::string();
}

int muxerAccepts(std::string_view muxer, std::string_view encoder) {
    const MuxerRow* format = findMuxer(muxer);
    const EncoderRow* codec = findEncoder(encoder);
    if (format == nullptr || codec == nullptr) {
        return -1;
    }
    if (contains(kMuxerAccepts, muxer, codec->codec)) {
        return 1;
    }
    return contains(kMuxerRejects, muxer, codec->codec) ? 0 : -1;
}

std::string codecOfEncoder(std::string_view encoder) {
    const EncoderRow* row = findEncoder(encoder);
    return row != nullptr ? row->codec : std::string();
}

std::vector<int> encoderSampleRates(std::string_view encoder) {
    std::vector<int> rates;
    if (const EncoderRow* row = findEncoder(encoder)) {
        for (const int* rate = row->rates; *rate != 0; ++rate) {
            rates.push_back(*rate);
        }
    }
    return rates;
}

int encoderMaxChannels(std::string_view encoder) {
    const EncoderRow* row = findEncoder(encoder);
    return row != nullptr ? row->maxChannels : 0;
}

double encoderMaxBitrate(std::string_view encoder, int sampleRate, int channels) {
    if (encoder != "libvorbis" || sampleRate <= 0 || channels <= 0) {
        return 0.0;
    }
    // libvorbis sets its quality from the rate with one table per range of sample rates, each with a
    // highest rate per channel; it refuses to start above it (measured with libvorbis 1.3.7).
    struct Range {
        int below;         // sample rates under this
        double perChannel; // bits per second
    };
    static constexpr Range kVorbis[] = {{9000, 42e3},  {15000, 50e3},  {19000, 100e3},
                                        {26000, 90e3}, {40000, 190e3}, {50001, 240e3}};
    for (const auto& range : kVorbis) {
        if (sampleRate < range.below) {
            return range.perChannel * channels;
        }
    }
    return 0.0;
}

int aviTagMatches(std::string_view tag, std::string_view encoder) {
    const EncoderRow* row = findEncoder(encoder);
    if (row == nullptr || tag.size() != 4) {
        return -1;
    }
    // FFmpeg reads FourCCs without regard to case.
    const char* codec = lookup(kAviVideoTags, platform::toUpperAscii(tag));
    if (codec == nullptr) {
        return -1;
    }
    return std::string_view(codec) == row->codec ? 1 : 0;
}

bool codecFlagKnown(std::string_view option, std::string_view name) {
    return contains(kCodecFlags, option, name);
}

} // namespace morvane::converter
