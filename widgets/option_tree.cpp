#include "widgets/option_tree.h"

#include "widgets/option_tree_geometry.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCoreApplication>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace morvane::widgets {

// ---------------------------------------------------------------------------------------------------
// The model: two columns (label, value) over the rows.

class OptionTreeModel : public QAbstractItemModel {
public:
    OptionTreeModel(OptionTreeItem* root, QObject* parent) : QAbstractItemModel(parent), m_root(root) {}

    OptionTreeItem* item(const QModelIndex& index) const {
        return index.isValid() ? static_cast<OptionTreeItem*>(index.internalPointer()) : m_root;
    }

    QModelIndex indexOf(const OptionTreeItem* item, int column) const {
        if (item == nullptr || item == m_root || item->m_parent == nullptr) {
            return {};
        }
        return createIndex(rowOf(item), column, const_cast<OptionTreeItem*>(item));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        if (!hasIndex(row, column, parent)) {
            return {};
        }
        return createIndex(row, column, item(parent)->m_children[static_cast<std::size_t>(row)].get());
    }

    QModelIndex parent(const QModelIndex& child) const override {
        if (!child.isValid()) {
            return {};
        }
        return indexOf(item(child)->m_parent, 0);
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        if (parent.isValid() && parent.column() != 0) {
            return 0;
        }
        return item(parent)->childCount();
    }

    int columnCount(const QModelIndex& = {}) const override { return 2; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) {
            return {};
        }
        const OptionTreeItem* row = item(index);
        switch (role) {
        case Qt::DisplayRole:
            return index.column() == 0 ? row->label() : row->valueText();
        case Qt::ToolTipRole:
        case Qt::StatusTipRole:
            return row->description();
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) {
            return Qt::NoItemFlags;
        }
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (item(index)->childCount() == 0) {
            flags |= Qt::ItemNeverHasChildren;
        }
        return flags;
    }

    void append(OptionTreeItem* parent, std::unique_ptr<OptionTreeItem> child) {
        const int row = parent->childCount();
        beginInsertRows(indexOf(parent, 0), row, row);
        child->m_parent = parent;
        parent->m_children.push_back(std::move(child));
        endInsertRows();
    }

    void clear() {
        // The rows die after the reset: deleting a focused editor reports a focus change, and whoever
        // hears of it must find a consistent (empty) tree.
        std::vector<std::unique_ptr<OptionTreeItem>> doomed;
        beginResetModel();
        doomed.swap(m_root->m_children);
        endResetModel();
        doomed.clear();
    }

    void cellChanged(const OptionTreeItem* row, int column) {
        const QModelIndex index = indexOf(row, column);
        if (index.isValid()) {
            Q_EMIT dataChanged(index, index);
        }
    }

