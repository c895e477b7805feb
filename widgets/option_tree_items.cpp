#include "widgets/option_tree_items.h"

#include "widgets/option_tree_geometry.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>

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

OptionTreeEdit::~OptionTreeEdit() {
    delete m_line.data();
    delete m_multiLine.data();
}

bool OptionTreeEdit::createWindow(unsigned options) {
    QWidget* parent = editorParent();
    if (parent == nullptr || editor() != nullptr) {
        return false;
    }
    QWidget* created = nullptr;
    if ((options & kMultiLine) != 0) {
        m_multiLine = new QPlainTextEdit(parent);
        m_multiLine->setFrameShape(QFrame::NoFrame);
        QObject::connect(m_multiLine, &QPlainTextEdit::textChanged, m_multiLine, [this] { valueChanged(); });
        m_multiLine->setReadOnly(isReadOnly());
        created = m_multiLine;
        setHeight(kMultiLineHeight);
    } else {
        m_line = new OptionTreeLineEdit(parent);
        m_line->setFrame(false);
        QObject::connect(m_line, &QLineEdit::textChanged, m_line, [this] { valueChanged(); });
        m_line->setReadOnly(isReadOnly());
        created = m_line;
    }
    editorCreated(created);
    return true;
}

QString OptionTreeEdit::text() const {
    if (m_line) {
        return m_line->text();
    }
    if (m_multiLine) {
        return m_multiLine->toPlainText();
    }
    return {};
}

void OptionTreeEdit::setText(const QString& text) {
    if (m_line) {
        m_line->setText(text);
        m_line->setCursorPosition(0);
    } else if (m_multiLine) {
        m_multiLine->setPlainText(text);
    }
}

QWidget* OptionTreeEdit::editor() const {
    if (m_line) {
        return m_line;
    }
    return m_multiLine;
}

void OptionTreeEdit::setReadOnly(bool readOnly) {
    if (m_line) {
        m_line->setReadOnly(readOnly);
    }
    if (m_multiLine) {
        m_multiLine->setReadOnly(readOnly);
    }
    OptionTreeItem::setReadOnly(readOnly);
}

void OptionTreeEdit::activate() {
    OptionTreeItem::activate();
    if (isActivated() && m_line) {
        // The caret at the start and nothing selected.
        m_line->deselect();
        m_line->setCursorPosition(0);
    }
}

// ---------------------------------------------------------------------------------------------------
// Combo rows.

OptionTreeCombo::OptionTreeCombo() : OptionTreeItem(kCombo) {}

OptionTreeCombo::~OptionTreeCombo() {
    delete m_combo.data();
}

bool OptionTreeCombo::createWindow(Style style) {
    QWidget* parent = editorParent();
    if (parent == nullptr || m_combo) {
        return false;
    }
    m_style = style;
    m_combo = new QComboBox(parent);
    m_combo->setEditable(style == kDropDown);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setFrame(false);
    m_combo->setEnabled(!isReadOnly());
    QObject::connect(m_combo, &QComboBox::currentIndexChanged, m_combo, [this] { valueChanged(); });
    QObject::connect(m_combo, &QComboBox::editTextChanged, m_combo, [this] { valueChanged(); });
    editorCreated(m_combo);
    return true;
}

void OptionTreeCombo::addString(const QString& text) {
    if (!m_combo) {
        return;
    }
    // A list starts without a selection; the first entry added must not select itself.
    const int before = m_combo->currentIndex();
    const QString editText = m_combo->isEditable() ? m_combo->currentText() : QString();
    m_combo->addItem(text);
    if (before < 0) {
        m_combo->setCurrentIndex(-1);
        if (m_combo->isEditable()) {
            m_combo->setEditText(editText);
        }
    }
}

int OptionTreeCombo::count() const {
    return m_combo ? m_combo->count() : 0;
}

int OptionTreeCombo::selectString(int startAfter, const QString& prefix) {
    if (!m_combo) {
        return -1;
    }
    std::vector<QString> entries;
    entries.reserve(static_cast<std::size_t>(m_combo->count()));
    for (int i = 0; i < m_combo->count(); ++i) {
        entries.push_back(m_combo->itemText(i));
    }
    const int found = findEntryByPrefix(entries, startAfter, prefix);
    if (found >= 0) {
        m_combo->setCurrentIndex(found);
    }
    return found;
}

int OptionTreeCombo::currentIndex() const {
    return m_combo ? m_combo->currentIndex() : -1;
}

void OptionTreeCombo::setCurrentIndex(int index) {
    if (m_combo) {
        m_combo->setCurrentIndex(index);
    }
}

void OptionTreeCombo::setEditText(const QString& text) {
    if (m_combo && m_combo->isEditable()) {
        m_combo->setEditText(text);
    }
}

QString OptionTreeCombo::text() const {
    if (!m_combo) {
        return {};
    }
    if (m_combo->isEditable()) {
        return m_combo->currentText();
    }
    const int index = m_combo->currentIndex();
    return index < 0 ? QString() : m_combo->itemText(index);
}

QWidget* OptionTreeCombo::editor() const {
    return m_combo;
}

void OptionTreeCombo::setReadOnly(bool readOnly) {
    if (m_combo) {
        m_combo->setEnabled(!readOnly);
    }
    OptionTreeItem::setReadOnly(readOnly);
}

} // namespace morvane::widgets
