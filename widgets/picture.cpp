#include "widgets/picture.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace morvane::widgets {

std::optional<Picture> Picture::load(int number) {
    for (const char* suffix : {".svg", ".png"}) {
        QFile file(QStringLiteral(":/res/%1").arg(number) + QLatin1String(suffix));
        if (file.open(QIODevice::ReadOnly)) {
            return fromData(file.readAll());
        }
    }
    return std::nullopt;
}

std::optional<Picture> Picture::fromData(const QByteArray& data) {
    Picture picture;
    picture.m_data = data;
    QSvgRenderer svg(data);
    if (svg.isValid()) {
        picture.m_svg = true;
        picture.m_size = svg.defaultSize();
        return picture;
    }
    QImage image = QImage::fromData(data);
    if (image.isNull()) {
        return std::nullopt;
    }
    picture.m_size = image.size();
    return picture;
}

QPixmap Picture::render(qreal ratio, QSize size, const QColor& transparent) const {
    if (size.isEmpty()) {
        size = m_size;
    }
    if (size.isEmpty() || m_size.isEmpty()) {
        return {};
    }
    ratio = ratio > 0 ? ratio : 1.0;
    QImage image(QSize(static_cast<int>(std::lround(size.width() * ratio)),
                       static_cast<int>(std::lround(size.height() * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // The artwork keeps its proportions, centred in the target.
    QSizeF fitted = QSizeF(m_size).scaled(QSizeF(image.size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((image.width() - fitted.width()) / 2, (image.height() - fitted.height()) / 2),
                        fitted);
    {
        QPainter painter(&image);
        if (m_svg) {
            QSvgRenderer svg(m_data);
            svg.render(&painter, target);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, QImage::fromData(m_data));
        }
    }
    if (transparent.isValid()) {
        clearColor(image, transparent);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(image));
}

void clearColor(QImage& image, const QColor& color) {
    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_ARGB32) {
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    const QRgb match = color.rgb() | 0xff000000u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == match) {
                line[x] = 0;
            }
        }
    }
}

QList<QPixmap> loadPictureStrip(int number, int imageWidth, qreal ratio) {
    QList<QPixmap> images;
    const std::optional<Picture> picture = Picture::load(number);
    if (!picture || imageWidth <= 0 || picture->size().isEmpty()) {
        return images;
    }
    const QPixmap strip = picture->render(ratio);
    const int step = static_cast<int>(std::lround(imageWidth * ratio));
    for (int x = 0; x + step <= strip.width(); x += step) {
        QPixmap image = strip.copy(x, 0, step, strip.height());
        image.setDevicePixelRatio(ratio);
        images.append(image);
    }
    return images;
}

} // namespace morvane::widgets