private:
    static int rowOf(const OptionTreeItem* item) {
        const auto& siblings = item->m_parent->m_children;
        for (std::size_t i = 0; i < siblings.size(); ++i) {
            if (siblings[i].get() == item) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    OptionTreeItem* m_root = nullptr;
};

namespace {

QColor greyText(const QPalette& palette) {
    return palette.color(QPalette::Disabled, QPalette::Text);
}

bool drawsGrey(const OptionTree& tree, const OptionTreeItem& item) {
    return item.isReadOnly() || !tree.isEnabled();
}

// Paints the rows: labels between the gutter and the divider, values from 5 pixels right of the divider.
class OptionTreeDelegate : public QStyledItemDelegate {
public:
    OptionTreeDelegate(OptionTree* tree, QObject* parent) : QStyledItemDelegate(parent), m_tree(tree) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto* item = static_cast<const OptionTreeItem*>(index.internalPointer());
        if (item == nullptr) {
            return;
        }
        const QPalette& palette = option.palette;
        const bool grey = drawsGrey(*m_tree, *item);
        const bool heading = (m_tree->options() & kOptionTreeShadeHeadings) != 0 && item->childCount() > 0;
        painter->save();
        if (index.column() == 0) {
            QColor background = heading ? palette.color(QPalette::Button) : item->labelBackground();
            QColor text = grey ? greyText(palette) : item->labelText();
            if (item->isSelected()) {
                background = palette.color(QPalette::Highlight);
                text = palette.color(QPalette::HighlightedText);
            }
            painter->fillRect(option.rect, background);
            QFont font = option.font;
            font.setBold(heading);
            painter->setFont(font);
            painter->setPen(text);
            const QRect textRect = option.rect.adjusted(2, 0, -2, 0);
            const QString shown =
                QFontMetrics(font).elidedText(item->label(), Qt::ElideRight, textRect.width());
            painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        } else {
            painter->fillRect(option.rect,
                              heading ? palette.color(QPalette::Button) : item->valueBackground());
            if (!item->isActivated() || item->editor() == nullptr || !item->editor()->isVisible()) {
                painter->setFont(option.font);
                item->drawValue(*painter, option.rect.adjusted(5, 0, 0, 0),
                                grey ? greyText(palette) : item->valueTextColour());
            }
        }
        if ((m_tree->options() & kOptionTreeGridLines) != 0) {
            painter->setPen(palette.color(QPalette::Button));
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const auto* item = static_cast<const OptionTreeItem*>(index.internalPointer());
        const int height = item != nullptr ? item->height() : 18;
        // Never clip a label in a font taller than the default row.
        return {option.rect.width(), std::max(height, option.fontMetrics.height() + 2)};
    }

    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override {
        // Rows own their editors for the whole life of the row; the view never makes its own.
        return nullptr;
    }

private:
    OptionTree* m_tree = nullptr;
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// The list pane.

class OptionTreeView : public QTreeView {
public:
    explicit OptionTreeView(OptionTree* tree) : QTreeView(tree), m_tree(tree) {
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

    bool draggingDivider() const { return m_dragging; }

protected:
    bool event(QEvent* event) override {
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

    void keyPressEvent(QKeyEvent* event) override {
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

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            return;
        }
        m_tree->listPress(event->position().toPoint());
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override { mousePressEvent(event); }

    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint pos = event->position().toPoint();
        if (m_dragging) {
            m_tree->setDividerPosition(clampOptionDivider(pos.x(), viewport()->width()));
            return;
        }
        const bool overDivider = indexAt(pos).isValid() &&
                                 std::abs(pos.x() - m_tree->dividerPosition()) <= kOptionTreeDividerSlack;
        viewport()->setCursor(overDivider ? Qt::SplitHCursor : Qt::ArrowCursor);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            m_dragging = false;
        }
    }

    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override {
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

    void paintEvent(QPaintEvent* event) override {
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

    void scrollContentsBy(int dx, int dy) override {
        QTreeView::scrollContentsBy(dx, dy);
        m_tree->placeEditors();
    }

    void resizeEvent(QResizeEvent* event) override {
        QTreeView::resizeEvent(event);
        m_tree->placeEditors();
    }

private:
    friend class OptionTree;
    OptionTree* m_tree = nullptr;
    bool m_dragging = false;
};

// ---------------------------------------------------------------------------------------------------
// The description pane.

class OptionTreeInfoPane : public QFrame {
public:
    explicit OptionTreeInfoPane(OptionTree* tree) : QFrame(tree), m_tree(tree) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, colours.color(QPalette::Button));
        setPalette(colours);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QString title;
        QString text;
        if (const OptionTreeItem* item = m_tree->focusedItem()) {
            title = item->label();
            text = item->description();
        } else if ((m_tree->options() & kOptionTreeDefaultInfo) != 0) {
            title = QCoreApplication::translate("OptionTree", "No Item Selected");
            text = QCoreApplication::translate("OptionTree", "Select an item to see its description.");
        }
        QPainter painter(this);
        const QRect area = contentsRect().adjusted(4, 4, -4, -4);
        painter.setPen(isEnabled() ? palette().color(QPalette::ButtonText) : greyText(palette()));
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        const QFontMetrics boldMetrics(bold);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         boldMetrics.elidedText(title, Qt::ElideRight, area.width()));
        painter.setFont(font());
        painter.drawText(area.adjusted(0, boldMetrics.height(), 0, 0),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    }

private:
    OptionTree* m_tree = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Rows.

OptionTreeItem::OptionTreeItem() : OptionTreeItem(kPlain) {}

OptionTreeItem::OptionTreeItem(int type) : m_type(type) {}

OptionTreeItem::~OptionTreeItem() = default;

OptionTreeItem* OptionTreeItem::parent() const {
    if (m_parent == nullptr || m_parent->m_parent == nullptr) {
        return nullptr; // the hidden root
    }
    return m_parent;
}

OptionTreeItem* OptionTreeItem::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    return m_children[static_cast<std::size_t>(index)].get();
}

bool OptionTreeItem::isTopLevel() const {
    return m_parent != nullptr && m_parent->m_parent == nullptr;
}

void OptionTreeItem::setLabel(const QString& label) {
    m_label = label;
    if (m_tree != nullptr) {
        m_tree->itemLabelChanged(this);
    }
}

void OptionTreeItem::setDescription(const QString& description) {
    m_description = description;
    if (m_tree != nullptr) {
        m_tree->itemLabelChanged(this);
    }
}

void OptionTreeItem::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    if (m_tree != nullptr) {
        m_tree->itemLabelChanged(this);
        m_tree->itemValueChanged(this);
    }
}

void OptionTreeItem::setExpanded(bool expanded) {
    m_expanded = expanded;
    if (m_tree != nullptr) {
        m_tree->syncExpanded(this);
    }
}

void OptionTreeItem::setHeight(int height) {
    m_height = std::max(1, height);
    if (m_tree != nullptr && m_tree->m_view != nullptr) {
        m_tree->m_view->doItemsLayout();
        m_tree->placeEditors();
    }
}

void OptionTreeItem::setColours(const QColor& labelBackground, const QColor& valueBackground,
                                const QColor& labelText, const QColor& valueText) {
    m_labelBackground = labelBackground;
    m_valueBackground = valueBackground;
    m_labelText = labelText;
    m_valueTextColour = valueText;
    if (m_tree != nullptr) {
        m_tree->itemLabelChanged(this);
        m_tree->itemValueChanged(this);
    }
}

void OptionTreeItem::drawValue(QPainter& painter, const QRect& valueRect, const QColor& colour) const {
    const QString text = valueText();
    if (text.isEmpty()) {
        return;
    }
    painter.setPen(colour);
    const bool multiLine = m_height > 18 && text.contains(QLatin1Char('\n'));
    if (multiLine) {
        painter.drawText(valueRect.adjusted(0, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         text);
        return;
    }
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, valueRect.width() - 2);
    painter.drawText(valueRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

void OptionTreeItem::activate() {
    QWidget* widget = editor();
    if (widget == nullptr) {
        return; // a plain row has nothing to edit
    }
    m_activated = true;
    m_committed = false;
    showEditor(widget);
}

void OptionTreeItem::placeEditor(const QRect& valueRect) {
    QWidget* widget = editor();
    if (widget == nullptr) {
        return;
    }
    if (m_activated && valueRect.isValid()) {
        widget->setGeometry(valueRect);
        widget->show();
    } else {
        widget->hide();
    }
}

void OptionTreeItem::commit() {
    m_activated = false;
    if (m_committed) {
        return;
    }
    m_committed = true;
    QWidget* widget = editor();
    if (widget != nullptr) {
        if (m_tree != nullptr && (widget->hasFocus() || widget->isAncestorOf(QApplication::focusWidget()))) {
            // Keep the focus inside the control rather than letting it wander off with the hidden editor.
            m_tree->listPane()->setFocus(Qt::OtherFocusReason);
        }
        widget->hide();
    }
    if (m_tree != nullptr) {
        m_tree->sendNotify(kOptionTreeItemChanged, this);
        m_tree->placeEditors();
        m_tree->itemValueChanged(this);
    }
}

QWidget* OptionTreeItem::editorParent() const {
    return m_tree != nullptr && m_tree->m_view != nullptr ? m_tree->m_view->viewport() : nullptr;
}

void OptionTreeItem::valueChanged() {
    if (m_tree != nullptr) {
        m_tree->itemValueChanged(this);
    }
}

void OptionTreeItem::showEditor(QWidget* widget) {
    if (m_tree != nullptr) {
        placeEditor(m_tree->valueRect(this));
        m_tree->itemValueChanged(this);
    }
    widget->show();
    widget->raise();
    widget->setFocus(Qt::OtherFocusReason);
}

void OptionTreeItem::editorCreated(QWidget* widget) {
    widget->hide();
    if (m_tree != nullptr) {
        m_tree->watchEditor(widget);
    }
}

// ---------------------------------------------------------------------------------------------------
// The control.

OptionTree::OptionTree(QWidget* parent, unsigned options, int controlId)
    : QWidget(parent), m_options(options), m_controlId(controlId),
      m_root(std::make_unique<OptionTreeItem>()) {
    m_root->m_tree = this;
    m_root->m_expanded = true;
    m_model = new OptionTreeModel(m_root.get(), this);
    m_view = new OptionTreeView(this);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new OptionTreeDelegate(this, m_view));
    m_view->header()->resizeSection(0, m_divider);
    m_info = new OptionTreeInfoPane(this);
    m_info->setVisible((m_options & kOptionTreeShowInfo) != 0);
    setFocusProxy(m_view);
    connect(qApp, &QApplication::focusChanged, this, &OptionTree::onFocusChanged);
    layoutPanes();
}

OptionTree::~OptionTree() {
    // Deleting a focused editor moves the focus; this half-destroyed control must not hear of it.
    disconnect(qApp, &QApplication::focusChanged, this, &OptionTree::onFocusChanged);
    m_focused = nullptr;
    m_model->clear();
}

void OptionTree::EnableNotify(bool enable) {
    if (enable) {
        m_options |= kOptionTreeNotify;
    } else {
        m_options &= ~static_cast<unsigned>(kOptionTreeNotify);
    }
}

bool OptionTree::sendNotify(int code, OptionTreeItem* item) {
    if ((m_options & kOptionTreeNotify) == 0 || code < kOptionTreePropClick ||
        code > kOptionTreeItemInserted) {
        return false;
    }
    bool cancel = false;
    Q_EMIT notify(code, item, &cancel);
    return cancel;
}

OptionTreeItem* OptionTree::insertItem(std::unique_ptr<OptionTreeItem> item, OptionTreeItem* parent) {
    if (!item || item->m_tree != nullptr) {
        return nullptr;
    }
    OptionTreeItem* owner = parent != nullptr ? parent : m_root.get();
    if (owner->m_tree != this) {
        return nullptr;
    }
    OptionTreeItem* row = item.get();
    row->m_tree = this;
    row->m_id = m_nextId++;
    const QPalette& colours = palette();
    if (!row->m_labelBackground.isValid()) {
        row->m_labelBackground = colours.color(QPalette::Base);
    }
    if (!row->m_valueBackground.isValid()) {
        row->m_valueBackground = colours.color(QPalette::Base);
    }
    if (!row->m_labelText.isValid()) {
        row->m_labelText = colours.color(QPalette::ButtonText);
    }
    if (!row->m_valueTextColour.isValid()) {
        row->m_valueTextColour = colours.color(QPalette::ButtonText);
    }
    m_model->append(owner, std::move(item));
    syncExpanded(row);
    if (owner != m_root.get()) {
        syncExpanded(owner);
    }
    sendNotify(kOptionTreeItemInserted, row);
    m_view->viewport()->update();
    return row;
}

void OptionTree::deleteAllItems() {
    m_focused = nullptr;
    m_model->clear();
    m_info->update();
    sendNotify(kOptionTreeDeleteAll, nullptr);
}

int OptionTree::topLevelCount() const {
    return m_root->childCount();
}

OptionTreeItem* OptionTree::topLevelItem(int index) const {
    return m_root->child(index);
}

void OptionTree::enumerate(OptionTreeItem* below, const std::function<bool(OptionTreeItem&)>& visit) const {
    const OptionTreeItem* start = below != nullptr ? below : m_root.get();
    // Explicit stack, children pushed in reverse so they come off in order.
    std::vector<OptionTreeItem*> pending;
    for (auto it = start->m_children.rbegin(); it != start->m_children.rend(); ++it) {
        pending.push_back(it->get());
    }
    while (!pending.empty()) {
        OptionTreeItem* row = pending.back();
        pending.pop_back();
        if (!visit(*row)) {
            continue;
        }
        for (auto it = row->m_children.rbegin(); it != row->m_children.rend(); ++it) {
            pending.push_back(it->get());
        }
    }
}

void OptionTree::expandAll() {
    enumerate(nullptr, [](OptionTreeItem& row) {
        row.m_expanded = true;
        return true;
    });
    m_view->expandAll();
    placeEditors();
}

void OptionTree::placeEditors(OptionTreeItem* below) {
    enumerate(below, [this](OptionTreeItem& row) {
        row.placeEditor(valueRect(&row));
        return true;
    });
    m_view->viewport()->update();
}

void OptionTree::setDividerPosition(int x) {
    m_divider = x;
    m_view->header()->resizeSection(0, x);
    placeEditors();
}

std::vector<OptionTreeItem*> OptionTree::visibleItems() const {
    std::vector<OptionTreeItem*> rows;
    enumerate(nullptr, [&rows](OptionTreeItem& row) {
        rows.push_back(&row);
        return row.isExpanded();
    });
    return rows;
}

QRect OptionTree::valueRect(const OptionTreeItem* item) const {
    for (const OptionTreeItem* up = item != nullptr ? item->parent() : nullptr; up != nullptr;
         up = up->parent()) {
        if (!up->isExpanded()) {
            return {};
        }
    }
    const QModelIndex index = indexOf(item, 1);
    if (!index.isValid()) {
        return {};
    }
    return m_view->visualRect(index).adjusted(1, 0, 0, -1);
}

QRect OptionTree::labelRect(const OptionTreeItem* item) const {
    const QModelIndex index = indexOf(item, 0);
    return index.isValid() ? m_view->visualRect(index) : QRect();
}

QAbstractItemModel* OptionTree::model() const {
    return m_model;
}

QWidget* OptionTree::listPane() const {
    return m_view;
}

QWidget* OptionTree::infoPane() const {
    return m_info;
}

QModelIndex OptionTree::indexOf(const OptionTreeItem* item, int column) const {
    if (item == nullptr || item->m_tree != this) {
        return {};
    }
    return m_model->indexOf(item, column);
}

OptionTreeItem* OptionTree::itemAt(const QModelIndex& index) const {
    return index.isValid() ? m_model->item(index) : nullptr;
}

void OptionTree::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPanes();
}

void OptionTree::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        m_view->viewport()->update();
        m_info->update();
    }
}

