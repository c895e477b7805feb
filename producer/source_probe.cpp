#include "producer/source_probe.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include "platform/av_handles.h"
#include "platform/av_local_input.h"

namespace morvane::producer {

namespace {

using platform::DictionaryPtr;
using platform::FormatContextPtr;

double toDouble(AVRational value) {
    return value.den != 0 && value.num > 0 ? av_q2d(value) : 0.0;
}

double streamLength(const AVFormatContext& format, const AVStream& stream) {
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
        return static_cast<double>(stream.duration) * toDouble(stream.time_base);
    }
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0) {
        return static_cast<double>(format.duration) / AV_TIME_BASE;
    }
    return 0.0;
}

bool isStillPictureFormat(std::string_view name) {
    constexpr std::string_view kPipe = "_pipe";
    return name == "image2" || name == "image2pipe" ||
           (name.size() > kPipe.size() && name.substr(name.size() - kPipe.size()) == kPipe);
}

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

platform::Expected<SourceFacts> probeSource(const std::string& path) {
    SourceFacts facts;
    struct stat info {};
    // stat, not open: opening a named pipe would block.
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return platform::Failure{"cannot find the source \"" + path + "\""};
    }
    if (!S_ISREG(info.st_mode) || info.st_size == 0) {
        return platform::Failure{"the source \"" + path + "\" is not a file with contents"};
    }

    // Only the file itself: no network, no playlist or list of further files.
    platform::detail::LocalInputGuard guard; // outlives the context
    FormatContextPtr context;
    int status = platform::openLocalInput(path, context, guard);
    if (status == platform::kRefusedListOfFiles) {
        return platform::Failure{"the source \"" + path +
                                 "\" is a playlist or a list of other files; only the one file is read, "
                                 "and it holds no media"};
    }
    if (status < 0) {
        return platform::Failure{"cannot read the source \"" + path + "\": " + describe(status)};
    }
    status = avformat_find_stream_info(context.get(), nullptr);
    if (status < 0) {
        return platform::Failure{"cannot read the streams of \"" + path + "\": " + describe(status)};
    }

    const std::string_view demuxer = context->iformat != nullptr && context->iformat->name != nullptr
                                         ? std::string_view(context->iformat->name)
                                         : std::string_view("unknown");
    facts.formatName = std::string(demuxer.substr(0, demuxer.find(',')));
    facts.still = isStillPictureFormat(demuxer);

    double length = 0.0;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream& stream = *context->streams[i];
        const AVCodecParameters& codec = *stream.codecpar;
        if (codec.codec_type == AVMEDIA_TYPE_VIDEO && !facts.hasVideo) {
            if ((stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0 || codec.width <= 0 ||
                codec.height <= 0) {
                continue;
            }
            facts.hasVideo = true;
            facts.videoStream = static_cast<int>(i);
            facts.width = std::abs(codec.width);
            facts.height = std::abs(codec.height);
            const double aspect = toDouble(codec.sample_aspect_ratio);
            facts.sampleAspect = aspect > 0.0 && std::isfinite(aspect) ? aspect : 1.0;
            if (!facts.still) {
                facts.frameRate = toDouble(stream.avg_frame_rate);
                if (facts.frameRate <= 0.0 || !std::isfinite(facts.frameRate) || facts.frameRate > 1000.0) {
                    facts.frameRate = toDouble(stream.r_frame_rate);
                }
                if (!std::isfinite(facts.frameRate) || facts.frameRate > 1000.0) {
                    facts.frameRate = 0.0;
                }
                length = std::max(length, streamLength(*context, stream));
            }
        } else if (codec.codec_type == AVMEDIA_TYPE_AUDIO && !facts.hasAudio) {
            if (codec.sample_rate <= 0 || codec.ch_layout.nb_channels <= 0) {
                continue;
            }
            facts.hasAudio = true;
            facts.audioStream = static_cast<int>(i);
            facts.sampleRate = codec.sample_rate;
            facts.channels = codec.ch_layout.nb_channels;
            length = std::max(length, streamLength(*context, stream));
        }
    }
    if (!facts.hasVideo && !facts.hasAudio) {
        return platform::Failure{"the source \"" + path + "\" has neither video nor audio"};
    }
    facts.duration = std::isfinite(length) && length > 0.0 ? length : 0.0;
    return facts;
}

} // namespace morvane::producer
