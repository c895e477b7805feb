// libmorvane-media.so: the media detector behind the plugin boundary of media_plugin.h.
#include <cstdio>
#include <string>

#include "media/media_plugin.h"

namespace {

namespace media = morvane::media;

int detect(const char* path, std::size_t length, MorvaneMediaFacts* facts) {
    if (facts == nullptr) {
        return media::kDetectFailed;
    }
    *facts = MorvaneMediaFacts{};
    media::MediaFacts found;
    int status = media::kDetectFailed;
    try {
        status = path != nullptr ? media::detectMediaFacts(std::string_view(path, length), found)
                                 : media::kDetectFailed;
    } catch (...) {
        status = media::kDetectFailed;
    }
    if (status != media::kDetectOk) {
        return status;
    }
    *facts = media::plainMediaFacts(found);
    return status;
}

int streams(const char* path, std::size_t length, MorvaneMediaStreams* streams) {
    if (streams == nullptr) {
        return media::kDetectFailed;
    }
    media::MediaStreams found;
    int status = media::kDetectFailed;
    try {
        status = path != nullptr ? media::readMediaStreams(std::string_view(path, length), found)
                                 : media::kDetectFailed;
    } catch (...) {
        found = media::MediaStreams{};
        status = media::kDetectFailed;
    }
    *streams = MorvaneMediaStreams{found.videoStream, found.audioStream, found.interlaced ? 1 : 0,
                                   found.tagsOnStream};
    return status;
}

void describe(int status, char* text, std::size_t size) {
    if (text == nullptr || size == 0) {
        return;
    }
    std::snprintf(text, size, "%s", media::describeDetectStatus(status).c_str());
}

void setMessageSink(MorvaneMediaMessageFunction sink, void* context) {
    if (sink == nullptr) {
        media::setLibraryMessageSink({});
        return;
    }
    media::setLibraryMessageSink(
        [sink, context](std::string_view line) { sink(line.data(), line.size(), context); });
}

constexpr MorvaneMediaPlugin kPlugin{&detect, &setMessageSink, &streams, &describe};

} // namespace

extern "C" __attribute__((visibility("default"))) const void* morvane_media_plugin(int version) {
    return version == media::kMediaPluginVersion ? &kPlugin : nullptr;
}
