#include "app/main_window_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>

#include <algorithm>
#include <array>

#include "app/file_list_rows.h"
#include "app/main_window.h"
#include "platform/translation.h"
#include "preview/video_host.h"
#include "profiles/parameter_panel.h"
#include "widgets/cell_list_ctrl.h"
#include "widgets/image_button.h"
#include "widgets/option_tree.h"

namespace morvane::app {

namespace {

using widgets::ControlKind;

const std::array<widgets::DialogControl, 23> kControls{{
    {kIdAdd, ControlKind::Custom, nullptr, {12, 8, 24, 23}, "addButton"},
    {kIdRemove, ControlKind::Custom, nullptr, {53, 8, 24, 23}, "removeButton"},
    {kIdSplit, ControlKind::Custom, nullptr, {94, 8, 24, 23}, "splitButton"},
    {kIdStart, ControlKind::Custom, nullptr, {135, 8, 24, 23}, "startButton"},
    {kIdStop, ControlKind::Custom, nullptr, {178, 8, 24, 23}, "stopButton"},
    {kIdMore, ControlKind::Custom, nullptr, {262, 8, 24, 23}, "moreButton"},
    {kIdFileList, ControlKind::Custom, nullptr, {6, 39, 283, 152}, "fileList"},
    {0, ControlKind::Label, QT_TRANSLATE_NOOP("Dialog", "Profile:"), {10, 197, 23, 10}, "profileLabel"},
    // A drop-down's template height holds its open list; the closed box is one line high.
    {kIdProfileCombo, ControlKind::Custom, nullptr, {36, 194, 248, 12}, "profileCombo"},
    {0, ControlKind::Label, QT_TRANSLATE_NOOP("Dialog", "Output:"), {10, 213, 25, 10}, "outputLabel"},
    {kIdOutputEdit, ControlKind::Edit, nullptr, {37, 211, 149, 12}, "outputEdit"},
    {kIdBrowse,
     ControlKind::PushButton,
     QT_TRANSLATE_NOOP("Dialog", "&Browse..."),
     {195, 209, 44, 17},
     "browseButton"},
    {kIdOpen,
     ControlKind::PushButton,
     QT_TRANSLATE_NOOP("Dialog", "&Open"),
     {246, 209, 41, 17},
     "openButton"},
    {kIdShutdownCheck,
     ControlKind::CheckBox,
     QT_TRANSLATE_NOOP("Dialog", "Shutdown PC when finished."),
     {9, 235, 106, 8},
     "shutdownCheck"},
    {kIdOpenFolderCheck,
     ControlKind::CheckBox,
     QT_TRANSLATE_NOOP("Dialog", "Auto open the output folder when finished."),
     {142, 235, 145, 8},
     "openFolderCheck"},
    {kIdPanelFrame, ControlKind::GroupBox, nullptr, {302, 2, 128, 136}, "panelFrame"},
    {kIdPreviewPicture, ControlKind::Custom, nullptr, {302, 141, 128, 88}, "previewPicture"},
    {kIdPreviewSlider, ControlKind::Custom, nullptr, {302, 234, 126, 10}, "previewSlider"},
    {kIdRewind, ControlKind::Custom, nullptr, {317, 246, 18, 11}, "rewindButton"},
    {kIdPlay, ControlKind::Custom, nullptr, {339, 246, 18, 11}, "playButton"},
    {kIdPause, ControlKind::Custom, nullptr, {359, 246, 18, 11}, "pauseButton"},
    {kIdPreviewStop, ControlKind::Custom, nullptr, {378, 246, 19, 11}, "previewStopButton"},
    {kIdFastForward, ControlKind::Custom, nullptr, {398, 246, 19, 11}, "fastForwardButton"},
}};

const std::array<ColumnLayout, kColumnCount> kFileListColumns{{
    {"", Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("MainWindow", "Video File"), Qt::AlignLeft},
    {QT_TRANSLATE_NOOP("MainWindow", "Target"), Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("MainWindow", "Start"), Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("MainWindow", "End"), Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("MainWindow", "Status"), Qt::AlignHCenter},
}};

} // namespace

std::span<const widgets::DialogControl> mainWindowControls() {
    return kControls;
}

const std::array<ColumnLayout, kColumnCount>& fileListColumns() {
    return kFileListColumns;
}

QString resourcePicture(int number) {
    return QStringLiteral(":/res/%1.svg").arg(number);
}

const PictureButtonRow* pictureButtonRow(int id) {
    for (const auto& entry : pictureButtons()) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

QAbstractButton* createPictureButton(const PictureButtonRow& entry, QWidget& parent) {
    auto* button = new widgets::ImageButton(&parent);
    const QColor black(0, 0, 0);
    button->setBitmaps(entry.bitmaps[0], black, entry.bitmaps[1], black, entry.bitmaps[2], black);
    button->setAlignment(3);
    button->setTooltipText(QCoreApplication::translate("MainWindow", entry.tooltip));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

namespace {

// The smallest font the window shrinks its layout to on a small screen, in points.
constexpr double kSmallestFontPoints = 6.0;
// Room left on the screen for the window manager's frame and title bar, in pixels.
constexpr int kFrameRoomWidth = 8;
constexpr int kFrameRoomHeight = 32;

// The size the window takes with `font`: its template laid out with the standard controls (the
// custom ones keep their template rectangles) below a menu bar.
QSize windowSizeAt(const QFont& font) {
    QWidget probe;
    probe.setFont(font);
    const std::span<const widgets::DialogControl> table = mainWindowControls();
    widgets::createDialogControls(probe, table.first(kLeftPartControls));
    widgets::createDialogControls(probe, table.subspan(kLeftPartControls));
    widgets::fixDialogSize(probe, kMainWindowWidth, kMainWindowHeight);
    QMenuBar bar(&probe);
    bar.setFont(font);
    bar.addMenu(QStringLiteral("  &File  "));
    return {probe.width(), probe.height() + bar.sizeHint().height()};
}

} // namespace

// Building the window's controls ----------------------------------------------------------------------

void MainWindow::createControls() {
    setObjectName(QStringLiteral("mainWindow"));
    m_menuBar = new QMenuBar(this);
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));

    const auto custom = [this](const widgets::DialogControl& row, QWidget& parent) -> QWidget* {
        if (const auto* entry = pictureButtonRow(row.id)) {
            return createPictureButton(*entry, parent);
        }
        switch (row.id) {
        case kIdFileList:
            return new widgets::CellListCtrl(&parent, m_rowStore.get());
        case kIdProfileCombo:
            return new QComboBox(&parent);
        case kIdPreviewPicture:
            return new preview::VideoHost(&parent);
        case kIdPreviewSlider:
            return new QSlider(Qt::Horizontal, &parent);
        default:
            return nullptr;
        }
    };
    // The left part of the window and the right one (panel and preview pane) are laid out apart, so
    // that a caption growing to its text on the left never pushes the preview pane aside.
    const std::span<const widgets::DialogControl> table = mainWindowControls();
    auto controls = widgets::createDialogControls(*m_client, table.first(kLeftPartControls), custom);
    const auto right = widgets::createDialogControls(*m_client, table.subspan(kLeftPartControls), custom);
    controls.insert(controls.end(), right.begin(), right.end());
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].id != 0 && controls[i] != nullptr) {
            m_controls[table[i].id] = controls[i];
        }
        // Enter presses the focused button (picture buttons too), as Space does; Enter elsewhere
        // does nothing, since the window has no default button.
        if (auto* push = qobject_cast<QPushButton*>(controls[i])) {
            push->setAutoDefault(true);
        }
    }
    // Picture buttons keep the template's size: their pictures are drawn for it.
    for (const auto& row : mainWindowControls()) {
        if (pictureButtonRow(row.id) != nullptr) {
            m_controls[row.id]->setGeometry(
                widgets::dialogRect(*m_client, row.rect.x, row.rect.y, row.rect.width, row.rect.height));
        }
    }
    keepLeftPartInItsColumn();
    m_list = static_cast<widgets::CellListCtrl*>(m_controls[kIdFileList]);
    m_profileCombo = static_cast<QComboBox*>(m_controls[kIdProfileCombo]);
    m_outputEdit = static_cast<QLineEdit*>(m_controls[kIdOutputEdit]);
    m_shutdownCheck = static_cast<QCheckBox*>(m_controls[kIdShutdownCheck]);
    m_openFolderCheck = static_cast<QCheckBox*>(m_controls[kIdOpenFolderCheck]);

    widgets::fixDialogSize(*m_client, kMainWindowWidth, kMainWindowHeight);
}

