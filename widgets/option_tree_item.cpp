#include "widgets/option_tree_item.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

#include "widgets/option_tree.h"

namespace morvane::widgets {

OptionTreeItem::OptionTreeItem() : OptionTreeItem(kPlain) {}

OptionTreeItem::OptionTreeItem(int type) : m_type(type) {}

OptionTreeItem::~OptionTreeItem() {
    delete m_editor.data();
}

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
        valueChanged();
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
    if (m_tree != nullptr) {
        m_tree->rowHeightChanged();
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

QWidget* OptionTreeItem::editor() {
    return m_tree != nullptr ? m_tree->editorOf(this) : nullptr;
}

QVariant OptionTreeItem::editData(int role) const {
    switch (role) {
    case kOptionTreeTypeRole:
        return m_type;
    case kOptionTreeReadOnlyRole:
        return m_readOnly;
    default:
        return {};
    }
}

bool OptionTreeItem::setEditData(const QVariant& /*value*/, int /*role*/) {
    return false;
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
    QWidget* widget = hasEditor() ? editor() : nullptr;
    if (widget == nullptr) {
        return; // a plain row has nothing to edit
    }
    m_activated = true;
    m_committed = false;
    m_tree->placeEditor(*this);
    m_tree->itemValueChanged(this);
    widget->show();
    widget->raise();
    widget->setFocus(Qt::OtherFocusReason);
}

void OptionTreeItem::commit() {
    m_activated = false;
    if (m_committed) {
        return;
    }
    m_committed = true;
    if (m_tree == nullptr) {
        return;
    }
    if (const QWidget* widget = m_editor;
        widget != nullptr && (widget->hasFocus() || widget->isAncestorOf(QApplication::focusWidget()))) {
        // Keep the focus inside the control rather than letting it wander off with the closed editor.
        m_tree->listPane()->setFocus(Qt::OtherFocusReason);
    }
    m_tree->closeEditor(*this);
    m_tree->sendNotify(kOptionTreeItemChanged, this);
    m_tree->placeEditors();
    m_tree->itemValueChanged(this);
}

void OptionTreeItem::valueChanged() {
    if (m_tree != nullptr) {
        m_tree->itemValueChanged(this);
        m_tree->fillEditor(*this);
    }
}

} // namespace morvane::widgets
