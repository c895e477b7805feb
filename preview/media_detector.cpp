#include "preview/media_detector.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

#include "platform/av_handles.h"
#include "platform/av_local_input.h"

namespace morvane::preview {

namespace {

using platform::DictionaryPtr;
using platform::FormatContextPtr;

double toDouble(AVRational value) {
    return value.den != 0 ? av_q2d(value) : 0.0;
}

// Width × sample aspect ÷ height; a file that states no sample aspect has square pixels.
double displayAspect(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.width == 0 || codec.height == 0) {
        return 0.0;
    }
    AVRational sample = stream.sample_aspect_ratio;
    if (sample.num <= 0 || sample.den <= 0) {
        sample = codec.sample_aspect_ratio;
    }
    const double pixel = sample.num > 0 && sample.den > 0 ? av_q2d(sample) : 1.0;
    const double aspect = std::abs(static_cast<double>(codec.width) / codec.height) * pixel;
    return std::isfinite(aspect) && aspect > 0.0 ? aspect : 0.0;
}

// Matroska and WebM give a stream's length only as a "DURATION" tag, "HH:MM:SS.nnnnnnnnn".
double durationTag(const AVDictionary* metadata) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, "DURATION", nullptr, 0);
    if (entry == nullptr || entry->value == nullptr) {
        return 0.0;
    }
    int hours = 0;
    int minutes = 0;
    double seconds = 0.0;
    if (std::sscanf(entry->value, "%d:%d:%lf", &hours, &minutes, &seconds) != 3) {
        return 0.0;
    }
    const double total = hours * 3600.0 + minutes * 60.0 + seconds;
    return std::isfinite(total) && total > 0.0 ? total : 0.0; // a tag can say "inf"
}

// Bit rate stated as a tag (Matroska statistics tags), 0 when there is none.
std::int64_t bitrateTag(const AVDictionary* metadata) {
    for (const char* key : {"BPS", "BPS-eng"}) {
        const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
        if (entry != nullptr && entry->value != nullptr) {
            const long long value = std::strtoll(entry->value, nullptr, 10);
            if (value > 0) {
                return value;
            }
        }
    }
    return 0;
}

double streamLength(const AVFormatContext& format, const AVStream& stream) {
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
        return static_cast<double>(stream.duration) * toDouble(stream.time_base);
    }
    if (const double tagged = durationTag(stream.metadata); tagged > 0.0) {
        return tagged;
    }
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0) {
        return static_cast<double>(format.duration) / AV_TIME_BASE;
    }
    return 0.0;
}

std::int64_t streamBitrate(const AVStream& stream) {
    if (stream.codecpar->bit_rate > 0) {
        return stream.codecpar->bit_rate;
    }
    return bitrateTag(stream.metadata);
}

// Picture demuxers invent a frame rate of 25 and a length of one frame for a single picture.
bool isStillPictureFormat(const AVInputFormat& format) {
    const std::string_view name = format.name != nullptr ? format.name : "";
    constexpr std::string_view kPipe = "_pipe";
    return name == "image2" || name == "image2pipe" ||
           (name.size() > kPipe.size() && name.substr(name.size() - kPipe.size()) == kPipe);
}

int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

bool isReadableNonEmptyFile(const std::string& path) {
    struct stat info {};
    // stat, not open: opening a named pipe for reading would block.
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

} // namespace

