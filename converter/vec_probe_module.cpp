// The probe module of `vec`: the media detector, loaded only when a file has to be read.
#include <cstdio>
#include <cstring>
#include <string>

#include "converter/vec_probe.h"
#include "platform/av_local_input.h"
#include "preview/media_detector.h"
#include "preview/media_plugin.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

static_assert(morvane::converter::kProbeListOfFiles == morvane::platform::kRefusedListOfFiles);

extern "C" __attribute__((visibility("default"))) int
morvane_vec_probe(const char* path, MorvaneMediaFacts* facts, char* reason, int reasonSize) {
    if (facts == nullptr) {
        return morvane::preview::kDetectFailed;
    }
    *facts = MorvaneMediaFacts{};
    av_log_set_level(AV_LOG_QUIET); // whatever the libraries would say goes through vec's own lines
    morvane::preview::MediaFacts found;
    const int status =
        path != nullptr ? morvane::preview::detectMediaFacts(path, found) : morvane::preview::kDetectFailed;
    if (reason != nullptr && reasonSize > 0) {
        reason[0] = '\0';
        if (status == morvane::converter::kProbeListOfFiles) {
            std::snprintf(reason, static_cast<std::size_t>(reasonSize), "%s",
                          "it is a playlist or a list of other files, and only the one file is read");
        } else if (status != morvane::preview::kDetectOk && status != morvane::preview::kDetectFailed) {
            av_strerror(status, reason, static_cast<std::size_t>(reasonSize));
        }
    }
    if (status != morvane::preview::kDetectOk) {
        return status;
    }
    *facts = morvane::preview::plainMediaFacts(found);
    return status;
}

namespace {

// The tags a person wrote, as opposed to what a muxer records about itself.
bool holdsWrittenTags(const AVDictionary* dictionary) {
    for (const char* key : {"title", "artist", "author", "album", "copyright", "comment", "album_artist"}) {
        if (av_dict_get(dictionary, key, nullptr, 0) != nullptr) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int morvane_vec_stream_facts(const char* path,
                                                                               VecStreamFacts* facts) {
    if (facts == nullptr || path == nullptr) {
        return -1;
    }
    *facts = VecStreamFacts{};
    facts->audioStream = -1;
    facts->videoStream = -1;
    av_log_set_level(AV_LOG_QUIET);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "pattern_type", "none", 0);
    AVFormatContext* context = nullptr;
    const std::string url = std::string("file:") + path;
    int status = avformat_open_input(&context, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (status < 0) {
        return status;
    }
    status = avformat_find_stream_info(context, nullptr);
    if (status >= 0) {
        // The streams FFmpeg maps first: the first picture that is no cover, the first sound.
        int first = -1;
        int firstAudio = -1;
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            const AVStream* stream = context->streams[i];
            if (first < 0 && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
                first = static_cast<int>(i);
            }
            if (firstAudio < 0 && stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
                firstAudio = static_cast<int>(i);
            }
        }
        facts->audioStream = firstAudio;
        facts->videoStream = first;
        if (first >= 0) {
            const AVFieldOrder order = context->streams[first]->codecpar->field_order;
            facts->interlaced = order != AV_FIELD_UNKNOWN && order != AV_FIELD_PROGRESSIVE ? 1 : 0;
        }
        if (!holdsWrittenTags(context->metadata)) {
            if (firstAudio >= 0 && holdsWrittenTags(context->streams[firstAudio]->metadata)) {
                facts->tagsOnStream = 1;
            } else if (first >= 0 && holdsWrittenTags(context->streams[first]->metadata)) {
                facts->tagsOnStream = 2;
            }
        }
    }
    avformat_close_input(&context);
    return status < 0 ? status : 0;
}
