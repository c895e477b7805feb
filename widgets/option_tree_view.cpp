#include "widgets/option_tree_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cstdlib>

#include "widgets/option_tree.h"
#include "widgets/option_tree_geometry.h"

namespace morvane::widgets {

OptionTreeView::OptionTreeView(OptionTree* tree) : QTreeView(tree), m_tree(tree) {
    setObjectName(QStringLiteral("optionTreeList"));
    setProperty("controlId", OptionTree::kListPaneId);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setIndentation(OptionTree::kGutterWidth);
    setUniformRowHeights(false);
    setExpandsOnDoubleClick(false);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
    // The 2-pixel border in the button-face colour around the window-coloured rows.
    setViewportMargins(2, 2, 2, 2);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    setMouseTracking(true);
    header()->setMinimumSectionSize(1);
    header()->setStretchLastSection(true);
}

bool OptionTreeView::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            bool handled = false;
            m_tree->listKey(key->key(), key->modifiers(), &handled);
            if (handled) {
                return true;
            }
        }
    }
    return QTreeView::event(event);
}

void OptionTreeView::keyPressEvent(QKeyEvent* event) {
    if (!hasFocus()) {
        // A key an open editor left alone (Up in a text field) must not move the rows under it.
        event->ignore();
        return;
    }
    bool handled = false;
    m_tree->listKey(event->key(), event->modifiers(), &handled);
    if (!handled) {
        event->ignore();
    }
}

void OptionTreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_tree->listPress(event->position().toPoint());
}

void OptionTreeView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_dragging) {
        m_tree->setDividerPosition(clampOptionDivider(pos.x(), viewport()->width()));
        return;
    }
    const bool overDivider =
        indexAt(pos).isValid() && std::abs(pos.x() - m_tree->dividerPosition()) <= kOptionTreeDividerSlack;
    viewport()->setCursor(overDivider ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void OptionTreeView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
    }
}

void OptionTreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    const auto* item = static_cast<const OptionTreeItem*>(index.internalPointer());
    const QPalette& colours = palette();
    const bool heading =
        (m_tree->options() & kOptionTreeShadeHeadings) != 0 && item != nullptr && item->childCount() > 0;
    painter->fillRect(rect, heading ? colours.color(QPalette::Button) : colours.color(QPalette::Base));
    if (item == nullptr || item->childCount() == 0) {
        return;
    }
    // The expand button: a 9-pixel box with a plus or a minus, in the last gutter of the row.
    const QRect gutter(rect.right() - OptionTree::kGutterWidth + 1, rect.top(), OptionTree::kGutterWidth,
                       rect.height());
    const QRect box(gutter.center().x() - 4, gutter.center().y() - 4, 8, 8);
    painter->save();
    painter->setPen(colours.color(QPalette::Dark));
    painter->setBrush(colours.color(QPalette::Base));
    painter->drawRect(box);
    painter->setPen(colours.color(QPalette::Text));
    const int cy = box.center().y() + 1;
    const int cx = box.center().x() + 1;
    painter->drawLine(box.left() + 2, cy, box.right() - 2, cy);
    if (!item->isExpanded()) {
        painter->drawLine(cx, box.top() + 2, cx, box.bottom() - 2);
    }
    painter->restore();
}

void OptionTreeView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if ((m_tree->options() & kOptionTreeGridLines) == 0) {
        return;
    }
    // The divider line along the rows.
    int bottom = 0;
    const std::vector<OptionTreeItem*> rows = m_tree->visibleItems();
    if (!rows.empty()) {
        bottom = visualRect(m_tree->indexOf(rows.back())).bottom();
    }
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(m_tree->dividerPosition(), 0, m_tree->dividerPosition(), bottom);
}

void OptionTreeView::scrollContentsBy(int dx, int dy) {
    QTreeView::scrollContentsBy(dx, dy);
    m_tree->placeEditors();
}

void OptionTreeView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    m_tree->placeEditors();
}

} // namespace morvane::widgets
