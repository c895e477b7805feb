#pragma once

#include "widgets/option_tree.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStringList>

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

    // Makes the row editable, with a single-line or a multi-line field that the tree's delegate makes
    // when the row opens; the row must be inserted first. Returns false when it cannot, or did before.
    bool createWindow(unsigned options = kSingleLine);
    bool isMultiLine() const { return m_multiLine; }

    QString text() const { return m_text; }
    void setText(const QString& text);
    // The single-line field (made, hidden, when none is open), or none.
    OptionTreeLineEdit* lineEdit();

    QString valueText() const override { return text(); }
    bool hasEditor() const override { return m_editable; }
    QVariant editData(int role) const override;
    bool setEditData(const QVariant& value, int role) override;
    void activate() override;

private:
    QString m_text;
    bool m_editable = false;
    bool m_multiLine = false;
};

// A row whose value is chosen in a combo box (type 4).
class OptionTreeCombo : public OptionTreeItem {
public:
    // Drop-down with an editable text field, or drop-down list (only listed choices).
    enum Style { kDropDown, kDropDownList };

    OptionTreeCombo();
    ~OptionTreeCombo() override;

    // Makes the row editable with a combo box of `style` that the tree's delegate makes when the row
    // opens; the row must be inserted first. Returns false when it cannot, or did before.
    bool createWindow(Style style);
    Style style() const { return m_style; }

    void addString(const QString& text);
    int count() const { return static_cast<int>(m_entries.size()); }
    // Selects the first entry that begins with `prefix` (no regard to case), searching after entry
    // `startAfter` and wrapping round; returns its index or -1 (the selection is then unchanged).
    int selectString(int startAfter, const QString& prefix);
    int currentIndex() const { return m_current; }
    // Selects entry `index`; any other number clears the selection (and a drop-down's text).
    void setCurrentIndex(int index);
    // The text of the editable field (drop-down style); a drop-down list ignores it.
    void setEditText(const QString& text);
    // What a drop-down list shows while none of its entries is selected.
    void setPlaceholderText(const QString& text);
    // The current text: the field's text, or the selected entry of a list (empty without selection).
    QString text() const;
    // The combo box (made, hidden, when none is open), or none.
    QComboBox* comboBox();

    QString valueText() const override { return text(); }
    bool hasEditor() const override { return m_editable; }
    QVariant editData(int role) const override;
    bool setEditData(const QVariant& value, int role) override;

private:
    QStringList m_entries;
    int m_current = -1;
    QString m_editText;
    QString m_placeholder;
    Style m_style = kDropDownList;
    bool m_editable = false;
};

} // namespace morvane::widgets
