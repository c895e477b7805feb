#include "widgets/x_header_ctrl.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "widgets/cell_geometry.h"
#include "widgets/cell_list_delegate.h"
#include "widgets/cell_list_model.h"

namespace morvane::widgets {

namespace {

constexpr int kItemMargin = 6;
constexpr int kImageSide = 16;

} // namespace

CXHeaderCtrl::CXHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QHeaderView::sectionClicked, this, &CXHeaderCtrl::onSectionClicked);
}

void CXHeaderCtrl::setImages(const QList<QPixmap>& images) {
    m_images = images;
    viewport()->update();
}

QSize CXHeaderCtrl::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(std::max(fontMetrics().height() + 6, kImageSide + 4));
    return size;
}

void CXHeaderCtrl::onSectionClicked(int logicalIndex) {
    if (auto* cells = qobject_cast<CellListModel*>(model())) {
        cells->headerClicked(logicalIndex);
    }
}

void CXHeaderCtrl::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), palette().color(QPalette::Button));
    }
    QHeaderView::paintEvent(event);
    // A raised frame around the width the columns use.
    const int used = std::min(length() - offset(), viewport()->width());
    if (used <= 0) {
        return;
    }
    QPainter painter(viewport());
    const int bottom = viewport()->height() - 1;
    painter.fillRect(QRect(0, 0, used, 1), palette().color(QPalette::Light));
    painter.fillRect(QRect(0, 0, 1, bottom + 1), palette().color(QPalette::Light));
    painter.fillRect(QRect(0, bottom, used, 1), palette().color(QPalette::Mid));
    painter.fillRect(QRect(used - 1, 0, 1, bottom + 1), palette().color(QPalette::Mid));
}

void CXHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid() || model() == nullptr) {
        return;
    }
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, palette().color(QPalette::Button));
    const int state =
        model()->headerData(logicalIndex, Qt::Horizontal, CellListModel::HeaderCheckRole).toInt();
    const QString caption = model()->headerData(logicalIndex, Qt::Horizontal, Qt::DisplayRole).toString();
    const auto alignment =
        Qt::Alignment(model()->headerData(logicalIndex, Qt::Horizontal, Qt::TextAlignmentRole).toInt());

    QRect textRect = rect.adjusted(kItemMargin, 0, -kItemMargin, 0);
    if (state == CellListModel::HeaderUnchecked || state == CellListModel::HeaderChecked) {
        const int left =
            caption.isEmpty() ? rect.x() + (rect.width() - kImageSide) / 2 : rect.x() + kItemMargin;
        const QRect imageRect(left, rect.y() + (rect.height() - kImageSide) / 2, kImageSide, kImageSide);
        if (state < m_images.size() && !m_images.at(state).isNull()) {
            painter->drawPixmap(imageRect, m_images.at(state));
        } else {
            paintCheckBox(*painter, checkBoxRect(imageRect.adjusted(0, 0, 0, 1), false),
                          state == CellListModel::HeaderChecked, false, palette());
        }
        textRect.setLeft(imageRect.x() + imageRect.width() + kItemMargin);
    }
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(textRect,
                      (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine,
                      fontMetrics().elidedText(caption, Qt::ElideRight, textRect.width()));
    // Separator: a shadow line and a highlight line at the item's right edge.
    const int top = rect.y() + 2;
    const int height = std::max(0, rect.height() - 4);
    painter->fillRect(QRect(rect.right() - 1, top, 1, height), palette().color(QPalette::Mid));
    painter->fillRect(QRect(rect.right(), top, 1, height), palette().color(QPalette::Light));
    painter->restore();
}

} // namespace morvane::widgets
