#pragma once

#include <QObject>
#include <QPointer>

#include <optional>
#include <string>

#include "preview/preview_pane.h"
#include "preview/preview_player.h"

class QAbstractSlider;
class QTimerEvent;

namespace morvane::preview {

class VideoHost;

// The main window's preview pane put together: a player showing files in `host`, the position
// slider (range 0 to 100) and the pane logic between them. The window calls play() with the
// selected row's source and connects its Pause, Stop, back and forward buttons to the slots. The
// controller is the player's notify object, so the clip loops at its end without the window's help.
class PreviewPaneController : public QObject {
    Q_OBJECT

public:
    PreviewPaneController(VideoHost* host, QAbstractSlider* slider, QObject* parent = nullptr);
    ~PreviewPaneController() override;

    void play(const std::optional<std::string>& selectedPath);

    const PreviewPaneLogic& logic() const { return m_logic; }
    PreviewPlayer& player() { return m_player; }

public Q_SLOTS:
    void pause();
    void stop();
    void stepBack();
    void stepForward();

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    class PlayerAdapter final : public PanePlayer {
    public:
        explicit PlayerAdapter(PreviewPaneController& owner) : m_owner(owner) {}
        void open(const std::string& path) override;
        void close() override { m_owner.m_player.Close(); }
        void play() override { m_owner.m_player.Play(); }
        void pause() override { m_owner.m_player.Pause(); }
        bool seek(double seconds, bool exact) override;
        bool position(double& seconds) override { return m_owner.m_player.GetPosition(seconds); }
        bool duration(double& seconds) override { return m_owner.m_player.GetDuration(seconds); }

    private:
        PreviewPaneController& m_owner;
    };
    class ControlsAdapter final : public PaneControls {
    public:
        explicit ControlsAdapter(PreviewPaneController& owner) : m_owner(owner) {}
        int sliderPosition() const override;
        void setSliderPosition(int percent) override;
        int startTimer(int milliseconds) override { return m_owner.startTimer(milliseconds); }
        void killTimer(int id) override { m_owner.killTimer(id); }

    private:
        PreviewPaneController& m_owner;
    };

    void onSliderAction(int action);

    QPointer<VideoHost> m_host;
    QPointer<QAbstractSlider> m_slider;
    PreviewPlayer m_player;
    PlayerAdapter m_playerAdapter{*this};
    ControlsAdapter m_controlsAdapter{*this};
    PreviewPaneLogic m_logic{m_playerAdapter, m_controlsAdapter};
};

} // namespace morvane::preview
