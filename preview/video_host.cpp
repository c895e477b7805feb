#include "preview/video_host.h"

#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>

#include <utility>

namespace morvane::preview {

QSize FrameChannel::targetSize() const {
    std::lock_guard lock(m_mutex);
    return m_targetSize;
}

void FrameChannel::setResizeListener(std::function<void()> listener) {
    std::lock_guard lock(m_mutex);
    m_resizeListener = std::move(listener);
}

void FrameChannel::deliver(QImage frame) {
    std::lock_guard lock(m_mutex);
    m_latest = std::move(frame);
    if (m_receiver == nullptr || m_noticePending) {
        return;
    }
    m_noticePending = true;
    // Queued to the host's thread; dropped by Qt if the host is gone before it runs. The host
    // clears m_receiver under this lock in its destructor, so the pointer is alive here.
    VideoHost* host = m_receiver;
    QMetaObject::invokeMethod(
        host, [host] { host->takeFrame(); }, Qt::QueuedConnection);
}

void FrameChannel::setTargetSize(QSize size) {
    std::function<void()> listener;
    {
        std::lock_guard lock(m_mutex);
        if (size == m_targetSize) {
            return;
        }
        m_targetSize = size;
        listener = m_resizeListener;
    }
    if (listener) {
        listener();
    }
}

void FrameChannel::detachReceiver() {
    std::lock_guard lock(m_mutex);
    m_receiver = nullptr;
}

QImage FrameChannel::takeNotice() {
    std::lock_guard lock(m_mutex);
    m_noticePending = false;
    return m_latest;
}

VideoHost::VideoHost(QWidget* parent) : QWidget(parent), m_channel(std::make_shared<FrameChannel>()) {
    m_channel->m_receiver = this;
    setAttribute(Qt::WA_OpaquePaintEvent);
    publishSize();
}

VideoHost::~VideoHost() {
    m_channel->detachReceiver();
}

void VideoHost::setIdlePicture(const QPixmap& picture) {
    m_idlePicture = picture;
    update();
}

void VideoHost::setVideoVisible(bool visible) {
    if (visible == m_videoVisible) {
        return;
    }
    m_videoVisible = visible;
    if (!visible) {
        m_frame = QImage();
    }
    update();
}

void VideoHost::takeFrame() {
    m_frame = m_channel->takeNotice();
    ++m_framesReceived;
    Q_EMIT frameReceived();
    if (m_videoVisible) {
        update();
    }
}

void VideoHost::publishSize() {
    const qreal ratio = devicePixelRatioF();
    m_channel->setTargetSize(QSize(qRound(width() * ratio), qRound(height() * ratio)));
}

void VideoHost::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    publishSize();
}

void VideoHost::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect area = rect();
    if (!m_videoVisible || m_frame.isNull()) {
        painter.fillRect(area, palette().window());
        if (!m_idlePicture.isNull()) {
            const QSize logical = m_idlePicture.deviceIndependentSize().toSize();
            painter.drawPixmap(fitKeepingAspect(logical, area), m_idlePicture);
        }
        return;
    }
    // Frames carry alpha; black underneath keeps letterbox bars and transparent pixels black.
    painter.fillRect(area, Qt::black);
    const QSize logical = m_frame.deviceIndependentSize().toSize();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, logical != area.size());
    painter.drawImage(fitKeepingAspect(logical, area), m_frame);
    ++m_framesPainted;
    Q_EMIT framePainted();
}

QRect fitKeepingAspect(QSize imageSize, QRect area) {
    if (imageSize.isEmpty() || area.isEmpty()) {
        return {};
    }
    const QSize fitted = imageSize.scaled(area.size(), Qt::KeepAspectRatio);
    return {area.x() + (area.width() - fitted.width()) / 2, area.y() + (area.height() - fitted.height()) / 2,
            fitted.width(), fitted.height()};
}

} // namespace morvane::preview
