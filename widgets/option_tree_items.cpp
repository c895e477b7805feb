#include "widgets/option_tree_items.h"

#include "widgets/option_tree_geometry.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>

namespace morvane::widgets {

// ---------------------------------------------------------------------------------------------------
// The edit row's field.

OptionTreeLineEdit::OptionTreeLineEdit(QWidget* parent) : QLineEdit(parent) {}

QMenu* OptionTreeLineEdit::createEditMenu(QWidget* menuParent) {
    EditFieldFacts facts;
    facts.canUndo = isUndoAvailable();
    facts.readOnly = isReadOnly();
    facts.hasSelection = hasSelectedText();
    const QClipboard* clipboard = QGuiApplication::clipboard();
    facts.clipboardHasText = clipboard != nullptr && !clipboard->text().isEmpty();
    facts.hasText = !text().isEmpty();
    const EditMenuState state = editMenuState(facts);

    auto* menu = new QMenu(menuParent);
    auto add = [this, menu](const QString& text, bool enabled, auto slot) {
        QAction* action = menu->addAction(text);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, slot);
    };
    add(QCoreApplication::translate("OptionTree", "&Undo"), state.undo, &QLineEdit::undo);
    menu->addSeparator();
    add(QCoreApplication::translate("OptionTree", "Cu&t"), state.cut, &QLineEdit::cut);
    add(QCoreApplication::translate("OptionTree", "&Copy"), state.copy, &QLineEdit::copy);
    add(QCoreApplication::translate("OptionTree", "&Paste"), state.paste, &QLineEdit::paste);
    add(QCoreApplication::translate("OptionTree", "&Delete"), state.del, &QLineEdit::del);
    menu->addSeparator();
    add(QCoreApplication::translate("OptionTree", "Select &All"), state.selectAll, &QLineEdit::selectAll);
    return menu;
}

void OptionTreeLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createEditMenu(nullptr));
    menu->exec(event->globalPos());
}

// ---------------------------------------------------------------------------------------------------
// Edit rows.

OptionTreeEdit::OptionTreeEdit() : OptionTreeItem(kEdit) {}

OptionTreeEdit::~OptionTreeEdit() = default;

bool OptionTreeEdit::createWindow(unsigned options) {
    if (tree() == nullptr || m_editable) {
        return false;
    }
    m_editable = true;
    m_multiLine = (options & kMultiLine) != 0;
    if (m_multiLine) {
        setHeight(kMultiLineHeight);
    }
    return true;
}

void OptionTreeEdit::setText(const QString& text) {
    m_text = text;
    valueChanged();
}

OptionTreeLineEdit* OptionTreeEdit::lineEdit() {
    return m_multiLine ? nullptr : qobject_cast<OptionTreeLineEdit*>(editor());
}

QVariant OptionTreeEdit::editData(int role) const {
    switch (role) {
    case Qt::EditRole:
        return m_text;
    case kOptionTreeMultiLineRole:
        return m_multiLine;
    default:
        return OptionTreeItem::editData(role);
    }
}

bool OptionTreeEdit::setEditData(const QVariant& value, int role) {
    if (role != Qt::EditRole) {
        return false;
    }
    m_text = value.toString();
    return true;
}

void OptionTreeEdit::activate() {
    OptionTreeItem::activate();
    if (auto* line = qobject_cast<QLineEdit*>(currentEditor()); isActivated() && line != nullptr) {
        // The caret at the start and nothing selected.
        line->deselect();
        line->setCursorPosition(0);
    }
}

// ---------------------------------------------------------------------------------------------------
// Combo rows.

OptionTreeCombo::OptionTreeCombo() : OptionTreeItem(kCombo) {}

OptionTreeCombo::~OptionTreeCombo() = default;

bool OptionTreeCombo::createWindow(Style style) {
    if (tree() == nullptr || m_editable) {
        return false;
    }
    m_editable = true;
    m_style = style;
    return true;
}

void OptionTreeCombo::addString(const QString& text) {
    if (!m_editable) {
        return;
    }
    // A list starts without a selection: an added entry does not select itself.
    m_entries.append(text);
    valueChanged();
}

int OptionTreeCombo::selectString(int startAfter, const QString& prefix) {
    if (!m_editable) {
        return -1;
    }
    const std::vector<QString> entries(m_entries.begin(), m_entries.end());
    const int found = findEntryByPrefix(entries, startAfter, prefix);
    if (found >= 0) {
        setCurrentIndex(found);
    }
    return found;
}

void OptionTreeCombo::setCurrentIndex(int index) {
    if (!m_editable) {
        return;
    }
    m_current = index >= 0 && index < count() ? index : -1;
    if (m_style == kDropDown) {
        m_editText = m_current >= 0 ? m_entries[m_current] : QString();
    }
    valueChanged();
}

void OptionTreeCombo::setEditText(const QString& text) {
    if (m_editable && m_style == kDropDown) {
        m_editText = text;
        valueChanged();
    }
}

void OptionTreeCombo::setPlaceholderText(const QString& text) {
    m_placeholder = text;
    valueChanged();
}

QString OptionTreeCombo::text() const {
    if (m_style == kDropDown) {
        return m_editText;
    }
    return m_current < 0 ? QString() : m_entries[m_current];
}

QComboBox* OptionTreeCombo::comboBox() {
    return qobject_cast<QComboBox*>(editor());
}

QVariant OptionTreeCombo::editData(int role) const {
    switch (role) {
    case Qt::EditRole:
        return text();
    case kOptionTreeEditableRole:
        return m_style == kDropDown;
    case kOptionTreeChoicesRole:
        return m_entries;
    case kOptionTreeCurrentRole:
        return m_current;
    case kOptionTreePlaceholderRole:
        return m_placeholder;
    default:
        return OptionTreeItem::editData(role);
    }
}

bool OptionTreeCombo::setEditData(const QVariant& value, int role) {
    if (role == kOptionTreeCurrentRole) {
        const int index = value.toInt();
        m_current = index >= 0 && index < count() ? index : -1;
        return true;
    }
    if (role == Qt::EditRole && m_style == kDropDown) {
        m_editText = value.toString();
        return true;
    }
    return false;
}

} // namespace morvane::widgets
