#include "widgets/dialog_units.h"

namespace morvane::widgets {

namespace {
int scale(int value, int factor, int divisor) {
    // Rounds half away from zero, as the window system does for dialog templates.
    const int product = value * factor;
    return product >= 0 ? (product + divisor / 2) / divisor : -((-product + divisor / 2) / divisor);
}
} // namespace

UnitRect dialogUnitsToPixels(const UnitRect& units, int averageCharWidth, int charHeight) {
    return UnitRect{scale(units.x, averageCharWidth, 4), scale(units.y, charHeight, 8),
                    scale(units.width, averageCharWidth, 4), scale(units.height, charHeight, 8)};
}

} // namespace morvane::widgets

#include <QFontMetrics>
#include <QRect>
#include <QWidget>

namespace morvane::widgets {

QRect dialogRect(const QWidget& dialog, int x, int y, int width, int height) {
    const QFontMetrics metrics(dialog.font());
    // The average character width the window system uses: the width of the 52 Latin letters / 52.
    const int averageWidth =
        (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
             26 +
         1) /
        2;
    const auto r = dialogUnitsToPixels(UnitRect{x, y, width, height}, averageWidth, metrics.height());
    return {r.x, r.y, r.width, r.height};
}

} // namespace morvane::widgets
