#include "preview/preview_pane_controller.h"

#include <QAbstractSlider>
#include <QTimerEvent>

#include "preview/video_host.h"

namespace morvane::preview {

PreviewPaneController::PreviewPaneController(VideoHost* host, QAbstractSlider* slider, QObject* parent)
    : QObject(parent), m_host(host), m_slider(slider) {
    if (slider != nullptr) {
        slider->setRange(0, 100);
        slider->setValue(0);
        // User actions only: the timer moving the slider must not seek.
        connect(slider, &QAbstractSlider::actionTriggered, this, &PreviewPaneController::onSliderAction);
        connect(slider, &QAbstractSlider::sliderReleased, this,
                [this] { m_logic.sliderScrolled(m_slider->value(), false); });
    }
}

PreviewPaneController::~PreviewPaneController() {
    m_logic.stop();
}

void PreviewPaneController::play(const std::optional<std::string>& selectedPath) {
    m_logic.play(selectedPath);
}

void PreviewPaneController::pause() {
    m_logic.pause();
}

void PreviewPaneController::stop() {
    m_logic.stop();
}

void PreviewPaneController::stepBack() {
    m_logic.stepBack();
}

void PreviewPaneController::stepForward() {
    m_logic.stepForward();
}

bool PreviewPaneController::event(QEvent* event) {
    if (event->type() == kGraphEvent) {
        m_player.HandleGraphEvents();
        return true;
    }
    return QObject::event(event);
}

void PreviewPaneController::timerEvent(QTimerEvent* event) {
    m_logic.timerTick(event->timerId());
}

void PreviewPaneController::onSliderAction(int action) {
    if (m_slider == nullptr || action == QAbstractSlider::SliderNoAction) {
        return;
    }
    // The action fires before the value changes; the slider position is where it goes.
    const bool dragging = action == QAbstractSlider::SliderMove && m_slider->isSliderDown();
    m_logic.sliderScrolled(m_slider->sliderPosition(), dragging);
}

void PreviewPaneController::PlayerAdapter::open(const std::string& path) {
    m_owner.m_player.Open(path, m_owner.m_host.data(), &m_owner);
}

bool PreviewPaneController::PlayerAdapter::seek(double seconds, bool exact) {
    return m_owner.m_player.Seek(seconds, exact ? SeekMode::Exact : SeekMode::KeyFrame);
}

int PreviewPaneController::ControlsAdapter::sliderPosition() const {
    return m_owner.m_slider != nullptr ? m_owner.m_slider->value() : 0;
}

void PreviewPaneController::ControlsAdapter::setSliderPosition(int percent) {
    if (m_owner.m_slider != nullptr) {
        m_owner.m_slider->setValue(percent);
    }
}

} // namespace morvane::preview
