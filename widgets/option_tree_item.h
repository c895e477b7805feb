#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>
#include <vector>

class QPainter;

namespace morvane::widgets {

class OptionTree;

// Model roles beyond the toolkit's own, through which the delegate fills and reads a row's editor.
enum OptionTreeRole : int {
    kOptionTreeTypeRole = Qt::UserRole + 1, // the row's type (OptionTreeItem::Type)
    kOptionTreeReadOnlyRole,                // the row shows its value but takes no edits
    kOptionTreeMultiLineRole,               // an edit row whose field holds several lines
    kOptionTreeEditableRole,                // a combo row whose text field takes free text
    kOptionTreeChoicesRole,                 // a combo row's entries (a string list)
    kOptionTreeCurrentRole,                 // a combo row's selected entry, -1 for none
    kOptionTreePlaceholderRole,             // what a combo row's list shows without a selection
};

// One row of the option tree. A plain row (type 1) is a heading: it draws nothing in its value column and
// has no editor. The tree owns every inserted row. A row keeps its value itself; while it is being edited
// the tree's delegate makes an editor over its value cell, fills it from the row and writes every change
// back, and the editor goes when the row is committed.
class OptionTreeItem {
public:
    enum Type { kPlain = 1, kCombo = 4, kEdit = 6 };

    OptionTreeItem();
    virtual ~OptionTreeItem();
    OptionTreeItem(const OptionTreeItem&) = delete;
    OptionTreeItem& operator=(const OptionTreeItem&) = delete;

    int type() const { return m_type; }
    int id() const { return m_id; }
    OptionTree* tree() const { return m_tree; }
    // The row's parent, or none for a top-level row (the hidden root is never returned).
    OptionTreeItem* parent() const;
    int childCount() const { return static_cast<int>(m_children.size()); }
    OptionTreeItem* child(int index) const;
    bool isTopLevel() const;

    QString label() const { return m_label; }
    void setLabel(const QString& label);
    QString description() const { return m_description; }
    void setDescription(const QString& description);

    bool isReadOnly() const { return m_readOnly; }
    virtual void setReadOnly(bool readOnly);
    bool isSelected() const { return m_selected; }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    bool isActivated() const { return m_activated; }
    bool isCommitted() const { return m_committed; }

    int height() const { return m_height; }
    void setHeight(int height);

    void setItemData(void* data) { m_itemData = data; }
    void* itemData() const { return m_itemData; }

    QColor labelBackground() const { return m_labelBackground; }
    QColor valueBackground() const { return m_valueBackground; }
    QColor labelText() const { return m_labelText; }
    QColor valueTextColour() const { return m_valueTextColour; }
    void setColours(const QColor& labelBackground, const QColor& valueBackground, const QColor& labelText,
                    const QColor& valueText);

    // The text shown in the value column while the row is not being edited.
    virtual QString valueText() const { return {}; }
    // Whether the row has an editor to open (a plain row has none).
    virtual bool hasEditor() const { return false; }
    // The row's editor over its value column: the open one, or a new hidden one made by the tree's
    // delegate; none for a row without an editor or before insertion.
    QWidget* editor();
    // The editor open now, or none; never makes one.
    QWidget* currentEditor() const { return m_editor; }

    // The row's value as the model gives it to the delegate (see OptionTreeRole), and as the delegate
    // writes it back; false when the row takes no value of that role.
    virtual QVariant editData(int role) const;
    virtual bool setEditData(const QVariant& value, int role);

    // Row hooks, called by the tree.
    virtual void drawValue(QPainter& painter, const QRect& valueRect, const QColor& colour) const;
    virtual void activate();
    virtual void commit();
    virtual void onSelected() {}
    virtual void onDeselected() {}

protected:
    explicit OptionTreeItem(int type);
    // Tells the tree that the value changed: the value cell repaints and an open editor shows the value.
    void valueChanged();

private:
    friend class OptionTree;
    friend class OptionTreeModel;

    int m_type = kPlain;
    int m_id = 0;
    OptionTree* m_tree = nullptr;
    OptionTreeItem* m_parent = nullptr;
    std::vector<std::unique_ptr<OptionTreeItem>> m_children;
    QPointer<QWidget> m_editor; // a child of the list pane's viewport
    QString m_label;
    QString m_description;
    int m_height = 18;
    bool m_selected = false;
    bool m_expanded = false;
    bool m_activated = false;
    bool m_readOnly = false;
    bool m_committed = false;
    void* m_itemData = nullptr;
    QColor m_labelBackground;
    QColor m_valueBackground;
    QColor m_labelText;
    QColor m_valueTextColour;
};

} // namespace morvane::widgets
