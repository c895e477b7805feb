// libmorvane-media.so: the media detector behind the plugin boundary of media_plugin.h.
#include <string>

#include "preview/media_plugin.h"

namespace {

namespace preview = morvane::preview;

int detect(const char* path, std::size_t length, MorvaneMediaFacts* facts) {
    if (facts == nullptr) {
        return preview::kDetectFailed;
    }
    *facts = MorvaneMediaFacts{};
    preview::MediaFacts found;
    int status = preview::kDetectFailed;
    try {
        status = path != nullptr ? preview::detectMediaFacts(std::string_view(path, length), found)
                                 : preview::kDetectFailed;
    } catch (...) {
        status = preview::kDetectFailed;
    }
    if (status != preview::kDetectOk) {
        return status;
    }
    *facts = preview::plainMediaFacts(found);
    return status;
}

void setMessageSink(MorvaneMediaMessageFunction sink, void* context) {
    if (sink == nullptr) {
        preview::setLibraryMessageSink({});
        return;
    }
    preview::setLibraryMessageSink(
        [sink, context](std::string_view line) { sink(line.data(), line.size(), context); });
}

constexpr MorvaneMediaPlugin kPlugin{&detect, &setMessageSink};

} // namespace

extern "C" __attribute__((visibility("default"))) const void* morvane_media_plugin(int version) {
    return version == preview::kMediaPluginVersion ? &kPlugin : nullptr;
}
