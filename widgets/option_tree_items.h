#pragma once

#include "widgets/option_tree.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

class QMenu;

namespace morvane::widgets {

// The edit row's single-line field, with the context menu of the edit commands.
class OptionTreeLineEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit OptionTreeLineEdit(QWidget* parent);
    // Builds the context menu with each entry enabled only when it can act.
    QMenu* createEditMenu(QWidget* menuParent);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// A row whose value is a text field (type 6).
class OptionTreeEdit : public OptionTreeItem {
public:
    enum CreateOption : unsigned { kSingleLine = 0x0, kMultiLine = 0x1 };
    static constexpr int kMultiLineHeight = 75;

    OptionTreeEdit();
    ~OptionTreeEdit() override;

    // Creates the field, hidden; the row must be inserted first. Returns false when it cannot.
    bool createWindow(unsigned options = kSingleLine);
    bool isMultiLine() const { return m_multiLine != nullptr; }

    QString text() const;
    void setText(const QString& text);
    OptionTreeLineEdit* lineEdit() const { return m_line; }

    QString valueText() const override { return text(); }
    QWidget* editor() const override;
    void setReadOnly(bool readOnly) override;
    void activate() override;

private:
    QPointer<OptionTreeLineEdit> m_line;
    QPointer<QPlainTextEdit> m_multiLine;
};

// A row whose value is chosen in a combo box (type 4).
class OptionTreeCombo : public OptionTreeItem {
public:
    // Drop-down with an editable text field, or drop-down list (only listed choices).
    enum Style { kDropDown, kDropDownList };

    OptionTreeCombo();
    ~OptionTreeCombo() override;

    // Creates the combo box, hidden; the row must be inserted first. Returns false when it cannot.
    bool createWindow(Style style);
    Style style() const { return m_style; }

    void addString(const QString& text);
    int count() const;
    // Selects the first entry that begins with `prefix` (no regard to case), searching after entry
    // `startAfter` and wrapping round; returns its index or -1 (the selection is then unchanged).
    int selectString(int startAfter, const QString& prefix);
    int currentIndex() const;
    void setCurrentIndex(int index);
    // The text of the editable field (drop-down style); a drop-down list ignores it.
    void setEditText(const QString& text);
    // The current text: the field's text, or the selected entry of a list (empty without selection).
    QString text() const;
    QComboBox* comboBox() const { return m_combo; }

    QString valueText() const override { return text(); }
    QWidget* editor() const override;
    void setReadOnly(bool readOnly) override;

private:
    QPointer<QComboBox> m_combo;
    Style m_style = kDropDownList;
};

} // namespace morvane::widgets
