#pragma once

#include "widgets/range_slider_math.h"

#include <QWidget>

namespace morvane::widgets {

// A horizontal control with two triangular thumbs on one track, picking a sub-range (left to right) of
// an interval (minimum to maximum). The thumbs can be dragged one by one, the band between them as a
// whole, and the arrow keys move the band (or, with Shift, its right end). Every change is reported
// synchronously through rangeChanged(); the owner then reads the values.
class CRangeSlider : public QWidget {
    Q_OBJECT

public:
    // The part a drag holds.
    enum TrackedPart { kLeftThumb = 0, kRightThumb = 1, kBand = 2 };

    explicit CRangeSlider(QWidget* parent = nullptr);

    double minimum() const { return m_range.minimum; }
    double maximum() const { return m_range.maximum; }
    double left() const { return m_range.left; }
    double right() const { return m_range.right; }
    RangeValues values() const { return m_range; }

    // The interval from the smaller to the larger of a and b; the range is then pulled into it.
    void SetMinMax(double a, double b);
    // The range as given (not sorted), then pulled into the interval.
    void SetRange(double left, double right);
    // Pulls the range into the interval, reporting each correction in order.
    void Normalize();

    int arrowWidth() const { return m_arrowWidth; }
    int trackWidth() const { return m_trackWidth; }
    bool isTracking() const { return m_tracking; }
    int trackedPart() const { return m_trackedPart; }
    // Hit areas of the thumbs as the last layout left them.
    SliderRect leftThumbRect() const { return m_leftThumb; }
    SliderRect rightThumbRect() const { return m_rightThumb; }

    QSize sizeHint() const override { return {200, 20}; }

Q_SIGNALS:
    // Sent directly to the owner before the control repaints.
    void rangeChanged(morvane::widgets::RangeChange change);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Recomputes the arrow width, the track width and the thumbs' hit areas from the current size.
    SliderLayout relayout();

    RangeValues m_range;
    int m_arrowWidth = 10;
    bool m_tracking = false;
    int m_trackedPart = kLeftThumb;
    SliderRect m_leftThumb;
    SliderRect m_rightThumb;
    int m_trackWidth = 0;
    int m_grabX = 0;
    int m_grabY = 0;
};

} // namespace morvane::widgets
