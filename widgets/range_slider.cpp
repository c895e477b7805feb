#include "widgets/range_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace morvane::widgets {

namespace {

// A hit-test rectangle (right and bottom just outside) as a painting rectangle.
QRect toQRect(const SliderRect& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// A rectangle outlined with the current pen and filled with the current brush, covering the pixels from
// (left, top) to (right - 1, bottom - 1).
void drawFramedRect(QPainter& painter, int left, int top, int right, int bottom) {
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}

// The raised edge of a thumb that is not held: light on the top and left, shadow on the right and bottom.
void drawRaisedEdge(QPainter& painter, const SliderRect& r, const QPalette& palette) {
    painter.setPen(QPen(palette.color(QPalette::Light), 1));
    painter.drawLine(r.left, r.bottom, r.left, r.top);
    painter.drawLine(r.left, r.top, r.right, r.top);
    painter.setPen(QPen(palette.color(QPalette::Dark), 1));
    painter.drawLine(r.right, r.top, r.right, r.bottom);
    painter.drawLine(r.right, r.bottom, r.left, r.bottom);
}

void drawArrow(QPainter& painter, const QPoint& a, const QPoint& b, const QPoint& tip) {
    const QPoint corners[3] = {a, b, tip};
    painter.drawPolygon(corners, 3);
}

} // namespace

CRangeSlider::CRangeSlider(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    relayout();
}

void CRangeSlider::SetMinMax(double a, double b) {
    if (!std::isfinite(a) || !std::isfinite(b)) {
        return; // an interval without ends cannot be shown
    }
    m_range.minimum = std::min(a, b);
    m_range.maximum = std::max(a, b);
    Normalize();
    relayout();
    update();
}

void CRangeSlider::SetRange(double left, double right) {
    if (!std::isfinite(left) || !std::isfinite(right)) {
        return;
    }
    m_range.left = left;
    m_range.right = right;
    Normalize();
    relayout();
    update();
}

void CRangeSlider::Normalize() {
    normalizeRange(m_range, [this](RangeChange change) { Q_EMIT rangeChanged(change); });
}

SliderLayout CRangeSlider::relayout() {
    const SliderLayout layout = sliderLayout(m_range, width(), height());
    m_arrowWidth = layout.arrowWidth;
    m_trackWidth = layout.trackWidth;
    m_leftThumb = layout.leftThumb;
    m_rightThumb = layout.rightThumb;
    return layout;
}

void CRangeSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void CRangeSlider::paintEvent(QPaintEvent*) {
    const SliderLayout layout = relayout();
    const int a = layout.arrowWidth;
    const int h = layout.height;
    const int xL = layout.leftX;
    const int xR = layout.rightX;
    const QColor black(Qt::black);
    // A disabled control shows its arrows greyed; everything else keeps its colours.
    const QColor arrow = isEnabled() ? black : palette().color(QPalette::Disabled, QPalette::WindowText);
    const QColor face = palette().color(QPalette::Button);

    QPainter painter(this);
    // The track: grey, framed in black.
    painter.setPen(black);
    painter.setBrush(QColor(128, 128, 128));
    drawFramedRect(painter, 0, 0, layout.width, h);

    // Left thumb with its arrow pointing right.
    painter.setPen(black);
    painter.setBrush(face);
    drawFramedRect(painter, xL, 0, xL + a, h);
    if (!(m_tracking && m_trackedPart == kLeftThumb)) {
        drawRaisedEdge(painter, layout.leftThumb, palette());
    }
    painter.setPen(arrow);
    painter.setBrush(arrow);
    drawArrow(painter, {xL + a / 3, h / 3}, {xL + a / 3, 2 * h / 3}, {xL + 2 * a / 3, h / 2});

    // Right thumb with its arrow pointing left.
    painter.setBrush(face);
    drawFramedRect(painter, xR + a, 0, xR + 2 * a, h);
    if (!(m_tracking && m_trackedPart == kRightThumb)) {
        drawRaisedEdge(painter, layout.rightThumb, palette());
    }
    painter.setPen(arrow);
    painter.setBrush(arrow);
    drawArrow(painter, {xR + a + 2 * a / 3, h / 3}, {xR + a + 2 * a / 3, 2 * h / 3}, {xR + a + a / 3, h / 2});

    // The band between the thumbs.
    const QRect band = toQRect(layout.bandFill);
    if (band.width() > 0 && band.height() > 0) {
        painter.fillRect(band, Qt::white);
    }
    if (hasFocus()) {
        // The focus rectangle: a dotted line 3 pixels inside the band, shown however the focus came.
        const QRect focus = band.adjusted(3, 3, -4, -4);
        if (focus.width() > 0 && focus.height() > 0) {
            painter.setPen(QPen(black, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(focus);
        }
    }
}

void CRangeSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    update();
    if (m_tracking) {
        return;
    }
    const SliderLayout layout = relayout();
    const QPoint pos = event->position().toPoint();
    const std::pair<SliderRect, TrackedPart> parts[] = {
        {layout.leftThumb, kLeftThumb}, {layout.rightThumb, kRightThumb}, {layout.band, kBand}};
    for (const auto& [rect, part] : parts) {
        if (rect.contains(pos.x(), pos.y())) {
            m_tracking = true;
            m_trackedPart = part;
            m_grabX = pos.x() - rect.centreX();
            m_grabY = pos.y() - rect.centreY();
            return; // the press grabs the mouse until the button is released
        }
    }
}

void CRangeSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_tracking) {
        return;
    }
    const int q = event->position().toPoint().x() - m_grabX;
    RangeChange change = ChangeLeft;
    switch (m_trackedPart) {
    case kLeftThumb:
        change = dragLeftThumb(m_range, q, m_arrowWidth, m_trackWidth);
        break;
    case kRightThumb:
        change = dragRightThumb(m_range, q, m_arrowWidth, m_trackWidth);
        break;
    default:
        change = dragBand(m_range, q, m_arrowWidth, m_trackWidth);
        break;
    }
    Q_EMIT rangeChanged(change);
    relayout();
    update();
}

void CRangeSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_tracking) {
        m_tracking = false;
        update();
    }
}

void CRangeSlider::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    if ((key != Qt::Key_Left && key != Qt::Key_Right) || control) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const std::optional<RangeChange> change =
        arrowKeyStep(m_range, key == Qt::Key_Right, shift, m_trackWidth);
    if (!change) {
        return;
    }
    Q_EMIT rangeChanged(*change);
    relayout();
    update();
}

void CRangeSlider::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CRangeSlider::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

} // namespace morvane::widgets
