#include "media/media_detector.h"

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
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include "media/av_handles.h"
#include "media/av_local_input.h"
#include "platform/text_rules.h"

namespace morvane::media {

static_assert(kDetectListOfFiles == kRefusedListOfFiles);

namespace {

double toDouble(AVRational value) {
    return value.den != 0 ? av_q2d(value) : 0.0;
}

// The width of a pixel relative to its height; a file that states none has square pixels.
double pixelAspect(const AVStream& stream) {
    AVRational sample = stream.sample_aspect_ratio;
    if (sample.num <= 0 || sample.den <= 0) {
        sample = stream.codecpar->sample_aspect_ratio;
    }
    const double pixel = sample.num > 0 && sample.den > 0 ? av_q2d(sample) : 1.0;
    return std::isfinite(pixel) && pixel > 0.0 ? pixel : 1.0;
}

// Width × sample aspect ÷ height.
double displayAspect(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.width == 0 || codec.height == 0) {
        return 0.0;
    }
    const double aspect = std::abs(static_cast<double>(codec.width) / codec.height) * pixelAspect(stream);
    return std::isfinite(aspect) && aspect > 0.0 ? aspect : 0.0;
}

// The average rate, else the base rate; a rate beyond any camera's is a fault of the timestamps.
double frameRateOf(const AVStream& stream) {
    constexpr double kMaxFrameRate = 1000.0;
    for (const AVRational rate : {stream.avg_frame_rate, stream.r_frame_rate}) {
        const double value = toDouble(rate);
        if (std::isfinite(value) && value > 0.0 && value <= kMaxFrameRate) {
            return value;
        }
    }
    return 0.0;
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
    double length = 0.0;
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
        length = static_cast<double>(stream.duration) * toDouble(stream.time_base);
    } else if (const double tagged = durationTag(stream.metadata); tagged > 0.0) {
        length = tagged;
    } else if (format.duration != AV_NOPTS_VALUE && format.duration > 0) {
        length = static_cast<double>(format.duration) / AV_TIME_BASE;
    }
    return std::isfinite(length) && length > 0.0 ? length : 0.0;
}

std::int64_t streamBitrate(const AVStream& stream) {
    if (stream.codecpar->bit_rate > 0) {
        return stream.codecpar->bit_rate;
    }
    return bitrateTag(stream.metadata);
}

