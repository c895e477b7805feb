#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPixmap>
#include <QSize>

#include <optional>

class QImage;

namespace morvane::widgets {

// One of the program's pictures (bitmaps and icons are numbered resources, ":/res/<number>.svg"),
// kept as its source and rendered for the screen it is shown on, so it stays sharp at any pixel
// ratio.
class Picture {
public:
    // The picture numbered `number`; nothing when it is missing or unreadable.
    static std::optional<Picture> load(int number);
    // An SVG or any image format Qt reads; nothing when unreadable.
    static std::optional<Picture> fromData(const QByteArray& data);

    // Natural size in logical pixels; empty for a picture that cannot be measured.
    QSize size() const { return m_size; }

    // The picture at `size` logical pixels (its natural size when empty) for a screen of pixel
    // ratio `ratio`. Drawn to another shape it keeps its proportions, centred. Pixels of exactly
    // `transparent` (when valid) become clear.
    QPixmap render(qreal ratio, QSize size = {}, const QColor& transparent = {}) const;

private:
    QByteArray m_data;
    bool m_svg = false;
    QSize m_size;
};

// Makes every opaque pixel of exactly `color` clear.
void clearColor(QImage& image, const QColor& color);

// A strip of equal images side by side, cut into `imageWidth`-wide pixmaps (logical pixels).
QList<QPixmap> loadPictureStrip(int number, int imageWidth, qreal ratio);

} // namespace morvane::widgets
