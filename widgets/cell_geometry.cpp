#include "widgets/cell_geometry.h"

#include <algorithm>

namespace morvane::widgets {

namespace {

QRect fromEdges(int left, int top, int right, int bottom) {
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

} // namespace

int progressFillWidth(int innerLeft, int right, int percent) {
    percent = std::clamp(percent, 0, 100);
    return std::max(0, right - innerLeft) * percent / 100;
}

ProgressGeometry progressGeometry(const QRect& cell, int percent) {
    const int cellRight = cell.x() + cell.width();
    const int cellBottom = cell.y() + cell.height();
    ProgressGeometry g;
    g.frameLeft = cell.x() + 1;
    g.frameTop = cell.y();
    g.frameRight = cellRight - 2;
    g.frameBottom = cellBottom - 1;
    g.well = fromEdges(g.frameLeft + 1, g.frameTop + 1, g.frameRight, g.frameBottom);
    const int innerLeft = g.frameLeft + 2;
    g.bar = fromEdges(innerLeft, g.frameTop + 2,
                      innerLeft + progressFillWidth(innerLeft, g.frameRight, percent), g.frameBottom);
    g.text = fromEdges(g.frameLeft + 1, g.frameTop + 2, g.frameRight - 1, g.frameBottom - 1);
    return g;
}

QRect checkBoxRect(const QRect& cell, bool hasText) {
    const int side = std::max(0, std::min(cell.height() - 1, kCheckBoxSide));
    const int top = cell.y() + (cell.height() - 1 - side) / 2;
    const int left = hasText ? cell.x() + 9 : cell.x() + (cell.width() - side) / 2;
    return fromEdges(left + 1, top, left + side, top + side);
}

std::array<QRect, 7> tickStrokes(int left, int top) {
    std::array<QRect, 7> strokes;
    // The long arm, from the upper right down to the left, each stroke a pixel lower.
    for (int i = 0; i < 4; ++i) {
        strokes[static_cast<std::size_t>(i)] = QRect(left + 9 - i, top + 3 + i, 1, 3);
    }
    // The short arm, given by the lower ends of its strokes.
    const std::array<QPoint, 3> lowerEnds{QPoint(left + 5, top + 10), QPoint(left + 4, top + 9),
                                          QPoint(left + 3, top + 8)};
    for (std::size_t i = 0; i < lowerEnds.size(); ++i) {
        strokes[4 + i] = QRect(lowerEnds[i].x(), lowerEnds[i].y() - 2, 1, 3);
    }
    return strokes;
}

QString formatProgressText(const QString& format, int percent) {
    if (format.isEmpty()) {
        return QString::number(percent) + QLatin1Char('%');
    }
    QString text;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar next = format.at(i + 1);
            if (next == QLatin1Char('d') || next == QLatin1Char('i')) {
                text += QString::number(percent);
                ++i;
                continue;
            }
            if (next == QLatin1Char('%')) {
                text += QLatin1Char('%');
                ++i;
                continue;
            }
        }
        text += c;
    }
    return text;
}

std::vector<int> columnWidthsByShare(int listWidth, std::span<const int> shares, int denominator) {
    const int w = std::max(0, listWidth - 2);
    std::vector<int> widths;
    widths.reserve(shares.size() + 1);
    int used = 0;
    for (const int share : shares) {
        const int width = denominator > 0 ? w * share / denominator : 0;
        widths.push_back(width);
        used += width;
    }
    widths.push_back(std::max(0, w - used - 2));
    return widths;
}

} // namespace morvane::widgets
