#include "widgets/option_tree.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

#include "widgets/option_tree_delegate.h"
#include "widgets/option_tree_geometry.h"
#include "widgets/option_tree_info_pane.h"
#include "widgets/option_tree_model.h"
#include "widgets/option_tree_view.h"

namespace morvane::widgets {

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
    m_delegate = new OptionTreeDelegate(this, m_view);
    m_view->setItemDelegate(m_delegate);
    // The editors are the tree's, not the view's: their values go to the rows through the tree.
    QObject::disconnect(m_delegate, &QAbstractItemDelegate::commitData, m_view, nullptr);
    connect(m_delegate, &OptionTreeDelegate::commitData, this, &OptionTree::writeEditor);
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
        placeEditor(row);
        return true;
    });
    m_view->viewport()->update();
}

QWidget* OptionTree::editorOf(OptionTreeItem* item) {
    if (item == nullptr || item->m_tree != this || !item->hasEditor()) {
        return nullptr;
    }
    if (item->m_editor == nullptr) {
        const QModelIndex index = indexOf(item, 1);
        QStyleOptionViewItem option;
        option.rect = m_view->visualRect(index);
        QWidget* editor = m_delegate->createEditor(m_view->viewport(), option, index);
        if (editor == nullptr) {
            return nullptr;
        }
        editor->hide();
        m_delegate->setEditorData(editor, index);
        item->m_editor = editor;
        watchEditor(editor);
    }
    return item->m_editor;
}

void OptionTree::fillEditor(OptionTreeItem& item) {
    if (item.m_editor != nullptr) {
        m_delegate->setEditorData(item.m_editor, indexOf(&item, 1));
    }
}

void OptionTree::placeEditor(OptionTreeItem& item) {
    QWidget* editor = item.m_editor;
    if (editor == nullptr) {
        return;
    }
    const QModelIndex index = indexOf(&item, 1);
    if (item.m_activated && valueRect(&item).isValid()) {
        QStyleOptionViewItem option;
        option.rect = m_view->visualRect(index);
        m_delegate->updateEditorGeometry(editor, option, index);
        editor->show();
    } else {
        editor->hide();
    }
}

void OptionTree::closeEditor(OptionTreeItem& item) {
    QWidget* editor = item.m_editor;
    if (editor == nullptr) {
        return;
    }
    m_delegate->setModelData(editor, m_model, indexOf(&item, 1));
    item.m_editor = nullptr;
    editor->hide();
    // The editor may be the one whose key closed it: it goes once that key is handled.
    editor->deleteLater();
}

void OptionTree::writeEditor(QWidget* editor) {
    if (OptionTreeItem* item = itemOwningEditor(editor); item != nullptr && item->m_editor == editor) {
        m_delegate->setModelData(editor, m_model, indexOf(item, 1));
    }
}

void OptionTree::rowHeightChanged() {
    m_view->doItemsLayout();
    placeEditors();
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
    moveFocus(item);
    if (item != nullptr && m_focused == item) {
        scrollIntoView(item);
    }
}

void OptionTree::moveFocus(OptionTreeItem* item) {
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
}

bool OptionTree::activateItem(OptionTreeItem* item) {
    if (item == nullptr || item->m_tree != this || item->isTopLevel() || item->isReadOnly() ||
        !item->hasEditor()) {
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
        const QWidget* editor = row.m_editor;
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
        if (up == item->m_editor) {
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
            m_view->startDividerDrag();
        }
        return;
    case OptionTreeHit::ExpandButton:
        toggleExpanded(item);
        return;
    case OptionTreeHit::Value:
    case OptionTreeHit::Label: {
        const bool onValue = hitTestOptionRow(pos.x(), row) == OptionTreeHit::Value;
        moveFocus(item);
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