void OptionTree::layoutPanes() {
    const bool info = (m_options & kOptionTreeShowInfo) != 0;
    // The strip is 50 pixels, or taller when the running font needs it for a title and two lines.
    QFont bold = font();
    bold.setBold(true);
    const int needed =
        QFontMetrics(bold).height() + 2 * fontMetrics().height() + 8 + 2 * m_info->frameWidth();
    const int infoHeight = std::max(kInfoPaneHeight, needed);
    const int listHeight = info ? std::max(0, height() - infoHeight) : height();
    m_view->setGeometry(0, 0, width(), listHeight);
    if (info) {
        m_info->setGeometry(0, listHeight, width(), height() - listHeight);
    }
}

void OptionTree::itemValueChanged(OptionTreeItem* item) {
    m_model->cellChanged(item, 1);
}

void OptionTree::itemLabelChanged(OptionTreeItem* item) {
    m_model->cellChanged(item, 0);
    if (item == m_focused) {
        m_info->update();
    }
}

void OptionTree::syncExpanded(OptionTreeItem* item) {
    const QModelIndex index = indexOf(item);
    if (index.isValid()) {
        m_view->setExpanded(index, item->m_expanded);
        placeEditors();
    }
}

void OptionTree::clearSelection() {
    enumerate(nullptr, [](OptionTreeItem& row) {
        if (row.m_selected) {
            row.m_selected = false;
            row.onDeselected();
        }
        return true;
    });
    m_view->viewport()->update();
}

