// The probe module of `vec`: the media detector, loaded only when a file has to be read.
#include <cstdio>
#include <cstring>

#include "converter/vec_probe.h"
#include "platform/av_local_input.h"
#include "preview/media_detector.h"
#include "preview/media_plugin.h"

extern "C" {
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
