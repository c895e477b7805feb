#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "widgets/option_tree_item.h"

class QAbstractItemModel;
class QModelIndex;

namespace morvane::widgets {

class OptionTreeDelegate;
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
    // Selects `item` (none clears the selection) as the focused row; notifies a change of focus.
    void moveFocus(OptionTreeItem* item);
    // Toggles a row with children unless the owner cancels; returns true when it changed.
    bool toggleExpanded(OptionTreeItem* item);
    void commitItem(OptionTreeItem* item);
    // A row's editor: the open one, or one the delegate makes, filled and hidden (none for a row
    // without an editor).
    QWidget* editorOf(OptionTreeItem* item);
    // The open editor of `item` shows the row's value again.
    void fillEditor(OptionTreeItem& item);
    // The open editor of `item` covers its value cell while the row is activated and visible.
    void placeEditor(OptionTreeItem& item);
    // Writes the open editor's value to the row and lets the editor go.
    void closeEditor(OptionTreeItem& item);
    // An editor's value changed: it goes to its row at once.
    void writeEditor(QWidget* editor);
    void rowHeightChanged();
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
    OptionTreeDelegate* m_delegate = nullptr;
    OptionTreeInfoPane* m_info = nullptr;
};

} // namespace morvane::widgets
