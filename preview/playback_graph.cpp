#include "preview/playback_graph.h"

#include <QCoreApplication>
#include <QObject>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "preview/player_core.h"
#include "preview/player_plugin.h"
#include "preview/video_host.h"

namespace morvane::preview {

namespace {

// Options set before the core starts. The audio output list ends in "null": without a sound device
// the file still plays, silently, instead of ending at once with an error.
constexpr std::array<std::pair<const char*, const char*>, 17> kCoreOptions{{
    {"config", "no"},
    {"vo", "libmpv"},
    {"pause", "yes"},
    {"keep-open", "yes"},
    {"keep-open-pause", "no"},
    {"idle", "yes"},
    {"hwdec", "no"},
    {"ytdl", "no"},
    {"load-scripts", "no"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"osd-level", "0"},
    {"terminal", "no"},
    {"image-display-duration", "inf"},
    {"audio-display", "no"},
    {"ao", "pipewire,pulse,alsa,null"},
    {"sub-auto", "no"},
}};

constexpr std::size_t kRowAlignment = 64;

// Seconds as the core's command arguments want them, independent of the process locale.
std::string secondsText(double seconds) {
    std::array<char, 64> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), seconds, std::chars_format::fixed, 6);
    return {buffer.data(), result.ptr};
}

} // namespace

ReferenceTime secondsToReferenceTime(double seconds) {
    constexpr double kLimit = static_cast<double>(std::numeric_limits<ReferenceTime>::max()) / 1e7;
    if (!std::isfinite(seconds)) {
        return 0;
    }
    if (std::fabs(seconds) >= kLimit) {
        return seconds > 0 ? std::numeric_limits<ReferenceTime>::max()
                           : std::numeric_limits<ReferenceTime>::min();
    }
    return static_cast<ReferenceTime>(seconds * 10000000.0);
}

double referenceTimeToSeconds(ReferenceTime time) {
    return static_cast<double>(time) * 0.0000001;
}

PlaybackGraph::PlaybackGraph() = default;

PlaybackGraph::~PlaybackGraph() {
    releaseAll();
}

bool PlaybackGraph::create(QObject* eventTarget) {
    if (m_handle != nullptr) {
        return false;
    }
    m_core = playerCore();
    if (m_core == nullptr) {
        return false;
    }
    m_handle = m_core->create();
    if (m_handle == nullptr) {
        return false;
    }
    for (const auto& [name, value] : kCoreOptions) {
        m_core->setOptionString(m_handle, name, value);
    }
    if (m_core->initialize(m_handle) < 0) {
        m_core->terminateDestroy(m_handle);
        m_handle = nullptr;
        return false;
    }
    char apiType[] = MPV_RENDER_API_TYPE_SW;
    std::array<mpv_render_param, 2> params{
        {{MPV_RENDER_PARAM_API_TYPE, apiType}, {MPV_RENDER_PARAM_INVALID, nullptr}}};
    if (m_core->renderContextCreate(&m_render, m_handle, params.data()) < 0) {
        m_render = nullptr;
        m_core->terminateDestroy(m_handle);
        m_handle = nullptr;
        return false;
    }
    m_core->observeProperty(m_handle, 0, "eof-reached", MPV_FORMAT_FLAG);
    m_core->observeProperty(m_handle, 0, "duration", MPV_FORMAT_DOUBLE);
    m_core->observeProperty(m_handle, 0, "time-pos", MPV_FORMAT_DOUBLE);
    m_core->observeProperty(m_handle, 0, "vo-configured", MPV_FORMAT_FLAG);

    m_eventTarget = eventTarget;
    m_renderStop = false;
    m_renderThread = std::thread([this] { renderLoop(); });
    m_core->renderContextSetUpdateCallback(m_render, &PlaybackGraph::onRenderUpdate, this);
    m_core->setWakeupCallback(m_handle, &PlaybackGraph::onWakeup, this);
    return true;
}

void PlaybackGraph::onWakeup(void* self) {
    // On one of the core's threads: only post, at most one notice at a time.
    auto* graph = static_cast<PlaybackGraph*>(self);
    if (graph->m_eventTarget != nullptr && !graph->m_wakeupPosted.exchange(true)) {
        QCoreApplication::postEvent(graph->m_eventTarget, new QEvent(kGraphWakeupEvent));
    }
}

void PlaybackGraph::onRenderUpdate(void* self) {
    auto* graph = static_cast<PlaybackGraph*>(self);
    {
        std::lock_guard lock(graph->m_renderMutex);
        graph->m_updatePending = true;
    }
    graph->m_renderWake.notify_one();
}