void OptionTree::selectRow(OptionTreeItem* item) {
    item->m_selected = true;
    item->onSelected();
    m_view->viewport()->update();
}

void OptionTree::scrollIntoView(OptionTreeItem* item) {
    for (OptionTreeItem* up = item->parent(); up != nullptr; up = up->parent()) {
        if (!up->m_expanded) {
            up->setExpanded(true);
        }
    }
    const QModelIndex index = indexOf(item);
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    m_view->scrollTo(index);
}

void OptionTree::setFocusedItem(OptionTreeItem* item) {
    if (item != nullptr && item->m_tree != this) {
        return;
    }
    clearSelection();
    if (item != nullptr) {
        selectRow(item);
    }
    const bool changed = item != m_focused;
    m_focused = item;
    m_info->update();
    if (changed) {
        sendNotify(kOptionTreeSelChange, item);
    }
    if (item != nullptr && m_focused == item) {
        scrollIntoView(item);
    }
}

bool OptionTree::activateItem(OptionTreeItem* item) {
    if (item == nullptr || item->m_tree != this || item->isTopLevel() || item->isReadOnly() ||
        item->editor() == nullptr) {
        return false;
    }
    if (sendNotify(kOptionTreePropClick, item)) {
        return false;
    }
    item->activate();
    return item->isActivated();
}

