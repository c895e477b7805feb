#pragma once

// Dialogs laid out from a table of controls, each with its id, kind, text and rectangle in dialog
// units, created by one loop. A control whose text does not fit its rectangle in the running font
// grows, and the dialog grows with its controls: a caption is never clipped.

#include <QRect>

#include <functional>
#include <span>
#include <vector>

#include "widgets/dialog_units.h"

class QFont;
class QSize;
class QWidget;

namespace morvane::widgets {

enum class ControlKind {
    Label,             // static text
    GroupBox,          // a frame without a title; created first so that the controls inside lie above it
    Edit,              // single-line text field
    CheckBox,          // text vertically centred
    PushButton,        //
    DefaultPushButton, // Enter presses it
    Picture,           // an icon or picture, scaled into the rectangle
    Custom,            // made by the dialog's own factory
};

struct DialogControl {
    int id = 0; // the control's number; 0 for a control that has none
    ControlKind kind = ControlKind::Label;
    const char* text =
        nullptr;   // caption (marked QT_TRANSLATE_NOOP("Dialog", ...)), or a Picture's resource path
    UnitRect rect; // in dialog units
    const char* name = nullptr; // object name the dialog and its tests find the control by
};

// Creates a Custom control; the table's loop places it like the others.
using ControlFactory = std::function<QWidget*(const DialogControl&, QWidget& dialog)>;

// Creates the table's controls on `dialog` in table order, names them and places them, each grown
// to its text. Returns them in table order (null where a Custom control's factory gave none).
std::vector<QWidget*> createDialogControls(QWidget& dialog, std::span<const DialogControl> table,
                                           const ControlFactory& custom = {});

// Places `control` on `dialog` at a rectangle in dialog units; a label or a button grows to its size
// hint. Returns the pixel rectangle it got.
QRect placeControl(QWidget& control, const QWidget& dialog, const UnitRect& rect);

// A placed rectangle grown to hold `needed`: it keeps its left edge and its vertical centre and
// never shrinks.
QRect grownToFit(const QRect& placed, const QSize& needed);

// A control's rectangle from the template and the one it grew to, in pixels.
struct PlacedControl {
    QRect placed;
    QRect grown;
    bool frame = false; // frames neither move nor push
};

// Moves controls aside for the ones that grew: a control that lies right of another on the same line
// moves right as far as needed to keep the template's gap after that one's grown (and moved) right
// edge, and at least off it where the template let them overlap. Moves the `grown` rectangles.
void makeRoomForGrownControls(std::span<PlacedControl> controls);

// Fixes the dialog's size: the template's size in dialog units, grown so that every child lies
// inside with the template's right and bottom margin (the distance of the furthest control from
// the template's edge, at least a few pixels).
void fixDialogSize(QWidget& dialog, int widthUnits, int heightUnits);

// The font a dialog is laid out with on a screen whose free area is `available`: `font` itself when
// the dialog laid out with it fits, else the largest smaller size, in steps of half a point (or of a
// pixel for a font sized in pixels), down to `smallestPoints`, at which it fits; the smallest when
// none does. Every dialog unit follows the font, so the layout keeps its proportions. `sizeAt` lays
// the dialog out with a font and gives the size it takes.
QFont fittingDialogFont(const QFont& font, const QSize& available, double smallestPoints,
                        const std::function<QSize(const QFont&)>& sizeAt);

} // namespace morvane::widgets
