#include "widgets/cell_list_delegate.h"

#include <QAbstractItemView>
#include <QPainter>

#include "widgets/cell_geometry.h"
#include "widgets/cell_list_model.h"

namespace morvane::widgets {

namespace {

// The well of a progress bar is the same light grey in every palette.
const QColor kWellColor(224, 224, 224);
constexpr int kTextMargin = 2;
constexpr int kImageMargin = 2;

void hLine(QPainter& p, int left, int right, int y, const QColor& color) {
    if (right > left) {
        p.fillRect(QRect(left, y, right - left, 1), color);
    }
}

void vLine(QPainter& p, int x, int top, int bottom, const QColor& color) {
    if (bottom > top) {
        p.fillRect(QRect(x, top, 1, bottom - top), color);
    }
}

QFont cellFont(const QFont& base, const ListCell& cell) {
    QFont font = base;
    if (cell.bold) {
        font.setWeight(QFont::Bold);
    }
    return font;
}

} // namespace

CellColors ownCellColors(const ListCell& cell, bool rowEnabled, const QPalette& palette) {
    CellColors colors;
    colors.text = cell.textColor.isValid() ? cell.textColor : palette.color(QPalette::Active, QPalette::Text);
    if (!rowEnabled) {
        colors.text = palette.color(QPalette::Disabled, QPalette::Text);
    }
    colors.background = cell.backgroundColor.isValid() ? cell.backgroundColor
                                                       : palette.color(QPalette::Active, QPalette::Base);
    return colors;
}

CellColors cellColors(const ListCell& cell, bool rowEnabled, bool selected, bool listFocused,
                      const QPalette& palette) {
    if (selected && listFocused) {
        return {palette.color(QPalette::Active, QPalette::HighlightedText),
                palette.color(QPalette::Active, QPalette::Highlight)};
    }
    if (selected) {
        return {palette.color(QPalette::Active, QPalette::WindowText),
                palette.color(QPalette::Active, QPalette::Button)};
    }
    return ownCellColors(cell, rowEnabled, palette);
}

void paintCheckBox(QPainter& p, const QRect& box, bool checked, bool disabled, const QPalette& palette) {
    if (box.isEmpty()) {
        return;
    }
    const int l = box.x();
    const int t = box.y();
    const int r = box.x() + box.width();
    const int b = box.y() + box.height();
    p.fillRect(box, palette.color(QPalette::Active, QPalette::Base));
    // Sunken edge: shadow and dark shadow above and left, highlight and light below and right.
    hLine(p, l, r, t, palette.color(QPalette::Active, QPalette::Mid));
    vLine(p, l, t, b, palette.color(QPalette::Active, QPalette::Mid));
    hLine(p, l, r, b - 1, palette.color(QPalette::Active, QPalette::Light));
    vLine(p, r - 1, t, b, palette.color(QPalette::Active, QPalette::Light));
    hLine(p, l + 1, r - 1, t + 1, palette.color(QPalette::Active, QPalette::Shadow));
    vLine(p, l + 1, t + 1, b - 1, palette.color(QPalette::Active, QPalette::Shadow));
    hLine(p, l + 1, r - 1, b - 2, palette.color(QPalette::Active, QPalette::Midlight));
    vLine(p, r - 2, t + 1, b - 1, palette.color(QPalette::Active, QPalette::Midlight));
    if (checked) {
        const QColor tick = disabled ? palette.color(QPalette::Disabled, QPalette::Text) : QColor(Qt::black);
        p.save();
        p.setClipRect(box);
        for (const QRect& stroke : tickStrokes(l, t)) {
            p.fillRect(stroke, tick);
        }
        p.restore();
    }
}

void CellListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const auto* model = qobject_cast<const CellListModel*>(index.model());
    if (model == nullptr || !model->validCell(index.row(), index.column())) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const ListCell cell = model->cell(index.row(), index.column());
    const bool enabled = model->isRowEnabled(index.row());
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const bool focused = option.widget != nullptr && option.widget->hasFocus();
    const CellColors colors = cellColors(cell, enabled, selected, focused, option.palette);
    const QFont font = cellFont(option.font, cell);