void MainWindow::keepLeftPartInItsColumn() {
    // The open-folder choice is the widest caption of the left part: when it grew past the list's
    // right edge it takes the free room after the shutdown choice instead.
    QWidget* box = m_controls[kIdOpenFolderCheck];
    const QRect list = m_controls[kIdFileList]->geometry();
    const QRect before = m_controls[kIdShutdownCheck]->geometry();
    const int gap = widgets::dialogRect(*m_client, 0, 0, 4, 0).width();
    const int over = box->geometry().right() - list.right();
    const int room = box->geometry().left() - (before.right() + gap);
    if (over > 0 && room > 0) {
        box->move(box->x() - std::min(over, room), box->y());
    }
    // Browse and Open never get narrower than the style's smallest button, and grow with longer
    // captions (other languages); with a small font that can push Open into the right part, under the
    // panel. The Output box then gives up the room, so that the line ends with the list.
    QWidget* output = m_controls[kIdOutputEdit];
    QWidget* browse = m_controls[kIdBrowse];
    QWidget* open = m_controls[kIdOpen];
    const int intrusion = open->geometry().right() - list.right();
    if (intrusion > 0) {
        const int taken = std::min(intrusion, output->width() / 2);
        output->resize(output->width() - taken, output->height());
        browse->move(browse->x() - taken, browse->y());
        open->move(open->x() - taken, open->y());
    }
}

