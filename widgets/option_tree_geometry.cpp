#include "widgets/option_tree_geometry.h"

#include <QString>

#include <algorithm>
#include <cstdlib>

namespace morvane::widgets {

OptionTreeHit hitTestOptionRow(int x, const OptionTreeRowGeometry& row) {
    if (std::abs(x - row.dividerX) <= kOptionTreeDividerSlack) {
        return OptionTreeHit::Divider;
    }
    if (x < row.gutterLeft + row.gutterWidth) {
        if (row.hasChildren && x >= row.gutterLeft) {
            return OptionTreeHit::ExpandButton;
        }
        return x < row.dividerX ? OptionTreeHit::Label : OptionTreeHit::Value;
    }
    return x > row.dividerX ? OptionTreeHit::Value : OptionTreeHit::Label;
}

int clampOptionDivider(int x, int paneWidth, int gutterWidth) {
    const int low = gutterWidth + 4;
    const int high = std::max(low, paneWidth - 20);
    return std::clamp(x, low, high);
}

EditMenuState editMenuState(const EditFieldFacts& facts) {
    EditMenuState state;
    const bool writable = !facts.readOnly;
    state.undo = facts.canUndo && writable;
    state.cut = facts.hasSelection && writable;
    state.copy = facts.hasSelection;
    state.paste = facts.clipboardHasText && writable;
    state.del = facts.hasSelection && writable;
    state.selectAll = facts.hasText;
    return state;
}

int findEntryByPrefix(const std::vector<QString>& entries, int startAfter, const QString& prefix) {
    const int count = static_cast<int>(entries.size());
    if (count == 0) {
        return -1;
    }
    const int first = (startAfter < -1 || startAfter >= count) ? 0 : startAfter + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        if (entries[static_cast<std::size_t>(index)].startsWith(prefix, Qt::CaseInsensitive)) {
            return index;
        }
    }
    return -1;
}

} // namespace morvane::widgets
