#pragma once

#include <QString>

#include <span>

#include "app/file_list.h"
#include "app/main_window_layout.h"
#include "widgets/dialog_template.h"

class QAbstractButton;
class QWidget;

namespace morvane::app {

// The window's template: every control with its id, kind, caption and rectangle in dialog units.
std::span<const widgets::DialogControl> mainWindowControls();
// The first controls of the table lie in the left part of the window, the others in the right one.
inline constexpr std::size_t kLeftPartControls = 15;

// One column of the file list: its caption (translated in the "MainWindow" context) and alignment.
struct ColumnLayout {
    const char* caption;
    Qt::Alignment alignment;
};
const std::array<ColumnLayout, kColumnCount>& fileListColumns();

// The resource path of one of the program's pictures by its number.
QString resourcePicture(int number);
// The picture-button row of a control id, or null for a control that is not one.
const PictureButtonRow* pictureButtonRow(int id);
QAbstractButton* createPictureButton(const PictureButtonRow& entry, QWidget& parent);

} // namespace morvane::app
