#pragma once

#include <QPushButton>

#include <array>
#include <optional>

#include "widgets/picture.h"

namespace morvane::widgets {

// Which of a button's pictures (0 hover, 1 normal, 2 pressed) is shown, given which are set: the
// pressed one while pressed, the hover one while the pointer is over the button (or pressed),
// otherwise the normal one; a single picture always. -1 when none is set.
int chooseButtonPicture(const std::array<bool, 3>& present, bool pressed, bool hovered);

// Where a button's picture and caption go in its client rectangle. Alignment 0: picture after the
// left margin, caption to its right (picture centred without a caption); 1: picture centred
// horizontally at the top margin, caption below (centred without a caption); 2: picture at the
// right margin, caption to its left; 3: picture over the whole button from its top-left corner.
struct ButtonLayout {
    QRect picture;
    QRect caption;
};
ButtonLayout imageButtonLayout(const QRect& client, const QSize& picture, int alignment, const QSize& margins,
                               bool hasCaption);

// A push button that shows pictures: one icon, or up to three bitmaps (hover, normal, pressed)
// each with its own transparent colour. Flat by default: no border until the pointer is over it.
class ImageButton final : public QPushButton {
    Q_OBJECT

public:
    explicit ImageButton(QWidget* parent = nullptr);

    // Loads icon `icon` (and optionally `hoverIcon`, shown while the pointer is over the button;
    // 0 for none). 0, or 1 when an icon cannot be read (the button is left without a picture).
    int setIcon(int icon, int hoverIcon = 0);
    // Loads the hover, normal and pressed bitmaps (0 for none), sets the pressed offset to 0, 0.
    // 0, or 1 when a bitmap cannot be read, 2 when one cannot be measured (no picture then).
    int setBitmaps(int hover, const QColor& hoverTransparent, int normal = 0,
                   const QColor& normalTransparent = {}, int pressed = 0,
                   const QColor& pressedTransparent = {});
    // The same from pictures at hand; empty entries are not set.
    int setBitmapPictures(const std::array<std::optional<Picture>, 3>& pictures,
                          const std::array<QColor, 3>& transparent);

    // 0, or 4 for a value above 3 (nothing changes).
    int setAlignment(int alignment, bool repaint = true);
    int alignment() const { return m_alignment; }
    void setMargins(int horizontal, int vertical);
    void setPressedOffset(int x, int y);
    QPoint pressedOffset() const { return m_pressedOffset; }
    // The face shows whatever the parent draws behind the button.
    void setTransparentFace(bool repaint = true);
    void setFlat(bool flat);
    bool isHovered() const { return m_hovered; }
    // Creates the tooltip on first use; an inactive tooltip is not shown.
    void setTooltipText(const QString& text, bool activate = true);

    // The picture shown now: 0 hover, 1 normal, 2 pressed (or the icon's 0), -1 none.
    int shownPicture() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Slot {
        std::optional<Picture> picture;
        QColor transparent;
        // The last rendering, reused while size and pixel ratio stay the same.
        mutable QPixmap rendered;
    };
    void setHovered(bool hovered);
    void clearPictures();
    QPixmap pixmapFor(int slot, const QSize& size) const;

    // Bitmaps: hover, normal, pressed. An icon takes slot 1 and its hover icon slot 0.
    std::array<Slot, 3> m_slots;
    int m_alignment = 0;
    QSize m_margins{3, 3};
    QPoint m_pressedOffset{1, 1};
    bool m_transparentFace = false;
    bool m_hovered = false;
    QString m_tooltip;
};

} // namespace morvane::widgets
