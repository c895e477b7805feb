#include "preview/preview_player.h"

#include <QCoreApplication>

#include "preview/video_host.h"

namespace morvane::preview {

PreviewPlayer::PreviewPlayer(QObject* parent) : QObject(parent) {}

PreviewPlayer::~PreviewPlayer() {
    Close();
}

int PreviewPlayer::Open(const std::string& path, VideoHost* host, QObject* notify) {
    m_path = path;
    Close();
    m_graph = std::make_unique<PlaybackGraph>();
    if (!m_graph->create(this)) {
        // Kept without a core: every later call fails quietly.
        return 1;
    }
    m_graph->renderFile(m_path);
    m_graph->attachToWindow(host);
    m_notify = notify;
    m_graph->pauseWithCheck();
    return 1;
}

int PreviewPlayer::Close() {
    if (!m_graph) {
        return 1;
    }
    m_graph->stopWithCheck();
    m_notify = nullptr;
    GraphReaper::instance().dispose(std::move(m_graph));
    return 1;
}

int PreviewPlayer::Play() {
    if (m_graph) {
        m_graph->runWithCheck();
    }
    return 1;
}

int PreviewPlayer::Pause() {
    if (m_graph) {
        m_graph->pauseWithCheck();
    }
    return 1;
}

bool PreviewPlayer::Seek(double seconds, SeekMode mode) {
    return m_graph && m_graph->seek(secondsToReferenceTime(seconds), mode);
}

bool PreviewPlayer::GetPosition(double& seconds) {
    if (!m_graph) {
        return false;
    }
    pump();
    ReferenceTime position = 0;
    if (!m_graph->position(position)) {
        return false;
    }
    seconds = referenceTimeToSeconds(position);
    return true;
}

bool PreviewPlayer::GetDuration(double& seconds) {
    if (!m_graph) {
        return false;
    }
    pump();
    ReferenceTime length = 0;
    if (!m_graph->duration(length)) {
        return false;
    }
    seconds = referenceTimeToSeconds(length);
    return true;
}

int PreviewPlayer::HandleGraphEvents() {
    if (!m_graph) {
        return 1;
    }
    m_graph->pumpEvents();
    for (int ends = m_graph->takeCompletions(); ends > 0; --ends) {
        Seek(0.0);
    }
    return 1;
}

bool PreviewPlayer::event(QEvent* event) {
    if (event->type() != kGraphWakeupEvent) {
        return QObject::event(event);
    }
    // Notices of a graph closed since they were posted find the current graph (or none); draining
    // it is harmless.
    pump();
    return true;
}

void PreviewPlayer::pump() {
    // Whoever drains the core's events (a query or a wakeup notice) passes the news on.
    if (m_graph && m_graph->pumpEvents() > 0 && m_notify) {
        QCoreApplication::postEvent(m_notify, new QEvent(kGraphEvent));
    }
}

} // namespace morvane::preview
