#include "widgets/image_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace morvane::widgets {

namespace {

enum SlotIndex { Hover = 0, Normal = 1, Pressed = 2 };

} // namespace

int chooseButtonPicture(const std::array<bool, 3>& present, bool pressed, bool hovered) {
    if (pressed && present[Pressed]) {
        return Pressed;
    }
    if ((hovered || pressed) && present[Hover]) {
        return Hover;
    }
    // The normal picture, else whichever one there is.
    for (const int slot : {Normal, Hover, Pressed}) {
        if (present[static_cast<std::size_t>(slot)]) {
            return slot;
        }
    }
    return -1;
}

ButtonLayout imageButtonLayout(const QRect& client, const QSize& picture, int alignment, const QSize& margins,
                               bool hasCaption) {
    ButtonLayout layout;
    const int mx = margins.width();
    const int my = margins.height();
    const int centredX = client.x() + (client.width() - picture.width()) / 2;
    const int centredY = client.y() + (client.height() - picture.height()) / 2;
    const int right = client.x() + client.width();
    const int bottom = client.y() + client.height();
    switch (alignment) {
    case 0:
        layout.picture = QRect(QPoint(hasCaption ? client.x() + mx : centredX, centredY), picture);
        layout.caption = QRect(QPoint(layout.picture.x() + picture.width() + mx, client.y()),
                               QPoint(right - 1, bottom - 1));
        break;
    case 1:
        layout.picture = QRect(QPoint(centredX, hasCaption ? client.y() + my : centredY), picture);
        layout.caption = QRect(QPoint(client.x(), layout.picture.y() + picture.height() + my),
                               QPoint(right - 1, bottom - 1));
        break;
    case 2:
        layout.picture = QRect(QPoint(right - mx - picture.width(), centredY), picture);
        layout.caption =
            QRect(QPoint(client.x(), client.y()), QPoint(layout.picture.x() - mx - 1, bottom - 1));
        break;
    default:
        layout.picture = QRect(client.topLeft(), picture);
        layout.caption = client;
        break;
    }
    return layout;
}

ImageButton::ImageButton(QWidget* parent) : QPushButton(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    QPushButton::setFlat(true);
}

void ImageButton::clearPictures() {
    m_slots = {};
}

int ImageButton::setIcon(int icon, int hoverIcon) {
    clearPictures();
    std::optional<Picture> normal = Picture::load(icon);
    std::optional<Picture> hover = hoverIcon != 0 ? Picture::load(hoverIcon) : std::nullopt;
    if (!normal || normal->size().isEmpty() || (hoverIcon != 0 && (!hover || hover->size().isEmpty()))) {
        update();
        return 1;
    }
    m_slots[Normal].picture = std::move(normal);
    m_slots[Hover].picture = std::move(hover);
    update();
    return 0;
}

int ImageButton::setBitmaps(int hover, const QColor& hoverTransparent, int normal,
                            const QColor& normalTransparent, int pressed, const QColor& pressedTransparent) {
    std::array<std::optional<Picture>, 3> pictures;
    const std::array<int, 3> ids{hover, normal, pressed};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == 0) {
            continue;
        }
        pictures[i] = Picture::load(ids[i]);
        if (!pictures[i]) {
            clearPictures();
            update();
            return 1;
        }
    }
    return setBitmapPictures(pictures, {hoverTransparent, normalTransparent, pressedTransparent});
}

int ImageButton::setBitmapPictures(const std::array<std::optional<Picture>, 3>& pictures,
                                   const std::array<QColor, 3>& transparent) {
    clearPictures();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (pictures[i] && pictures[i]->size().isEmpty()) {
            clearPictures();
            update();
            return 2;
        }
        m_slots[i] = Slot{pictures[i], transparent[i], {}};
    }
    m_pressedOffset = {0, 0};
    update();
    return 0;
}

int ImageButton::setAlignment(int alignment, bool repaint) {
    if (alignment < 0 || alignment > 3) {
        return 4;
    }
    m_alignment = alignment;
    if (repaint) {
        update();
    }
    return 0;
}

