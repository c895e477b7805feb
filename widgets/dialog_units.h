#pragma once

namespace morvane::widgets {

// A rectangle in dialog units (x, y, width, height) or in pixels.
struct UnitRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const UnitRect&, const UnitRect&) = default;
};

// Converts dialog units to pixels from the dialog font's average character width and height:
// horizontal values are scaled by width / 4, vertical ones by height / 8, rounding to nearest.
UnitRect dialogUnitsToPixels(const UnitRect& units, int averageCharWidth, int charHeight);

} // namespace morvane::widgets

class QWidget;
class QRect;

namespace morvane::widgets {

// Pixel rectangle of a control placed in dialog units on `dialog`, from the dialog font's metrics.
QRect dialogRect(const QWidget& dialog, int x, int y, int width, int height);

} // namespace morvane::widgets