int detectMediaFacts(std::string_view path, MediaFacts& facts) {
    facts = MediaFacts{};
    const std::string file(path);
    if (file.empty() || file.find('\0') != std::string::npos || !isReadableNonEmptyFile(file)) {
        return kDetectFailed;
    }

    // Only the file itself: no network, no playlist or list of further files.
    platform::detail::LocalInputGuard guard; // outlives the context
    FormatContextPtr context;
    int status = platform::openLocalInput(file, context, guard);
    if (status < 0) {
        return status;
    }
    status = avformat_find_stream_info(context.get(), nullptr);
    if (status < 0) {
        return status;
    }

    const bool stillFormat = context->iformat != nullptr && isStillPictureFormat(*context->iformat);
    double videoLength = 0.0;
    double audioLength = 0.0;
    std::int64_t videoBitrate = 0;
    std::int64_t audioBitrate = 0;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream& stream = *context->streams[i];
        const AVCodecParameters& codec = *stream.codecpar;
        if (codec.codec_type == AVMEDIA_TYPE_VIDEO) {
            if ((stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
                continue;
            }
            facts.hasVideo = 1;
            facts.width = std::abs(codec.width);
            facts.height = std::abs(codec.height);
            facts.displayAspect = displayAspect(stream);
            if (stillFormat) {
                facts.still = true;
                facts.frameRate = 0.0;
                videoLength = 0.0;
                videoBitrate = 0;
            } else {
                facts.still = false;
                facts.frameRate = toDouble(stream.avg_frame_rate);
                if (facts.frameRate <= 0.0 || !std::isfinite(facts.frameRate)) {
                    facts.frameRate = toDouble(stream.r_frame_rate);
                }
                videoLength = streamLength(*context, stream);
                videoBitrate = streamBitrate(stream);
            }
            facts.duration = videoLength;
        } else if (codec.codec_type == AVMEDIA_TYPE_AUDIO) {
            facts.hasAudio = 1;
            audioLength = streamLength(*context, stream);
            audioBitrate = streamBitrate(stream);
            facts.sampleRate = codec.sample_rate > 0 ? codec.sample_rate : 0;
            facts.channels = std::max(codec.ch_layout.nb_channels, 0);
        }
    }

    // Containers that state only an overall bit rate: what the audio does not take is the video's.
    const std::int64_t overall = context->bit_rate > 0 ? context->bit_rate : 0;
    if (facts.hasVideo != 0 && !facts.still && videoBitrate == 0 && overall > 0) {
        videoBitrate = std::max<std::int64_t>(overall - audioBitrate, 0);
    }
    if (facts.hasAudio != 0 && audioBitrate == 0 && facts.hasVideo == 0 && overall > 0) {
        audioBitrate = overall;
    }
    facts.videoBitrate = clampToInt(videoBitrate);
    facts.audioBitrate = static_cast<double>(audioBitrate);
    if (!std::isfinite(facts.frameRate) || facts.frameRate < 0.0) {
        facts.frameRate = 0.0;
    }
    facts.duration = audioLength > videoLength ? audioLength : videoLength;
    if (!std::isfinite(facts.duration) || facts.duration < 0.0) {
        facts.duration = 0.0;
    }
    facts.lengthGuessed = context->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
    return kDetectOk;
}

namespace {

std::function<void(std::string_view)>& librarySink() {
    static std::function<void(std::string_view)> sink;
    return sink;
}

void forwardLibraryMessage(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_WARNING) {
        return;
    }
    // A message can come in pieces; a line is complete at its line feed.
    thread_local std::string pending;
    thread_local int printPrefix = 1;
    char piece[1024];
    av_log_format_line2(object, level, format, arguments, piece, sizeof piece, &printPrefix);
    pending += piece;
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (const auto& sink = librarySink(); sink && !line.empty()) {
            sink(line);
        }
    }
}

} // namespace

void setLibraryMessageSink(std::function<void(std::string_view)> sink) {
    librarySink() = std::move(sink);
    av_log_set_callback(&forwardLibraryMessage);
}

int DetectMedia(std::string_view path, double* duration, int* hasVideo, int* hasAudio, double* frameRate,
                int* width, int* height, int* videoBitrate, double* audioBitrate, double* sampleRate,
                int* channels) {
    MediaFacts facts;
    int status = kDetectFailed;
    try {
        status = detectMediaFacts(path, facts);
    } catch (...) {
        facts = MediaFacts{};
        status = kDetectFailed;
    }
    if (status != kDetectOk) {
        facts = MediaFacts{};
    }
    spreadMediaFacts(facts, duration, hasVideo, hasAudio, frameRate, width, height, videoBitrate,
                     audioBitrate, sampleRate, channels);
    return status;
}

} // namespace morvane::preview
