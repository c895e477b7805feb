#pragma once

#include <QEvent>
#include <QPointer>

#include "preview/video_host.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct mpv_handle;
struct mpv_render_context;
struct MorvanePlayerCore;
class QObject;

namespace morvane::preview {

// Media time at the graph's interface: signed 100-nanosecond units.
using ReferenceTime = std::int64_t;

// How a seek lands: on the frame at the asked time, or on the key frame before it (cheaper, for
// positions that change continuously while a slider is dragged).
enum class SeekMode { Exact, KeyFrame };

// Posted (coalesced) to the graph's event target whenever the playback core has news; the target
// calls pumpEvents() on the UI thread.
inline constexpr QEvent::Type kGraphWakeupEvent = static_cast<QEvent::Type>(QEvent::User + 21);

// One playback pipeline for one file over a libmpv handle with a software render context. Frames are
// rendered on a render thread of its own into the attached host's frame channel; every call here is
// made on the UI thread and none of them waits for decoding or rendering.
class PlaybackGraph {
public:
    PlaybackGraph();
    ~PlaybackGraph(); // releaseAll()
    PlaybackGraph(const PlaybackGraph&) = delete;
    PlaybackGraph& operator=(const PlaybackGraph&) = delete;

    // Creates the playback core, its render context and the render thread; news is posted to
    // `eventTarget` as kGraphWakeupEvent. Fails when already created, when the player plugin cannot
    // be loaded (playerPluginProblem() says why) or when the core refuses.
    bool create(QObject* eventTarget);
    bool created() const { return m_handle != nullptr; }

    // Starts loading `path`, left paused. The load itself is issued on the next event-loop turn so
    // that a seek made right after opening starts the file at that time instead of showing frame 0
    // first.
    bool renderFile(const std::string& path);
    // Shows the picture in `host` (null detaches).
    bool attachToWindow(VideoHost* host);

    bool runWithCheck();
    bool pauseWithCheck();
    bool stopWithCheck();
    bool isPaused() const { return m_paused; }

    bool duration(ReferenceTime& out) const;
    bool position(ReferenceTime& out) const;
    bool seek(ReferenceTime target, SeekMode mode);

    // Drains the core's events without waiting and updates the graph's view of the playback. Returns
    // the number of ends of stream seen since the last call to takeCompletions().
    int pumpEvents();
    int takeCompletions();

    // The file could not be played (no such file, not media).
    bool failed() const { return m_failed; }
    // The file is loaded and its length and position are known.
    bool loaded() const { return m_loaded; }

    // Releasing in two steps: detach() on the UI thread ends every contact with the UI (news, host);
    // shutdown() then takes the playback core down and may run on any thread (it can take a few
    // hundred milliseconds). releaseAll() does both.
    void detach();
    void shutdown();
    void releaseAll();

    // Issues the deferred load; called through the event queue after renderFile().
    void issueLoad();

private:
    static void onWakeup(void* self);
    static void onRenderUpdate(void* self);
    void renderLoop();
    void renderFrame(const std::shared_ptr<FrameChannel>& channel);
    void applyPendingSeek();
    void sendSeek(double seconds, SeekMode mode);
    void setPause(bool pause);

    const MorvanePlayerCore* m_core = nullptr; // the player plugin's functions, set by create()
    mpv_handle* m_handle = nullptr;
    mpv_render_context* m_render = nullptr;
    QObject* m_eventTarget = nullptr;
    std::atomic<bool> m_wakeupPosted{false};

    // Render thread: woken by the render-update callback, a resize of the host or shutdown.
    std::thread m_renderThread;
    std::mutex m_renderMutex;
    std::condition_variable m_renderWake;
    bool m_renderStop = false;
    bool m_updatePending = false;
    bool m_redrawPending = false;
    std::shared_ptr<FrameChannel> m_channel; // guarded by m_renderMutex
    QPointer<VideoHost> m_host;              // UI thread only

    // What the UI thread knows of the playback (updated by pumpEvents()).
    std::string m_path;
    bool m_loadIssued = false;
    bool m_loaded = false;
    bool m_failed = false;
    bool m_stopped = false;
    bool m_paused = true;
    bool m_eofReached = false;
    bool m_videoConfigured = false;
    int m_completions = 0;
    std::optional<double> m_duration;
    std::optional<double> m_timePos;
    // A seek asked for before the file was loaded, applied when it is.
    std::optional<std::pair<double, SeekMode>> m_pendingSeek;
    // Position reported while a seek is under way (the core keeps the old one until it lands).
    std::optional<double> m_seekTarget;
    std::uint64_t m_lastSeekId = 0;
    bool m_lastSeekAcknowledged = true;
};

// Takes closed graphs down on a thread of its own, so closing a player never holds the UI thread
// while the playback core winds down. Everything handed over is released before the process ends.
class GraphReaper {
public:
    static GraphReaper& instance();
    ~GraphReaper();

    // Detaches `graph` from the UI (on the calling UI thread) and releases the rest in the background.
    void dispose(std::unique_ptr<PlaybackGraph> graph);
    // Blocks until every graph handed over is released.
    void waitUntilIdle();

private:
    GraphReaper() = default;
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::unique_ptr<PlaybackGraph>> m_queue;
    int m_busy = 0;
    bool m_stop = false;
    std::thread m_worker;
};

// Seconds to the graph's units, truncated toward zero, and back.
ReferenceTime secondsToReferenceTime(double seconds);
double referenceTimeToSeconds(ReferenceTime time);

} // namespace morvane::preview