bool OptionTree::toggleExpanded(OptionTreeItem* item) {
    if (item == nullptr || item->childCount() == 0) {
        return false;
    }
    if (sendNotify(kOptionTreeItemExpanding, item)) {
        return false;
    }
    item->setExpanded(!item->isExpanded());
    return true;
}

void OptionTree::commitItem(OptionTreeItem* item) {
    if (item != nullptr && item->isActivated()) {
        item->commit();
    }
}

OptionTreeItem* OptionTree::itemOwningEditor(const QWidget* widget) const {
    OptionTreeItem* owner = nullptr;
    enumerate(nullptr, [&owner, widget](OptionTreeItem& row) {
        const QWidget* editor = row.editor();
        if (owner == nullptr && editor != nullptr) {
            // Walk up across window boundaries too: a combo's drop-down list is a window of its own.
            for (const QWidget* up = widget; up != nullptr; up = up->parentWidget()) {
                if (up == editor) {
                    owner = &row;
                    break;
                }
            }
        }
        return owner == nullptr;
    });
    return owner;
}

void OptionTree::onFocusChanged(QWidget* old, QWidget* now) {
    if (old == nullptr || now == nullptr) {
        return; // the focus left the program: the editor stays open
    }
    OptionTreeItem* item = itemOwningEditor(old);
    if (item == nullptr || !item->isActivated()) {
        return;
    }
    for (const QWidget* up = now; up != nullptr; up = up->parentWidget()) {
        if (up == item->editor()) {
            return; // still inside the row's own editor (or its drop-down)
        }
    }
    if (now == this || isAncestorOf(now)) {
        commitItem(item);
    }
}

