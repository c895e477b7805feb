#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAbstractItemModel;
class QModelIndex;
class QPainter;

namespace morvane::widgets {

class OptionTree;
class OptionTreeModel;
class OptionTreeView;
class OptionTreeInfoPane;

// Option bits of the control, given at creation.
enum OptionTreeOption : unsigned {
    kOptionTreeShowInfo = 0x1,      // description pane at the bottom
    kOptionTreeNotify = 0x2,        // send notifications (set by EnableNotify)
    kOptionTreeDefaultInfo = 0x4,   // placeholder texts in the description pane when no row has the focus
    kOptionTreeShadeHeadings = 0x8, // rows with children drawn as shaded, bold headings
    kOptionTreeGridLines = 0x10,    // grid lines between rows and along the divider
};

// Notification codes; only these are ever sent.
enum OptionTreeCode : int {
    kOptionTreeItemInserted = -1101,
    kOptionTreeDeleteAll = -1102,
    kOptionTreeItemChanged = -1105,   // a row's value was committed
    kOptionTreeSelChange = -1107,     // the focused row changed (the row, or none)
    kOptionTreeItemExpanding = -1108, // a row is about to expand or collapse; cancellable
    kOptionTreeColumnClick = -1109,   // the divider is about to be dragged; cancellable
    kOptionTreePropClick = -1110,     // a row is about to be activated; cancellable
};

// One row of the option tree. A plain row (type 1) is a heading: it draws nothing in its value column and
// has no editor. The tree owns every inserted row.
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
    // The editor shown over the value column while activated (none for a plain row).
    virtual QWidget* editor() const { return nullptr; }

    // Row hooks, called by the tree.
    virtual void drawValue(QPainter& painter, const QRect& valueRect, const QColor& colour) const;
    virtual void activate();
    virtual void placeEditor(const QRect& valueRect);
    virtual void commit();
    virtual void onSelected() {}
    virtual void onDeselected() {}

protected:
    explicit OptionTreeItem(int type);
    // The window editors are created in (the list pane's viewport), or none before insertion.
    QWidget* editorParent() const;
    // Tells the tree that the value text changed, so the value cell repaints.
    void valueChanged();
    // Shows `widget` as this row's editor: placed, visible and focused.
    void showEditor(QWidget* widget);
    // Lets the tree watch a newly created editor for its keys.
    void editorCreated(QWidget* widget);

private:
    friend class OptionTree;
    friend class OptionTreeModel;

    int m_type = kPlain;
    int m_id = 0;
    OptionTree* m_tree = nullptr;
    OptionTreeItem* m_parent = nullptr;
    std::vector<std::unique_ptr<OptionTreeItem>> m_children;
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

// A property grid: labelled rows in a tree, a label and a value column split by a draggable divider, the
// value of a row edited in place by its editor, and a description pane for the focused row.
class OptionTree : public QWidget {
    Q_OBJECT

public:
    static constexpr int kListPaneId = 30000;
    static constexpr int kInfoPaneHeight = 50; // at least; more when the font needs it
    static constexpr int kInitialDivider = 100;
    static constexpr int kGutterWidth = 16;

    OptionTree(QWidget* parent, unsigned options, int controlId);
    ~OptionTree() override;

    int controlId() const { return m_controlId; }
    unsigned options() const { return m_options; }
    // Sets or clears the notify bit; receivers connect to notify().
    void EnableNotify(bool enable);

    // Appends `item` as the last child of `parent` (top level when none) and returns it; the tree owns it.
    OptionTreeItem* insertItem(std::unique_ptr<OptionTreeItem> item, OptionTreeItem* parent = nullptr);
    template <typename Item>
    Item* insert(std::unique_ptr<Item> item, OptionTreeItem* parent = nullptr) {
        return static_cast<Item*>(insertItem(std::move(item), parent));
    }
    void deleteAllItems();

    OptionTreeItem* focusedItem() const { return m_focused; }
    // Focuses (and selects) `item`, or clears the focus for none; sends the focus notification on a change.
    void setFocusedItem(OptionTreeItem* item);
    // Activates `item` (shows its editor) unless it is a top-level or read-only row or the owner cancels.
    bool activateItem(OptionTreeItem* item);
    // Top-level rows in order.
    int topLevelCount() const;
    OptionTreeItem* topLevelItem(int index) const;

    // Visits the rows below `below` (the root when none) in depth-first pre-order, rows inside collapsed
    // rows included; when `visit` returns false for a row, its children are skipped.
    void enumerate(OptionTreeItem* below, const std::function<bool(OptionTreeItem&)>& visit) const;
    void expandAll();
    // Places the editors of every row below `below` (all rows when none) over their value cells.
    void placeEditors(OptionTreeItem* below = nullptr);

    int dividerPosition() const { return m_divider; }
    void setDividerPosition(int x);

    // The rows visible in display order (rows inside collapsed rows left out).
    std::vector<OptionTreeItem*> visibleItems() const;
    // Where a row's value cell lies, in the list pane's viewport coordinates (empty when not visible).
    QRect valueRect(const OptionTreeItem* item) const;
    QRect labelRect(const OptionTreeItem* item) const;

    QAbstractItemModel* model() const;
    QWidget* listPane() const;
    QWidget* infoPane() const;

Q_SIGNALS:
    // Sent synchronously (connect directly) with option 0x2 only. For -1108, -1109 and -1110 a receiver
    // that sets *cancel to true refuses the action.
    void notify(int code, morvane::widgets::OptionTreeItem* item, bool* cancel);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class OptionTreeItem;
    friend class OptionTreeView;

    // Sends `code` when notifications are on; true when a receiver cancelled.
    bool sendNotify(int code, OptionTreeItem* item);
    QModelIndex indexOf(const OptionTreeItem* item, int column = 0) const;
    OptionTreeItem* itemAt(const QModelIndex& index) const;
    void layoutPanes();
    void itemValueChanged(OptionTreeItem* item);
    void itemLabelChanged(OptionTreeItem* item);
    void syncExpanded(OptionTreeItem* item);
    void clearSelection();
    void selectRow(OptionTreeItem* item);
    void scrollIntoView(OptionTreeItem* item);
    // Toggles a row with children unless the owner cancels; returns true when it changed.
    bool toggleExpanded(OptionTreeItem* item);
    void commitItem(OptionTreeItem* item);
    void onFocusChanged(QWidget* old, QWidget* now);
    bool editorKey(OptionTreeItem* item, int key, Qt::KeyboardModifiers modifiers);
    void listKey(int key, Qt::KeyboardModifiers modifiers, bool* handled);
    OptionTreeItem* itemOwningEditor(const QWidget* widget) const;
    void watchEditor(QWidget* editor);
    void listPress(const QPoint& pos);

    unsigned m_options = 0;
    int m_controlId = 0;
    int m_divider = kInitialDivider;
    int m_nextId = 1;
    std::unique_ptr<OptionTreeItem> m_root;
    OptionTreeItem* m_focused = nullptr;
    OptionTreeModel* m_model = nullptr;
    OptionTreeView* m_view = nullptr;
    OptionTreeInfoPane* m_info = nullptr;
};

} // namespace morvane::widgets
