#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace morvane::preview {

// Hands rendered frames from a player's render thread to the widget that shows them. The host keeps
// it; a player holds it only while attached, so the host may go first without a dangling pointer.
class FrameChannel {
public:
    // Size in device pixels that frames should have (any thread).
    QSize targetSize() const;
    // Called (on the UI thread) whenever the target size changes; the player re-renders then.
    void setResizeListener(std::function<void()> listener);
    // Stores the newest frame and asks the host to repaint once (render thread).
    void deliver(QImage frame);

private:
    friend class VideoHost;
    void setTargetSize(QSize size);
    void detachReceiver();
    QImage takeNotice();

    mutable std::mutex m_mutex;
    QSize m_targetSize;
    std::function<void()> m_resizeListener;
    QImage m_latest;
    bool m_noticePending = false;
    class VideoHost* m_receiver = nullptr;
};

// The child window a player shows its picture in: paints the latest frame scaled to the client area
// with the aspect ratio kept (black around it), or the idle picture while no video is shown.
class VideoHost : public QWidget {
    Q_OBJECT

public:
    explicit VideoHost(QWidget* parent = nullptr);
    ~VideoHost() override;

    // Shown, scaled to fit, while no player shows video here.
    void setIdlePicture(const QPixmap& picture);

    // Players: the channel to render into, and whether their picture should be shown.
    std::shared_ptr<FrameChannel> channel() const { return m_channel; }
    void setVideoVisible(bool visible);
    bool videoVisible() const { return m_videoVisible; }

    // The frame last received from the render thread (null before the first one).
    QImage currentFrame() const { return m_frame; }
    // Frames received so far, and when the last one was painted.
    std::uint64_t framesReceived() const { return m_framesReceived; }
    std::uint64_t framesPainted() const { return m_framesPainted; }

Q_SIGNALS:
    void frameReceived();
    void framePainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class FrameChannel;
    void takeFrame();
    void publishSize();

    std::shared_ptr<FrameChannel> m_channel;
    QImage m_frame;
    QPixmap m_idlePicture;
    bool m_videoVisible = false;
    std::uint64_t m_framesReceived = 0;
    std::uint64_t m_framesPainted = 0;
};

// Where a picture of `imageSize` lands inside `area` when scaled to fit with its aspect ratio kept,
// centred. Empty when either size is empty.
QRect fitKeepingAspect(QSize imageSize, QRect area);

} // namespace morvane::preview