void OptionTree::watchEditor(QWidget* editor) {
    editor->installEventFilter(this);
    for (QWidget* child : editor->findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

bool OptionTree::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    OptionTreeItem* item = itemOwningEditor(static_cast<QWidget*>(watched));
    if (item != nullptr && editorKey(item, key->key(), key->modifiers())) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool OptionTree::editorKey(OptionTreeItem* item, int key, Qt::KeyboardModifiers modifiers) {
    const bool singleLine = item->type() == OptionTreeItem::kEdit && item->height() < 75;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && singleLine) {
        commitItem(item);
        return true;
    }
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        // Tab in an editor commits it and moves on, as it does in the list pane.
        m_view->setFocus(Qt::OtherFocusReason);
        bool handled = false;
        listKey(key, modifiers, &handled);
        return true;
    }
    return false;
}

void OptionTree::listKey(int key, Qt::KeyboardModifiers modifiers, bool* handled) {
    *handled = false;
    if (!isEnabled()) {
        return;
    }
    const std::vector<OptionTreeItem*> rows = visibleItems();
    if (rows.empty()) {
        return;
    }
    auto position = std::find(rows.begin(), rows.end(), m_focused);
    const bool hasFocus = position != rows.end();
    auto previous = [&]() -> OptionTreeItem* {
        if (!hasFocus) {
            return rows.front();
        }
        return position == rows.begin() ? nullptr : *(position - 1);
    };
    auto next = [&]() -> OptionTreeItem* {
        if (!hasFocus) {
            return rows.front();
        }
        return position + 1 == rows.end() ? nullptr : *(position + 1);
    };
    auto moveTo = [this](OptionTreeItem* row) {
        if (row != nullptr) {
            setFocusedItem(row);
        }
    };
    const bool backwards = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier) != 0;
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        // Tab walks the settings; from a heading (or past the ends) it leaves the control as usual.
        if (!hasFocus || m_focused->isTopLevel()) {
            return;
        }
        OptionTreeItem* target = backwards ? previous() : next();
        if (target == nullptr) {
            return;
        }
        setFocusedItem(target);
        activateItem(target);
        break;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        activateItem(m_focused);
        break;
    case Qt::Key_Home:
        moveTo(rows.front());
        break;
    case Qt::Key_End:
        moveTo(rows.back());
        break;
    case Qt::Key_Up:
        moveTo(previous());
        break;
    case Qt::Key_Down:
        moveTo(next());
        break;
    case Qt::Key_Left:
        if (hasFocus && m_focused->childCount() > 0 && m_focused->isExpanded()) {
            toggleExpanded(m_focused);
        } else {
            moveTo(previous());
        }
        break;
    case Qt::Key_Right:
        if (hasFocus && m_focused->childCount() > 0 && !m_focused->isExpanded()) {
            toggleExpanded(m_focused);
        } else {
            moveTo(next());
        }
        break;
    default:
        return;
    }
    *handled = true;
}

