#pragma once

#include <vector>

class QString;

namespace morvane::widgets {

// What lies under the pointer in one row of the option tree's list pane.
enum class OptionTreeHit { None, Divider, ExpandButton, Label, Value };

// Pixel layout of the list pane that the hit test needs.
struct OptionTreeRowGeometry {
    int dividerX = 100;   // the column divider, from the pane's left edge
    int gutterLeft = 0;   // left edge of this row's expand-button gutter (grows with the row's depth)
    int gutterWidth = 16; // width of the gutter
    bool hasChildren = false;
};

// The divider is grabbed within this many pixels on either side.
inline constexpr int kOptionTreeDividerSlack = 3;

// Hit test of a pointer x inside a row: divider first (it may overlap the label's end), then the
// expand button (only rows with children have one), then the value column right of the divider.
OptionTreeHit hitTestOptionRow(int x, const OptionTreeRowGeometry& row);

// Where a dragged divider may go in a pane `paneWidth` pixels wide: never into the gutter and never so
// far right that the value column disappears.
int clampOptionDivider(int x, int paneWidth, int gutterWidth = 16);

// Which entries of the edit field's context menu can act.
struct EditMenuState {
    bool undo = false;
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool del = false;
    bool selectAll = false;
    friend bool operator==(const EditMenuState&, const EditMenuState&) = default;
};

struct EditFieldFacts {
    bool canUndo = false;
    bool readOnly = false;
    bool hasSelection = false;
    bool clipboardHasText = false;
    bool hasText = false;
};

EditMenuState editMenuState(const EditFieldFacts& facts);

// The combo box's select-by-prefix search: the first entry whose beginning equals `prefix` without
// regard to case, searching from the entry after `startAfter` to the last and then from the first
// (-1 searches the whole list from its start). An empty prefix matches the first entry searched.
// Returns the entry's index, or -1 when none matches.
int findEntryByPrefix(const std::vector<QString>& entries, int startAfter, const QString& prefix);

} // namespace morvane::widgets
