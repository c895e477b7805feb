#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <memory>
#include <string>

#include "preview/playback_graph.h"

namespace morvane::preview {

class VideoHost;

// Posted to a player's notify object when the playback has news for its owner (the end of the
// stream). The owner answers by calling HandleGraphEvents() on the UI thread.
inline constexpr QEvent::Type kGraphEvent = static_cast<QEvent::Type>(QEvent::User + 20);

// Shows one file in a host widget: open paused on the first frame, play, pause, seek, and the
// position and length in seconds. Everything is called on the UI thread and returns at once; the
// picture follows asynchronously. The owner must Close() before destroying the host or the notify
// object (closing the player also happens in its destructor).
//
// Typical owner:
//     player.Open(path, host, this);          // `this` receives kGraphEvent
//     bool MyWindow::event(QEvent* e) {
//         if (e->type() == preview::kGraphEvent) { player.HandleGraphEvents(); return true; }
//         return QWidget::event(e);
//     }
class PreviewPlayer : public QObject {
    Q_OBJECT

public:
    explicit PreviewPlayer(QObject* parent = nullptr);
    ~PreviewPlayer() override;

    // Closes what is open, then starts showing `path` in `host`, paused on its first frame. Always 1:
    // a file that cannot be played leaves the player open with an empty picture, Play and Pause
    // doing nothing and the queries failing.
    int Open(const std::string& path, VideoHost* host, QObject* notify);
    // Stops and releases the playback; the host shows its idle picture again. Always 1.
    int Close();
    int Play();
    int Pause();
    // Absolute seek in seconds (negative counts as 0). False when closed or the file cannot play.
    // Exact lands on the frame at that time; KeyFrame on the key frame before it (while dragging).
    bool Seek(double seconds, SeekMode mode = SeekMode::Exact);
    // Current position and length in seconds; on failure `seconds` is left as it was. The
    // position of a seek is reported from the moment it is asked for. The length is known once the
    // file has loaded (shortly after Open).
    bool GetPosition(double& seconds);
    bool GetDuration(double& seconds);
    // Handles the news the player announced with kGraphEvent: at the end of the stream it seeks
    // back to 0 and keeps playing, so the clip loops. Always 1.
    int HandleGraphEvents();

    bool isOpen() const { return m_graph != nullptr; }
    // Open and the file turned out unplayable.
    bool hasFailed() const { return m_graph != nullptr && m_graph->failed(); }
    // Open and loaded (the length is known).
    bool isLoaded() const { return m_graph != nullptr && m_graph->loaded(); }
    bool isPlaying() const { return m_graph != nullptr && m_graph->created() && !m_graph->isPaused(); }
    const std::string& path() const { return m_path; }

protected:
    bool event(QEvent* event) override;

private:
    void pump();

    std::unique_ptr<PlaybackGraph> m_graph;
    std::string m_path;
    QPointer<QObject> m_notify;
};

} // namespace morvane::preview