void OptionTree::listPress(const QPoint& pos) {
    if (!isEnabled()) {
        return;
    }
    m_view->setFocus(Qt::MouseFocusReason);
    const QModelIndex index = m_view->indexAt(pos);
    OptionTreeItem* item = itemAt(index.siblingAtColumn(0));
    if (item == nullptr) {
        clearSelection();
        m_focused = nullptr;
        m_info->update();
        sendNotify(kOptionTreeSelChange, nullptr);
        return;
    }
    OptionTreeRowGeometry row;
    row.dividerX = m_divider;
    row.gutterLeft = labelRect(item).left() - kGutterWidth;
    row.gutterWidth = kGutterWidth;
    row.hasChildren = item->childCount() > 0;
    switch (hitTestOptionRow(pos.x(), row)) {
    case OptionTreeHit::Divider:
        if (!sendNotify(kOptionTreeColumnClick, item)) {
            m_view->m_dragging = true;
        }
        return;
    case OptionTreeHit::ExpandButton:
        toggleExpanded(item);
        return;
    case OptionTreeHit::Value:
    case OptionTreeHit::Label: {
        const bool onValue = hitTestOptionRow(pos.x(), row) == OptionTreeHit::Value;
        clearSelection();
        selectRow(item);
        const bool changed = item != m_focused;
        m_focused = item;
        m_info->update();
        if (changed) {
            sendNotify(kOptionTreeSelChange, item);
        }
        if (onValue) {
            activateItem(item);
        }
        scrollIntoView(item);
        return;
    }
    case OptionTreeHit::None:
        return;
    }
}

} // namespace morvane::widgets
