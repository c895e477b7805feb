#pragma once

// Opening a media file with FFmpeg's libraries as the one file it is (header only, for the targets that
// link those libraries): only through the file protocol, a name with "%" read as one picture, and no
// demuxer that reads further files or addresses named inside it (playlists, concat scripts, manifests,
// session descriptions). Such a file is refused before anything it names is opened, and any demuxer
// that still tries to open another file than the source itself is refused that file.

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "media/av_handles.h"

extern "C" {
#include <libavutil/error.h>
}

namespace morvane::media {

// The status given for a file that is a list of other files rather than media.
inline constexpr int kRefusedListOfFiles = FFERRTAG('L', 'I', 'S', 'T');

// Demuxers whose files name other files or addresses to read.
inline bool demuxerReadsOtherFiles(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kNames = {
        "hls",  "applehttp", "dash",   "concat", "imf",      "sdp",
        "rtsp", "rtp",       "vobsub", "mlv",    "avisynth", "vapoursynth"};
    // A demuxer's name may list several ("mov,mp4,..."): any of them counts.
    for (std::size_t start = 0; start <= name.size();) {
        const auto comma = name.find(',', start);
        const std::string_view part =
            name.substr(start, comma == std::string_view::npos ? comma : comma - start);
        for (const auto listed : kNames) {
            if (part == listed) {
                return true;
            }
        }
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    return false;
}

namespace detail {

struct LocalInputGuard {
    std::string url;
};

// Opens only the source itself (any number of times: picture demuxers open it for each frame), for
// reading, through the file protocol.
inline int openOnlyTheSource(AVFormatContext* context, AVIOContext** pb, const char* url, int flags,
                             AVDictionary** options) {
    const auto* guard = static_cast<const LocalInputGuard*>(context->opaque);
    if (guard == nullptr || url == nullptr || guard->url != url || (flags & AVIO_FLAG_WRITE) != 0) {
        return kRefusedListOfFiles;
    }
    AVDictionary* own = nullptr;
    AVDictionary** used = options != nullptr ? options : &own;
    av_dict_set(used, "protocol_whitelist", "file", 0);
    const int status = avio_open2(pb, url, flags, &context->interrupt_callback, used);
    av_dict_free(&own);
    return status;
}

} // namespace detail

// Opens `path` as described above into `context`, with `options` given to the demuxer; 0 or a negative
// status (kRefusedListOfFiles for a list of other files). The guard must outlive the context.
inline int openLocalInput(const std::string& path, FormatContextPtr& context, detail::LocalInputGuard& guard,
                          AVDictionary** options = nullptr) {
    // The file: prefix keeps names with a colon from being read as other protocols.
    guard.url = "file:" + path;
    // Which demuxer would read the file is settled first, from its start, before it may open anything.
    AVIOContext* probe = nullptr;
    AVDictionary* probeOptions = nullptr;
    av_dict_set(&probeOptions, "protocol_whitelist", "file", 0);
    int status = avio_open2(&probe, guard.url.c_str(), AVIO_FLAG_READ, nullptr, &probeOptions);
    av_dict_free(&probeOptions);
    if (status < 0) {
        return status;
    }
    const AVInputFormat* format = nullptr;
    status = av_probe_input_buffer2(probe, &format, guard.url.c_str(), nullptr, 0, 0);
    avio_closep(&probe);
    if (status < 0) {
        return status;
    }
    if (format == nullptr || format->name == nullptr || demuxerReadsOtherFiles(format->name)) {
        return kRefusedListOfFiles;
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) {
        return AVERROR(ENOMEM);
    }
    raw->opaque = &guard;
    raw->io_open = detail::openOnlyTheSource;
    AVDictionary* own = nullptr;
    AVDictionary** used = options != nullptr ? options : &own;
    av_dict_set(used, "protocol_whitelist", "file", 0);
    // A file name with "%" is one picture, not a numbered sequence.
    av_dict_set(used, "pattern_type", "none", 0);
    status = avformat_open_input(&raw, guard.url.c_str(), format, used);
    av_dict_free(&own);
    if (status < 0) {
        return status; // the context is freed on failure
    }
    context.reset(raw);
    return 0;
}

} // namespace morvane::media
