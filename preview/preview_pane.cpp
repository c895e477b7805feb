#include "preview/preview_pane.h"

#include <algorithm>
#include <cmath>

namespace morvane::preview {

int positionPercent(double seconds, double duration) {
    if (!(duration > 0.0) || !std::isfinite(seconds)) {
        return 0;
    }
    const double percent = std::trunc(seconds * 100.0 / duration);
    return static_cast<int>(std::clamp(percent, 0.0, 100.0));
}

PreviewPaneLogic::PreviewPaneLogic(PanePlayer& player, PaneControls& controls)
    : m_player(player), m_controls(controls) {}

void PreviewPaneLogic::play(const std::optional<std::string>& selectedPath) {
    if (selectedPath && *selectedPath != m_path) {
        stop();
        m_path = *selectedPath;
    }
    switch (m_state) {
    case PreviewState::Playing:
        return;
    case PreviewState::Paused:
        m_player.play();
        m_state = PreviewState::Playing;
        startTimer();
        return;
    case PreviewState::Stopped:
        if (m_path.empty()) {
            return;
        }
        m_player.open(m_path);
        m_player.play();
        m_state = PreviewState::Playing;
        // The length of the previous file must not stay; the player knows the new one once the file
        // has loaded, and the timer picks it up then.
        m_duration = 0.0;
        refreshDuration();
        startTimer();
        return;
    }
}

void PreviewPaneLogic::pause() {
    if (m_state != PreviewState::Playing) {
        return;
    }
    m_player.pause();
    m_state = PreviewState::Paused;
    stopTimer();
}

void PreviewPaneLogic::stop() {
    if (m_state == PreviewState::Stopped) {
        return;
    }
    m_player.close();
    m_controls.setSliderPosition(0);
    stopTimer();
    m_state = PreviewState::Stopped;
}

void PreviewPaneLogic::stepBack() {
    if (m_state == PreviewState::Stopped) {
        return;
    }
    double position = 0.0;
    m_player.position(position);
    position = std::max(position - 1.0, 0.0);
    m_player.seek(position, true);
    showPosition(position);
}

void PreviewPaneLogic::stepForward() {
    if (m_state == PreviewState::Stopped) {
        return;
    }
    refreshDuration();
    double position = 0.0;
    m_player.position(position);
    position += 1.0;
    if (position > m_duration) {
        position = m_duration;
    }
    m_player.seek(position, true);
    showPosition(position);
}

void PreviewPaneLogic::timerTick(int timerId) {
    if (timerId == 0 || timerId != m_timerId) {
        return;
    }
    refreshDuration();
    double position = 0.0;
    if (m_player.position(position)) {
        showPosition(position);
    }
}

void PreviewPaneLogic::sliderScrolled(int percent, bool dragging) {
    if (m_state == PreviewState::Stopped) {
        return;
    }
    refreshDuration();
    m_player.seek(percent * m_duration * 0.01, !dragging);
}

void PreviewPaneLogic::startTimer() {
    if (m_timerId == 0) {
        m_timerId = m_controls.startTimer(kTimerMilliseconds);
    }
}

void PreviewPaneLogic::stopTimer() {
    if (m_timerId != 0) {
        m_controls.killTimer(m_timerId);
        m_timerId = 0;
    }
}

void PreviewPaneLogic::refreshDuration() {
    double duration = 0.0;
    if (m_player.duration(duration)) {
        m_duration = duration;
    }
}

void PreviewPaneLogic::showPosition(double seconds) {
    const int percent = positionPercent(seconds, m_duration);
    if (percent != m_controls.sliderPosition()) {
        m_controls.setSliderPosition(percent);
    }
}

} // namespace morvane::preview