// Picture demuxers invent a frame rate of 25 and a length of one frame for a single picture.
bool isStillPictureFormat(std::string_view name) {
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

bool isCover(const AVStream& stream) {
    return (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
}

// The tags a person wrote, as opposed to what a muxer records about itself.
bool holdsWrittenTags(const AVDictionary* dictionary) {
    for (const char* key : {"title", "artist", "author", "album", "copyright", "comment", "album_artist"}) {
        if (av_dict_get(dictionary, key, nullptr, 0) != nullptr) {
            return true;
        }
    }
    return false;
}

std::map<std::string, std::string> readTags(const AVDictionary* dictionary) {
    std::map<std::string, std::string> tags;
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(dictionary, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        tags.emplace(platform::toLowerAscii(entry->key), entry->value != nullptr ? entry->value : "");
    }
    return tags;
}

// The detector's facts, stream by stream: a later stream of a kind overwrites an earlier one.
class FactsCollector {
public:
    FactsCollector(MediaFacts& facts, bool stillFormat) : m_facts(facts), m_stillFormat(stillFormat) {}

    void addPicture(const AVFormatContext& format, const AVStream& stream) {
        const AVCodecParameters& codec = *stream.codecpar;
        m_facts.hasVideo = 1;
        m_facts.width = std::abs(codec.width);
        m_facts.height = std::abs(codec.height);
        m_facts.displayAspect = displayAspect(stream);
        m_facts.still = m_stillFormat;
        m_facts.frameRate = m_stillFormat ? 0.0 : frameRateOf(stream);
        m_videoLength = m_stillFormat ? 0.0 : streamLength(format, stream);
        m_videoBitrate = m_stillFormat ? 0 : streamBitrate(stream);
    }

    void addSound(const AVFormatContext& format, const AVStream& stream) {
        const AVCodecParameters& codec = *stream.codecpar;
        m_facts.hasAudio = 1;
        m_audioLength = streamLength(format, stream);
        m_audioBitrate = streamBitrate(stream);
        m_facts.sampleRate = codec.sample_rate > 0 ? codec.sample_rate : 0;
        m_facts.channels = std::max(codec.ch_layout.nb_channels, 0);
    }

    void finish(const AVFormatContext& format) {
        // Containers that state only an overall bit rate: what the audio does not take is the video's.
        const std::int64_t overall = format.bit_rate > 0 ? format.bit_rate : 0;
        if (m_facts.hasVideo != 0 && !m_facts.still && m_videoBitrate == 0 && overall > 0) {
            m_videoBitrate = std::max<std::int64_t>(overall - m_audioBitrate, 0);
        }
        if (m_facts.hasAudio != 0 && m_audioBitrate == 0 && m_facts.hasVideo == 0 && overall > 0) {
            m_audioBitrate = overall;
        }
        m_facts.videoBitrate = clampToInt(m_videoBitrate);
        m_facts.audioBitrate = static_cast<double>(m_audioBitrate);
        m_facts.duration = std::max(m_audioLength, m_videoLength);
        m_facts.lengthGuessed = format.duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
    }

private:
    MediaFacts& m_facts;
    bool m_stillFormat = false;
    double m_videoLength = 0.0;
    double m_audioLength = 0.0;
    std::int64_t m_videoBitrate = 0;
    std::int64_t m_audioBitrate = 0;
};

// The first picture with a frame size and the first sound with a rate and channels are the streams
// a conversion takes; a stream without them only counts as undecodable.
void noteFirstStream(MediaReading& reading, const AVFormatContext& format, const AVStream& stream,
                     int index) {
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.codec_type == AVMEDIA_TYPE_VIDEO && reading.streams.videoStream < 0) {
        if (codec.width <= 0 || codec.height <= 0) {
            reading.undecodable = reading.undecodable.empty() ? "picture" : reading.undecodable;
            return;
        }
        reading.streams.videoStream = index;
        reading.streams.interlaced =
            codec.field_order != AV_FIELD_UNKNOWN && codec.field_order != AV_FIELD_PROGRESSIVE;
        PictureStream& picture = reading.picture;
        picture.width = std::abs(codec.width);
        picture.height = std::abs(codec.height);
        picture.sampleAspect = pixelAspect(stream);
        picture.frameRate = reading.stillFormat ? 0.0 : frameRateOf(stream);
        picture.length = reading.stillFormat ? 0.0 : streamLength(format, stream);
    } else if (codec.codec_type == AVMEDIA_TYPE_AUDIO && reading.streams.audioStream < 0) {
        if (codec.sample_rate <= 0 || codec.ch_layout.nb_channels <= 0) {
            reading.undecodable = reading.undecodable.empty() ? "sound" : reading.undecodable;
            return;
        }
        reading.streams.audioStream = index;
        reading.sound =
            SoundStream{codec.sample_rate, codec.ch_layout.nb_channels, streamLength(format, stream)};
    }
}

void noteTags(MediaReading& reading, const AVFormatContext& format) {
    const AVDictionary* tags = format.metadata;
    if (!holdsWrittenTags(tags)) {
        const std::pair<int, int> places[] = {{reading.streams.audioStream, 1},
                                              {reading.streams.videoStream, 2}};
        for (const auto& [index, place] : places) {
            if (index >= 0 && holdsWrittenTags(format.streams[index]->metadata)) {
                tags = format.streams[index]->metadata;
                reading.streams.tagsOnStream = place;
                break;
            }
        }
    }
    reading.tags = readTags(tags);
}

void readStreams(MediaReading& reading, const AVFormatContext& format) {
    const std::string_view demuxer =
        format.iformat != nullptr && format.iformat->name != nullptr ? format.iformat->name : "";
    reading.formatName = std::string(demuxer.substr(0, demuxer.find(',')));
    reading.stillFormat = isStillPictureFormat(demuxer);
    FactsCollector collector(reading.facts, reading.stillFormat);
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream& stream = *format.streams[i];
        if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !isCover(stream)) {
            collector.addPicture(format, stream);
        } else if (stream.codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            collector.addSound(format, stream);
        } else {
            continue;
        }
        noteFirstStream(reading, format, stream, static_cast<int>(i));
    }
    collector.finish(format);
    noteTags(reading, format);
}

} // namespace

int readMedia(std::string_view path, MediaReading& reading) {
    reading = MediaReading{};
    const std::string file(path);
    if (file.empty() || file.find('\0') != std::string::npos || !isReadableNonEmptyFile(file)) {
        return kDetectFailed;
    }
    // Only the file itself: no network, no playlist or list of further files.
    detail::LocalInputGuard guard; // outlives the context
    FormatContextPtr context;
    int status = openLocalInput(file, context, guard);
    if (status < 0) {
        return status;
    }
    reading.opened = true;
    status = avformat_find_stream_info(context.get(), nullptr);
    if (status < 0) {
        return status;
    }
    readStreams(reading, *context);
    return kDetectOk;
}

int detectMediaFacts(std::string_view path, MediaFacts& facts) {
    MediaReading reading;
    const int status = readMedia(path, reading);
    facts = status == kDetectOk ? reading.facts : MediaFacts{};
    return status;
}

int readMediaStreams(std::string_view path, MediaStreams& streams) {
    MediaReading reading;
    const int status = readMedia(path, reading);
    streams = status == kDetectOk ? reading.streams : MediaStreams{};
    return status;
}

std::string describeDetectStatus(int status) {
    if (status == kDetectOk || status == kDetectFailed) {
        return {};
    }
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(status, text, sizeof text);
    return text;
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

} // namespace morvane::media
