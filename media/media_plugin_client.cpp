// The programs' side of the media detector plugin.
#include <memory>
#include <mutex>

#include "media/media_plugin.h"
#include "platform/plugin.h"
#include "platform/translation.h"

namespace morvane::media {

namespace {

using Sink = std::function<void(std::string_view)>;

struct SinkState {
    std::mutex mutex;
    std::shared_ptr<const Sink> sink;
    bool set = false;
};

SinkState& sinkState() {
    static SinkState state;
    return state;
}

void forwardMessage(const char* line, std::size_t length, void*) {
    std::shared_ptr<const Sink> sink;
    {
        const std::lock_guard lock(sinkState().mutex);
        sink = sinkState().sink;
    }
    if (sink && *sink && line != nullptr) {
        (*sink)(std::string_view(line, length));
    }
}

void installSink(const MorvaneMediaPlugin& plugin) {
    const std::lock_guard lock(sinkState().mutex);
    if (sinkState().set) {
        plugin.setMessageSink(sinkState().sink && *sinkState().sink ? &forwardMessage : nullptr, nullptr);
    }
}

platform::Plugin& mediaPlugin() {
    // Never destroyed: probes on other threads may still use it while the process ends.
    static auto* plugin = new platform::Plugin(kMediaPluginFile, kMediaPluginEntry, kMediaPluginVersion);
    return *plugin;
}

// The loaded table with the message sink in place, or null.
const MorvaneMediaPlugin* loadedPlugin() {
    static std::once_flag sinkInstalled;
    const auto* table = mediaPlugin().tableAs<MorvaneMediaPlugin>();
    if (table != nullptr) {
        std::call_once(sinkInstalled, [table] { installSink(*table); });
    }
    return table;
}

} // namespace

int detectMediaFactsWithPlugin(std::string_view path, MediaFacts& facts) {
    facts = MediaFacts{};
    const MorvaneMediaPlugin* plugin = loadedPlugin();
    if (plugin == nullptr) {
        return kDetectFailed;
    }
    MorvaneMediaFacts found{};
    const int status = plugin->detect(path.data(), path.size(), &found);
    if (status != kDetectOk) {
        return status;
    }
    facts = mediaFactsOf(found);
    return status;
}

int detectMediaWithPlugin(std::string_view path, double* duration, int* hasVideo, int* hasAudio,
                          double* frameRate, int* width, int* height, int* videoBitrate, double* audioBitrate,
                          double* sampleRate, int* channels) {
    MediaFacts facts;
    const int status = detectMediaFactsWithPlugin(path, facts);
    spreadMediaFacts(facts, duration, hasVideo, hasAudio, frameRate, width, height, videoBitrate,
                     audioBitrate, sampleRate, channels);
    return status;
}

int readMediaStreamsWithPlugin(std::string_view path, MediaStreams& streams) {
    streams = MediaStreams{};
    const MorvaneMediaPlugin* plugin = loadedPlugin();
    if (plugin == nullptr) {
        return kDetectFailed;
    }
    MorvaneMediaStreams found{};
    const int status = plugin->streams(path.data(), path.size(), &found);
    if (status == kDetectOk) {
        streams =
            MediaStreams{found.videoStream, found.audioStream, found.interlaced != 0, found.tagsOnStream};
    }
    return status;
}

std::string detectStatusText(int status) {
    if (status == kDetectListOfFiles) {
        return "it is a playlist or a list of other files, and only the one file is read";
    }
    if (status == kDetectOk || status == kDetectFailed) {
        return {};
    }
    const MorvaneMediaPlugin* plugin = loadedPlugin();
    if (plugin == nullptr) {
        return mediaPlugin().problem();
    }
    char text[256] = "";
    plugin->describe(status, text, sizeof text);
    return text;
}

void setPluginMessageSink(std::function<void(std::string_view)> sink) {
    {
        const std::lock_guard lock(sinkState().mutex);
        sinkState().sink = std::make_shared<const Sink>(std::move(sink));
        sinkState().set = true;
    }
    // Already loaded: in place at once. Not yet: when it loads (no load just for this).
    if (const auto* table = mediaPlugin().loadedTableAs<MorvaneMediaPlugin>(); table != nullptr) {
        installSink(*table);
    }
}

std::string mediaPluginProblem() {
    return mediaPlugin().problem();
}

std::string mediaPluginProblemText(const std::string& problem) {
    return platform::withArguments(
        platform::translate("MediaPlugin", "The media detector %1. Without it no file can be read: "
                                           "the files added are reported as not decodable."),
        {problem});
}

} // namespace morvane::media