void PlaybackGraph::renderLoop() {
    std::unique_lock lock(m_renderMutex);
    while (true) {
        m_renderWake.wait(lock, [this] { return m_renderStop || m_updatePending || m_redrawPending; });
        if (m_renderStop) {
            return;
        }
        const bool update = std::exchange(m_updatePending, false);
        const bool redraw = std::exchange(m_redrawPending, false);
        const std::shared_ptr<FrameChannel> channel = m_channel;
        lock.unlock();
        const std::uint64_t flags = update ? m_core->renderContextUpdate(m_render) : 0;
        if ((flags & MPV_RENDER_UPDATE_FRAME) != 0 || redraw) {
            renderFrame(channel);
        }
        lock.lock();
    }
}

void PlaybackGraph::renderFrame(const std::shared_ptr<FrameChannel>& channel) {
    QSize size = channel ? channel->targetSize() : QSize();
    if (size.isEmpty()) {
        // Nobody to show it to, but the core waits for each frame to be taken.
        size = QSize(16, 16);
    }
    const std::size_t stride =
        (static_cast<std::size_t>(size.width()) * 4 + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    void* pixels = std::aligned_alloc(kRowAlignment, stride * static_cast<std::size_t>(size.height()));
    if (pixels == nullptr) {
        return;
    }
    std::array<int, 2> dimensions{size.width(), size.height()};
    char format[] = "bgra";
    std::size_t strideParam = stride;
    std::array<mpv_render_param, 5> params{{{MPV_RENDER_PARAM_SW_SIZE, dimensions.data()},
                                            {MPV_RENDER_PARAM_SW_FORMAT, format},
                                            {MPV_RENDER_PARAM_SW_STRIDE, &strideParam},
                                            {MPV_RENDER_PARAM_SW_POINTER, pixels},
                                            {MPV_RENDER_PARAM_INVALID, nullptr}}};
    // Blocks until the frame's display time, which is why this runs here and not on the UI thread.
    if (m_core->renderContextRender(m_render, params.data()) < 0 || !channel) {
        std::free(pixels);
        return;
    }
    // "bgra" in memory is Qt's 32-bit ARGB on little-endian machines.
    QImage frame(
        static_cast<uchar*>(pixels), size.width(), size.height(), static_cast<qsizetype>(stride),
        QImage::Format_ARGB32_Premultiplied, [](void* data) { std::free(data); }, pixels);
    channel->deliver(std::move(frame));
}

bool PlaybackGraph::renderFile(const std::string& path) {
    if (m_handle == nullptr || m_loadIssued) {
        return false;
    }
    m_path = path;
    // The load goes out on the next turn of the event loop (see the header).
    if (m_eventTarget != nullptr && !m_wakeupPosted.exchange(true)) {
        QCoreApplication::postEvent(m_eventTarget, new QEvent(kGraphWakeupEvent));
    }
    return true;
}

void PlaybackGraph::issueLoad() {
    if (m_handle == nullptr || m_loadIssued || m_path.empty()) {
        return;
    }
    m_loadIssued = true;
    std::string start;
    if (m_pendingSeek) {
        // A start time is always reached exactly.
        start = secondsText(m_pendingSeek->first);
        m_seekTarget = m_pendingSeek->first;
        m_pendingSeek.reset();
    }
    std::array<mpv_node, 1> optionValues{};
    char startKey[] = "start";
    std::array<char*, 1> optionKeys{startKey};
    optionValues[0].format = MPV_FORMAT_STRING;
    optionValues[0].u.string = start.data();
    const int optionCount = start.empty() ? 0 : 1;
    mpv_node_list options{optionCount, optionValues.data(), optionKeys.data()};

    char nameKey[] = "name";
    char urlKey[] = "url";
    char flagsKey[] = "flags";
    char optionsKey[] = "options";
    char loadfile[] = "loadfile";
    char replace[] = "replace";
    std::array<char*, 4> keys{nameKey, urlKey, flagsKey, optionsKey};
    std::array<mpv_node, 4> values{};
    values[0].format = MPV_FORMAT_STRING;
    values[0].u.string = loadfile;
    values[1].format = MPV_FORMAT_STRING;
    values[1].u.string = m_path.data();
    values[2].format = MPV_FORMAT_STRING;
    values[2].u.string = replace;
    values[3].format = MPV_FORMAT_NODE_MAP;
    values[3].u.list = &options;
    mpv_node_list command{4, values.data(), keys.data()};
    mpv_node node{};
    node.format = MPV_FORMAT_NODE_MAP;
    node.u.list = &command;
    if (m_core->commandNodeAsync(m_handle, 0, &node) < 0) {
        m_failed = true;
    }
}

bool PlaybackGraph::attachToWindow(VideoHost* host) {
    if (m_handle == nullptr) {
        return false;
    }
    if (VideoHost* previous = m_host.data(); previous != nullptr && previous != host) {
        previous->channel()->setResizeListener(nullptr);
        previous->setVideoVisible(false);
    }
    m_host = host;
    std::shared_ptr<FrameChannel> channel = host != nullptr ? host->channel() : nullptr;
    if (channel) {
        channel->setResizeListener([this] {
            {
                std::lock_guard lock(m_renderMutex);
                m_redrawPending = true;
            }
            m_renderWake.notify_one();
        });
    }
    {
        std::lock_guard lock(m_renderMutex);
        m_channel = std::move(channel);
        m_redrawPending = m_channel != nullptr;
    }
    m_renderWake.notify_one();
    if (host != nullptr) {
        host->setVideoVisible(m_videoConfigured);
    }
    return true;
}

void PlaybackGraph::setPause(bool pause) {
    int flag = pause ? 1 : 0;
    m_core->setPropertyAsync(m_handle, 0, "pause", MPV_FORMAT_FLAG, &flag);
    m_paused = pause;
}

bool PlaybackGraph::runWithCheck() {
    if (m_handle == nullptr || m_stopped) {
        return false;
    }
    if (!m_paused) {
        return true;
    }
    setPause(false);
    return true;
}

bool PlaybackGraph::pauseWithCheck() {
    if (m_handle == nullptr || m_stopped) {
        return false;
    }
    if (m_paused) {
        return true;
    }
    setPause(true);
    return true;
}

bool PlaybackGraph::stopWithCheck() {
    if (m_handle == nullptr) {
        return false;
    }
    if (m_stopped) {
        return true;
    }
    const char* command[] = {"stop", nullptr};
    m_stopped = m_core->commandAsync(m_handle, 0, command) >= 0;
    m_loaded = false;
    return m_stopped;
}

bool PlaybackGraph::duration(ReferenceTime& out) const {
    if (m_handle == nullptr || m_failed || m_stopped || !m_duration) {
        return false;
    }
    out = secondsToReferenceTime(*m_duration);
    return true;
}

bool PlaybackGraph::position(ReferenceTime& out) const {
    if (m_handle == nullptr || m_failed || m_stopped) {
        return false;
    }
    double seconds = 0.0;
    if (m_seekTarget) {
        seconds = *m_seekTarget;
    } else if (m_pendingSeek) {
        seconds = m_pendingSeek->first;
    } else if (m_timePos) {
        seconds = *m_timePos;
    }
    // The core's position can run slightly past the end.
    if (m_duration && seconds > *m_duration) {
        seconds = *m_duration;
    }
    out = secondsToReferenceTime(std::max(seconds, 0.0));
    return true;
}

bool PlaybackGraph::seek(ReferenceTime target, SeekMode mode) {
    if (m_handle == nullptr || m_failed || m_stopped) {
        return false;
    }
    // A negative absolute time would count from the end of the file.
    const double seconds = std::max(referenceTimeToSeconds(target), 0.0);
    if (!m_loaded) {
        m_pendingSeek = std::make_pair(seconds, mode);
        return true;
    }
    sendSeek(seconds, mode);
    return true;
}

void PlaybackGraph::sendSeek(double seconds, SeekMode mode) {
    std::string time = secondsText(seconds);
    const char* command[] = {"seek", time.c_str(),
                             mode == SeekMode::Exact ? "absolute+exact" : "absolute+keyframes", nullptr};
    const std::uint64_t id = ++m_lastSeekId;
    if (m_core->commandAsync(m_handle, id, command) < 0) {
        return;
    }
    m_lastSeekAcknowledged = false;
    m_seekTarget = seconds;
}

void PlaybackGraph::applyPendingSeek() {
    if (m_pendingSeek) {
        const auto [seconds, mode] = *m_pendingSeek;
        m_pendingSeek.reset();
        sendSeek(seconds, mode);
    }
}

int PlaybackGraph::pumpEvents() {
    // Cleared first: news arriving while draining posts a new notice.
    m_wakeupPosted = false;
    if (m_handle == nullptr) {
        return 0;
    }
    issueLoad();
    int newCompletions = 0;
    while (true) {
        const mpv_event* event = m_core->waitEvent(m_handle, 0);
        if (event->event_id == MPV_EVENT_NONE) {
            break;
        }
        switch (event->event_id) {
        case MPV_EVENT_FILE_LOADED:
            m_loaded = true;
            applyPendingSeek();
            break;
        case MPV_EVENT_END_FILE: {
            const auto* end = static_cast<const mpv_event_end_file*>(event->data);
            m_loaded = false;
            if (end->reason == MPV_END_FILE_REASON_ERROR) {
                m_failed = true;
            }
            break;
        }
        case MPV_EVENT_PLAYBACK_RESTART:
            if (m_lastSeekAcknowledged && m_seekTarget) {
                // The position property follows a little later; until then the target is the best answer.
                m_timePos = m_seekTarget;
                m_seekTarget.reset();
            }
            break;
        case MPV_EVENT_COMMAND_REPLY:
            if (event->reply_userdata != 0 && event->reply_userdata == m_lastSeekId) {
                m_lastSeekAcknowledged = true;
                if (event->error < 0) {
                    m_seekTarget.reset();
                }
            }
            break;
        case MPV_EVENT_PROPERTY_CHANGE: {
            const auto* property = static_cast<const mpv_event_property*>(event->data);
            const bool present = property->format != MPV_FORMAT_NONE && property->data != nullptr;
            const std::string_view name = property->name;
            if (name == "eof-reached") {
                const bool reached = present && *static_cast<const int*>(property->data) != 0;
                if (reached && !m_eofReached) {
                    ++newCompletions;
                }
                m_eofReached = reached;
            } else if (name == "duration") {
                m_duration = present ? std::optional<double>(*static_cast<const double*>(property->data))
                                     : std::nullopt;
            } else if (name == "time-pos") {
                m_timePos = present ? std::optional<double>(*static_cast<const double*>(property->data))
                                    : std::nullopt;
            } else if (name == "vo-configured") {
                m_videoConfigured = present && *static_cast<const int*>(property->data) != 0;
                if (VideoHost* host = m_host.data()) {
                    host->setVideoVisible(m_videoConfigured);
                }
            }
            break;
        }
        default:
            break;
        }
    }
    m_completions += newCompletions;
    return newCompletions;
}

int PlaybackGraph::takeCompletions() {
    return std::exchange(m_completions, 0);
}

void PlaybackGraph::detach() {
    // No more news for the UI thread and no more pictures for the host.
    if (m_handle != nullptr) {
        m_core->setWakeupCallback(m_handle, nullptr, nullptr);
    }
    m_eventTarget = nullptr;
    if (VideoHost* host = m_host.data()) {
        host->channel()->setResizeListener(nullptr);
        host->setVideoVisible(false);
    }
    m_host = nullptr;
    std::lock_guard lock(m_renderMutex);
    m_channel.reset();
}

void PlaybackGraph::shutdown() {
    // Order matters: no callbacks, no render thread, then the render context before the core
    // (freeing the core first aborts the process).
    if (m_render != nullptr) {
        m_core->renderContextSetUpdateCallback(m_render, nullptr, nullptr);
    }
    if (m_renderThread.joinable()) {
        {
            std::lock_guard lock(m_renderMutex);
            m_renderStop = true;
        }
        m_renderWake.notify_one();
        m_renderThread.join();
    }
    if (m_render != nullptr) {
        m_core->renderContextFree(m_render);
        m_render = nullptr;
    }
    if (m_handle != nullptr) {
        m_core->terminateDestroy(m_handle);
        m_handle = nullptr;
    }
}

void PlaybackGraph::releaseAll() {
    detach();
    shutdown();
}

GraphReaper& GraphReaper::instance() {
    static GraphReaper reaper;
    return reaper;
}

GraphReaper::~GraphReaper() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void GraphReaper::dispose(std::unique_ptr<PlaybackGraph> graph) {
    if (!graph) {
        return;
    }
    graph->detach();
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(graph));
        if (!m_worker.joinable()) {
            m_worker = std::thread([this] { work(); });
        }
    }
    m_wake.notify_all();
}

void GraphReaper::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_queue.empty() && m_busy == 0; });
}

void GraphReaper::work() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty()) {
            return; // stopping, and everything handed over is released
        }
        std::unique_ptr<PlaybackGraph> graph = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_busy;
        lock.unlock();
        graph->shutdown();
        graph.reset();
        lock.lock();
        --m_busy;
        m_wake.notify_all();
    }
}

} // namespace morvane::preview
