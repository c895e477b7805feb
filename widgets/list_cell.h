#pragma once

#include <QColor>
#include <QString>

namespace morvane::widgets {

// What the file list keeps for one cell: its text and how it is drawn (plain text with an optional
// image, a check box, or a progress bar with its percentage).
struct ListCell {
    QString text;
    // Only the first cell of a row counts: a disabled row is drawn in the grey-text colour and
    // ignores clicks.
    bool enabled = true;
    bool bold = false;
    // Index into the list's image list, -1 for none.
    int image = -1;
    QString tipText;
    // An invalid colour stands for the palette's own (window text, window), so a palette change
    // reaches every cell that was never given a colour of its own.
    QColor textColor;
    QColor backgroundColor;
    bool progress = false;
    int percent = 0;
    // printf-style text with the percent as its one argument; empty means "%d%%".
    QString progressFormat;
    bool showProgressText = true;
    // -1 no check box, 0 unchecked, 1 checked.
    int check = -1;
    // The row's user pointer, meaningful in the first cell only.
    void* itemData = nullptr;
};

} // namespace morvane::widgets