void ImageButton::setMargins(int horizontal, int vertical) {
    m_margins = {horizontal, vertical};
    update();
}

void ImageButton::setPressedOffset(int x, int y) {
    m_pressedOffset = {x, y};
    update();
}

void ImageButton::setTransparentFace(bool repaint) {
    m_transparentFace = true;
    if (repaint) {
        update();
    }
}

void ImageButton::setFlat(bool flat) {
    QPushButton::setFlat(flat);
    if (!flat) {
        setHovered(false);
    }
    update();
}

void ImageButton::setTooltipText(const QString& text, bool activate) {
    m_tooltip = text;
    setToolTip(activate ? text : QString());
}

int ImageButton::shownPicture() const {
    std::array<bool, 3> present{};
    for (std::size_t i = 0; i < present.size(); ++i) {
        present[i] = m_slots[i].picture.has_value();
    }
    return chooseButtonPicture(present, isDown(), m_hovered);
}

QPixmap ImageButton::pixmapFor(int slot, const QSize& size) const {
    const Slot& s = m_slots[static_cast<std::size_t>(slot)];
    if (!s.picture) {
        return {};
    }
    const qreal ratio = devicePixelRatioF();
    if (s.rendered.isNull() || s.rendered.devicePixelRatio() != ratio ||
        s.rendered.deviceIndependentSize().toSize() != size) {
        s.rendered = s.picture->render(ratio, size, s.transparent);
    }
    return s.rendered;
}

void ImageButton::setHovered(bool hovered) {
    if (m_hovered != hovered) {
        m_hovered = hovered;
        update();
    }
}

void ImageButton::mouseMoveEvent(QMouseEvent* event) {
    if (isFlat()) {
        const bool inside = rect().contains(event->position().toPoint());
        // With a mouse button held the button only stays hovered; it does not become so.
        setHovered(inside && (event->buttons() == Qt::NoButton || m_hovered));
    }
    QPushButton::mouseMoveEvent(event);
}

void ImageButton::leaveEvent(QEvent* event) {
    setHovered(false);
    QPushButton::leaveEvent(event);
}

QSize ImageButton::sizeHint() const {
    QSize picture;
    for (const Slot& s : m_slots) {
        if (s.picture) {
            picture = picture.expandedTo(s.picture->size());
        }
    }
    if (picture.isEmpty()) {
        return QPushButton::sizeHint();
    }
    return picture + 2 * m_margins;
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect client = rect();
    if (!m_transparentFace) {
        p.fillRect(client, palette().color(QPalette::Button));
    }
    const bool down = isDown();
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Mid);
    if (!isFlat() || m_hovered || down) {
        // Raised while hovered (light above and left), sunken while pressed.
        const QColor topLeft = down ? shadow : light;
        const QColor bottomRight = down ? light : shadow;
        p.fillRect(QRect(0, 0, client.width(), 1), topLeft);
        p.fillRect(QRect(0, 0, 1, client.height()), topLeft);
        p.fillRect(QRect(0, client.height() - 1, client.width(), 1), bottomRight);
        p.fillRect(QRect(client.width() - 1, 0, 1, client.height()), bottomRight);
    }

    const int slot = shownPicture();
    if (slot >= 0) {
        const QSize natural = m_slots[static_cast<std::size_t>(slot)].picture->size();
        const QSize size = m_alignment == 3 ? client.size() : natural;
        ButtonLayout layout = imageButtonLayout(client, size, m_alignment, m_margins, !text().isEmpty());
        QPixmap pixmap = pixmapFor(slot, size);
        if (!isEnabled()) {
            QStyleOption option;
            option.initFrom(this);
            pixmap = style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
        }
        const QPoint shift = down ? m_pressedOffset : QPoint();
        p.drawPixmap(layout.picture.topLeft() + shift, pixmap);
        if (!text().isEmpty()) {
            p.setPen(
                palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
            p.drawText(layout.caption.translated(shift), Qt::AlignCenter | Qt::TextShowMnemonic, text());
        }
    } else if (!text().isEmpty()) {
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(client, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    }

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = client.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

} // namespace morvane::widgets