    painter->save();
    painter->setClipRect(option.rect);
    if (cell.progress) {
        painter->fillRect(option.rect, colors.background);
        // The well and the bar keep their colours on a selected row, so the text around them does too.
        paintProgress(*painter, option.rect, cell, ownCellColors(cell, enabled, option.palette),
                      option.palette, font);
    } else if (cell.check != -1) {
        paintCheckCell(*painter, option.rect, cell, colors, !enabled, option.palette, font);
    } else {
        paintTextCell(*painter, option.rect, cell, colors, model->columnAlignment(index.column()), font);
    }
    painter->restore();
}

void CellListDelegate::paintProgress(QPainter& p, const QRect& rect, const ListCell& cell,
                                     const CellColors& own, const QPalette& palette,
                                     const QFont& font) const {
    const ProgressGeometry g = progressGeometry(rect, cell.percent);
    const QColor shadow = palette.color(QPalette::Active, QPalette::Mid);
    hLine(p, g.frameLeft, g.frameRight + 1, g.frameTop, shadow);
    vLine(p, g.frameLeft, g.frameTop, g.frameBottom + 1, shadow);
    vLine(p, g.frameRight, g.frameTop, g.frameBottom + 1, shadow);
    hLine(p, g.frameLeft, g.frameRight + 2, g.frameBottom, shadow);
    p.fillRect(g.well, kWellColor);
    hLine(p, g.well.left(), g.frameRight, g.well.top(), Qt::black);
    vLine(p, g.well.left(), g.well.top(), g.frameBottom, Qt::black);
    if (cell.percent <= 0) {
        return;
    }
    const QColor barColor = palette.color(QPalette::Active, QPalette::Highlight);
    p.fillRect(g.bar, barColor);
    if (!cell.showProgressText) {
        return;
    }
    const QString text = formatProgressText(cell.progressFormat, cell.percent);
    p.setFont(font);
    // Over the bar the text takes the cell's background colour; should that be the bar's own colour
    // the text would vanish, so it takes the highlight-text colour instead.
    const QColor overBar = own.background == barColor
                               ? palette.color(QPalette::Active, QPalette::HighlightedText)
                               : own.background;
    const int barRight = g.bar.x() + g.bar.width();
    p.save();
    p.setClipRect(g.bar.intersected(g.text), Qt::IntersectClip);
    p.setPen(overBar);
    p.drawText(g.text, Qt::AlignCenter | Qt::TextSingleLine, text);
    p.restore();
    p.save();
    p.setClipRect(QRect(barRight, g.text.y(), g.text.x() + g.text.width() - barRight, g.text.height()),
                  Qt::IntersectClip);
    p.setPen(own.text);
    p.drawText(g.text, Qt::AlignCenter | Qt::TextSingleLine, text);
    p.restore();
}

void CellListDelegate::paintCheckCell(QPainter& p, const QRect& rect, const ListCell& cell,
                                      const CellColors& colors, bool disabled, const QPalette& palette,
                                      const QFont& font) const {
    p.fillRect(rect, colors.background);
    const QRect box = checkBoxRect(rect, !cell.text.isEmpty());
    paintCheckBox(p, box, cell.check == 1, disabled, palette);
    if (!cell.text.isEmpty()) {
        const int left = box.x() + box.width() + 4;
        const QRect textRect(left, rect.y(), rect.x() + rect.width() - left, rect.height());
        p.setFont(font);
        p.setPen(colors.text);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(cell.text, Qt::ElideRight, textRect.width()));
    }
}

void CellListDelegate::paintTextCell(QPainter& p, const QRect& rect, const ListCell& cell,
                                     const CellColors& colors, Qt::Alignment alignment,
                                     const QFont& font) const {
    p.fillRect(rect, colors.background);
    QRect textRect = rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    if (cell.image >= 0 && cell.image < m_images.size()) {
        const QPixmap& image = m_images.at(cell.image);
        const QSize size = image.deviceIndependentSize().toSize();
        const QPoint at(rect.x() + kImageMargin, rect.y() + (rect.height() - size.height()) / 2);
        p.drawPixmap(at, image);
        textRect.setLeft(at.x() + size.width() + kTextMargin);
    }
    p.setFont(font);
    p.setPen(colors.text);
    p.drawText(textRect, (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine,
               p.fontMetrics().elidedText(cell.text, Qt::ElideRight, textRect.width()));
}

QSize CellListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(option.fontMetrics.height() + 4);
    return size;
}

} // namespace morvane::widgets