void MainWindow::placeMenuBar() {
    // The menu bar lies above the template's area, as a window's menu does.
    const int menuHeight = m_menuBar->sizeHint().height();
    m_client->move(0, menuHeight);
    m_menuBar->setGeometry(0, 0, m_client->width(), menuHeight);
    setFixedSize(m_client->width(), m_client->height() + menuHeight);
}

QMenu* MainWindow::buildMenu(QMenu* menu, const std::vector<MenuEntry>& entries) {
    for (const auto& entry : entries) {
        if (entry.text[0] == '\0') {
            menu->addSeparator();
            continue;
        }
        auto* action = menu->addAction(QCoreApplication::translate("MainWindow", entry.text));
        const int id = entry.id;
        m_commands[id] = action;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    }
    return menu;
}

void MainWindow::createMenus() {
    m_moreMenu = buildMenu(new QMenu(this), moreMenu());
    m_contextMenu = buildMenu(new QMenu(this), contextMenu());
    for (const auto& entry : app::menuBar()) {
        if (entry.children.empty()) {
            auto* action = m_menuBar->addAction(QCoreApplication::translate("MainWindow", entry.text));
            const int id = entry.id;
            m_commands[id] = action;
            connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
            continue;
        }
        buildMenu(m_menuBar->addMenu(QCoreApplication::translate("MainWindow", entry.text)), entry.children);
    }
}

// Keyboard and screen -------------------------------------------------------------------------------

void MainWindow::fitFontToScreen() {
    const QScreen* shownOn = screen();
    if (shownOn == nullptr) {
        return;
    }
    const QSize room = shownOn->availableGeometry().size() - QSize(kFrameRoomWidth, kFrameRoomHeight);
    const QFont fitting = widgets::fittingDialogFont(font(), room, kSmallestFontPoints, windowSizeAt);
    if (fitting != font()) {
        setFont(fitting);
    }
}

void MainWindow::arrangeTabOrder() {
    // The toolbar, the list, the boxes below it in reading order, the panel, then the preview pane.
    std::vector<QWidget*> order;
    for (const int id :
         {kIdAdd, kIdRemove, kIdSplit, kIdStart, kIdStop, kIdMore, kIdFileList, kIdProfileCombo,
          kIdOutputEdit, kIdBrowse, kIdOpen, kIdShutdownCheck, kIdOpenFolderCheck}) {
        order.push_back(m_controls[id]);
    }
    // The option tree takes the focus through its view: both hold the panel's place in the chain.
    QWidget* panel = &m_panel->tree();
    order.push_back(panel);
    if (panel->focusProxy() != nullptr) {
        order.push_back(panel->focusProxy());
    }
    for (const int id : {kIdPreviewSlider, kIdRewind, kIdPlay, kIdPause, kIdPreviewStop, kIdFastForward}) {
        order.push_back(m_controls[id]);
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void MainWindow::keepOnScreen() {
    const QScreen* shownOn = screen();
    if (shownOn == nullptr) {
        return;
    }
    // A window manager may place the window partly off a small screen: its top left goes back
    // inside, so that the panel and the preview pane stay reachable.
    const QRect free = shownOn->availableGeometry();
    const QRect frame = frameGeometry();
    if (!free.contains(frame)) {
        const int x = std::max(free.left(), std::min(frame.left(), free.right() + 1 - frame.width()));
        const int y = std::max(free.top(), std::min(frame.top(), free.bottom() + 1 - frame.height()));
        move(x, y);
    }
}

} // namespace morvane::app
