#pragma once

#include <optional>
#include <string>

namespace morvane::preview {

enum class PreviewState { Stopped = 0, Playing = 1, Paused = 2 };

// The player as the preview pane drives it (a PreviewPlayer opened into the pane's host, with the
// window as its notify object).
class PanePlayer {
public:
    virtual ~PanePlayer() = default;
    virtual void open(const std::string& path) = 0;
    virtual void close() = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    // `exact` false: the nearest earlier key frame is good enough (while a slider is dragged).
    virtual bool seek(double seconds, bool exact) = 0;
    virtual bool position(double& seconds) = 0;
    virtual bool duration(double& seconds) = 0;
};

// The pane's position slider (0 to 100 percent of the length) and its refresh timer.
class PaneControls {
public:
    virtual ~PaneControls() = default;
    virtual int sliderPosition() const = 0;
    virtual void setSliderPosition(int percent) = 0;
    // Starts a repeating timer and gives its id (never 0).
    virtual int startTimer(int milliseconds) = 0;
    virtual void killTimer(int id) = 0;
};

// The main window's preview pane: which file is previewed, whether it plays, and the slider that
// follows the position. No toolkit types, so it is tested without a display.
class PreviewPaneLogic {
public:
    static constexpr int kTimerMilliseconds = 100;

    PreviewPaneLogic(PanePlayer& player, PaneControls& controls);

    // Play button or menu command. `selectedPath` is the source of the first selected row, none
    // without a selection. A different file stops the current one and plays the new one from its
    // beginning; while playing nothing happens; a paused file continues.
    void play(const std::optional<std::string>& selectedPath);
    void pause();
    // Also used when the window closes and when a batch starts.
    void stop();
    void stepBack();
    void stepForward();
    // The refresh timer fired (ids of other timers are ignored).
    void timerTick(int timerId);
    // The user moved the slider to `percent`: seek there, on a key frame while still dragging.
    void sliderScrolled(int percent, bool dragging);

    PreviewState state() const { return m_state; }
    double duration() const { return m_duration; }
    const std::string& previewPath() const { return m_path; }
    int timerId() const { return m_timerId; }

private:
    void startTimer();
    void stopTimer();
    void refreshDuration();
    void showPosition(double seconds);

    PanePlayer& m_player;
    PaneControls& m_controls;
    PreviewState m_state = PreviewState::Stopped;
    int m_timerId = 0;
    double m_duration = 0.0;
    std::string m_path;
};

// Position as whole percent of the length, truncated toward zero and held to 0..100. A length of 0
// (a still picture, or not known yet) shows 0 instead of dividing by it.
int positionPercent(double seconds, double duration);

} // namespace morvane::preview
