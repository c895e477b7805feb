#pragma once

#include <array>
#include <string>
#include <vector>

namespace morvane::app {

// Control ids of the main window.
enum ControlId : int {
    kIdFileList = 1001,
    kIdProfileCombo = 1004,
    kIdOutputEdit = 1005,
    kIdAdd = 1006,
    kIdRemove = 1007,
    kIdMoveUp = 1009,
    kIdMoveDown = 1011,
    kIdSplit = 1012,
    kIdBrowse = 1014,
    kIdStart = 1015,
    kIdStop = 1018,
    kIdOpen = 1019,
    kIdPanelFrame = 1020,
    kIdMore = 1022,
    kIdShutdownCheck = 1039,
    kIdOpenFolderCheck = 1040,
    kIdPlay = 1046,
    kIdPreviewSlider = 1077,
    kIdRewind = 1078,
    kIdPreviewPicture = 1079,
    kIdPause = 1080,
    kIdPreviewStop = 1081,
    kIdFastForward = 1082,
};

// Menu command ids: the More menu, the list's context menu and the menu bar.
enum CommandId : int {
    kCmdMenuAdd = 32771,
    kCmdMenuRemove = 32772,
    kCmdMenuRemoveAll = 32773,
    kCmdMenuExit = 32774,
    kCmdMenuCheckAll = 32775,
    kCmdMenuUncheckAll = 32776,
    kCmdMenuUp = 32777,
    kCmdMenuDown = 32778,
    kCmdMenuAbout = 32779,
    kCmdMenuHelp = 32781,
    kCmdHelp = 32782,
    kCmdAbout = 32783,
    kCmdConfigure = 32784,
    kCmdAdd = 32785,
    kCmdRemove = 32787,
    kCmdRemoveAll = 32788,
    kCmdSplit = 32789,
    kCmdPlay = 32790,
};

// The window's client area in dialog units.
inline constexpr int kMainWindowWidth = 436;
inline constexpr int kMainWindowHeight = 262;

// The three pictures (hover, normal, pressed) and the tooltip of a picture button.
struct PictureButtonRow {
    int id = 0;
    std::array<int, 3> bitmaps{};
    const char* tooltip = "";
};
const std::vector<PictureButtonRow>& pictureButtons();

// One entry of a menu: a command id and its text, or a separator (id 0, no text), or a submenu.
struct MenuEntry {
    int id = 0;
    const char* text = "";
    std::vector<MenuEntry> children;
};
// The More menu, the list's context menu and the window's menu bar.
const std::vector<MenuEntry>& moreMenu();
const std::vector<MenuEntry>& contextMenu();
const std::vector<MenuEntry>& menuBar();
// The context-menu commands greyed while a batch runs.
bool greyedDuringBatch(int commandId);

} // namespace morvane::app

namespace morvane::app {

// The six column widths of a file list `listWidth` pixels wide: W = listWidth - 2, the first five
// W × 3, 20, 8, 6, 6 / 64 (cut toward zero), the Status column what is left less 2.
std::array<int, 6> fileListColumnWidths(int listWidth);

// Widths widened where a column's content needs more than the rule gives (`minimums`), the room
// taken from the Video File column as far as that keeps its own minimum; the total stays the same
// unless the Video File column has no room left.
std::array<int, 6> widenedColumnWidths(std::array<int, 6> widths, const std::array<int, 6>& minimums);

// The open-file dialog's filter: description and pattern pairs separated by bars.
inline constexpr const char* kOpenFileFilter =
    "All Files (*.*)|*.*|QuickTime (*.mov) | *.mov|VCD Video file (*.dat) | *.dat|Real Media File "
    "(*.rm;*.rmvb) "
    "| *.rm;*.rmvb|MP4 (*.mp4) | *.mp4|3GP (*.3gp) | *.3gp|mpg (*.mpg) | *.mpg;*.mpeg|Flash Video Format "
    "(*.flv) | *.flv|avi (*.avi) | *.avi|wmv (*.wmv)| *.wmv|asf (*.asf) | *.asf |JPEG (*.jpg)|*.jpg|Bitmap "
    "(*.bmp)|*.bmp|Gif (*.gif)|*.gif||";

// Turns such a filter into the file dialog's entries "Description (pattern pattern ...)": the
// description without its own bracketed pattern text, the patterns separated by blanks, "*.*"
// matching every file, and each extension also in upper case (names on this system keep their case).
std::vector<std::string> fileDialogFilters(const std::string& barSeparated);

} // namespace morvane::app
