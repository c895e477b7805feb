#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <array>
#include <filesystem>
#include <span>

#include "app/about_dialog.h"
#include "app/batch_driver.h"
#include "app/configure_dialog.h"
#include "app/desktop_actions.h"
#include "app/desktop_notifier.h"
#include "app/encoder_factory.h"
#include "app/file_adder.h"
#include "app/file_list_rows.h"
#include "app/list_keeper.h"
#include "app/main_window_layout.h"
#include "app/startup_checks.h"
#include "app/window_services.h"
#include "app/worker_batch_view.h"
#include "engine/trace_file.h"
#include "platform/power_control.h"
#include "platform/time_text.h"
#include "platform/translation.h"
#include "preview/player_plugin.h"
#include "preview/preview_pane_controller.h"
#include "preview/video_host.h"
#include "preview/video_splitter_logic.h"
#include "profiles/parameter_panel.h"
#include "widgets/cell_list_ctrl.h"
#include "widgets/dialog_template.h"
#include "widgets/image_button.h"
#include "widgets/option_tree.h"
#include "widgets/picture.h"
#include "widgets/x_header_ctrl.h"

namespace morvane::app {

namespace {

using widgets::ControlKind;

// The window's template: every control with its id, kind, caption and rectangle in dialog units.
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

// The first controls of the table lie in the left part of the window, the others in the right one.
constexpr std::size_t kLeftPartControls = 15;

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
    const std::span<const widgets::DialogControl> table(kControls);
    widgets::createDialogControls(probe, table.first(kLeftPartControls));
    widgets::createDialogControls(probe, table.subspan(kLeftPartControls));
    widgets::fixDialogSize(probe, kMainWindowWidth, kMainWindowHeight);
    QMenuBar bar(&probe);
    bar.setFont(font);
    bar.addMenu(QStringLiteral("  &File  "));
    return {probe.width(), probe.height() + bar.sizeHint().height()};
}

// The file list's columns: caption and alignment.
struct ColumnSpec {
    const char* caption;
    Qt::Alignment alignment;
};
const std::array<ColumnSpec, kColumnCount> kColumns{{
    {"", Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("MainWindow", "Video File"), Qt::AlignLeft},
    {QT_TRANSLATE_NOOP("MainWindow", "Target"), Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("MainWindow", "Start"), Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("MainWindow", "End"), Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("MainWindow", "Status"), Qt::AlignHCenter},
}};

// How long one round of adding probed files may hold the interface thread.
constexpr qint64 kAddingRoundMs = 15;

constexpr const char* kExitGuardText =
    QT_TRANSLATE_NOOP("MainWindow", "The convert is running, please stop convert and then exit.");
constexpr const char* kBrowseTitle = QT_TRANSLATE_NOOP("MainWindow", "Please select output directory:");

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

// Probes a file the way the list adds it, whichever encoder the batch left current.
std::unique_ptr<engine::ConversionJob> probeForList(engine::CQuillonMediaCntl& facade,
                                                    const std::string& programDirectory,
                                                    const std::string& path) {
    // The RealMedia encoder answers a probe without looking at the file: ask the converter instead.
    if (facade.currentKind() == engine::EncoderKind::RealMedia) {
        return probeFileWithConverter(programDirectory, path);
    }
    return probeFile(facade, path);
}

} // namespace

std::string defaultOutputFolder() {
    const auto videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    return videos.isEmpty() ? std::string("/tmp") : videos.toStdString();
}

MainWindow::MainWindow(std::string programDirectory, WindowServices services, QWidget* parent)
    : QDialog(parent), m_programDirectory(std::move(programDirectory)) {
    createServices(std::move(services));
    m_rowStore = std::make_unique<FileListRows>(m_files);
    fitFontToScreen();
    createControls();
    createMenus();
    placeMenuBar();
    connectCommands();
    initialise();
}

MainWindow::~MainWindow() {
    // The worker may wait for an answer from this window: release it before waiting for it.
    if (m_workerView) {
        m_workerView->closeDown();
    }
    m_driver.reset();
    m_probes.reset();
    finishListKeeping();
    if (m_preview) {
        m_preview->stop();
    }
    m_panel.reset();
    // The list reads the rows through m_rowStore, which goes before the window's children do.
    delete m_list;
    m_list = nullptr;
    if (m_facade) {
        m_facade->Release();
    }
}

void MainWindow::createServices(WindowServices services) {
    if (services.prompts == nullptr) {
        m_ownPrompts = std::make_unique<MessageBoxPrompts>(this);
        services.prompts = m_ownPrompts.get();
    }
    if (services.fileDialogs == nullptr) {
        m_ownFileDialogs = std::make_unique<QtFileDialogs>();
        services.fileDialogs = m_ownFileDialogs.get();
    }
    if (services.opener == nullptr) {
        m_ownOpener = std::make_unique<SystemDesktopOpener>();
        services.opener = m_ownOpener.get();
    }
    if (services.power == nullptr) {
        m_ownPower = std::make_unique<platform::SystemPowerControl>();
        services.power = m_ownPower.get();
    }
    m_prompts = services.prompts;
    m_fileDialogs = services.fileDialogs;
    m_opener = services.opener;
    m_power = services.power;
    m_notifier = services.notifier;
    m_encoders = services.encoders ? std::move(services.encoders) : programEncoderFactory();
}

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
    const std::span<const widgets::DialogControl> table(kControls);
    auto controls = widgets::createDialogControls(*m_client, table.first(kLeftPartControls), custom);
    const auto right = widgets::createDialogControls(*m_client, table.subspan(kLeftPartControls), custom);
    controls.insert(controls.end(), right.begin(), right.end());
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (kControls[i].id != 0 && controls[i] != nullptr) {
            m_controls[kControls[i].id] = controls[i];
        }
        // Enter presses the focused button (picture buttons too), as Space does; Enter elsewhere
        // does nothing, since the window has no default button.
        if (auto* push = qobject_cast<QPushButton*>(controls[i])) {
            push->setAutoDefault(true);
        }
    }
    // Picture buttons keep the template's size: their pictures are drawn for it.
    for (const auto& row : kControls) {
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

void MainWindow::connectCommands() {
    for (const auto& row : kControls) {
        if (auto* button = qobject_cast<QAbstractButton*>(m_controls[row.id]);
            button != nullptr && row.kind != ControlKind::CheckBox) {
            const int id = row.id;
            connect(button, &QAbstractButton::clicked, this, [this, id] { runCommand(id); });
        }
    }
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &MainWindow::showHelp);

    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this] { showContextMenu(); });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { onSelectionChanged(); });
    connect(&m_list->cells(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                onRowsChanged(first.row(), last.row());
            });
}

void MainWindow::initialise() {
    // The order of the opening steps: the title and the Output box need the settings, the driver
    // must be the progress callback's receiver before the engine starts, the panel shows the
    // profile the list remembers.
    setIcons();
    showBackgroundLook();
    readConfiguration();
    setTitle();
    showOutputFolder();
    presetCompletionChoices();
    initialiseEngine();
    m_list->installDropHandler([this](const QStringList& paths) {
        std::vector<std::string> files;
        for (const auto& path : paths) {
            files.push_back(path.toStdString());
        }
        addDroppedFiles(files);
    });
    createPreviewPane();
    createPanel();
    fillProfileList();
    openTrace();
    updateCommandStates();
    arrangeTabOrder();
    startListKeeping();
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

void MainWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // After the window manager has placed the window and given it its frame.
    QTimer::singleShot(200, this, [this] { keepOnScreen(); });
}

void MainWindow::rememberAddFolder(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    const std::string folder = std::filesystem::path(paths.back()).parent_path().string();
    if (!folder.empty() && folder != m_settings.addFolder) {
        m_settings.addFolder = folder;
        writeAddFolder(m_settings.configPath, folder);
    }
}

void MainWindow::setIcons() {
    setWindowIcon(QIcon(resourcePicture(128)));
}

void MainWindow::readConfiguration() {
    m_settings = readSettings(configPathIn(m_programDirectory), defaultOutputFolder(), m_programDirectory);
}

void MainWindow::setTitle() {
    setWindowTitle(QString::fromStdString(app::windowTitle(m_settings)));
}

void MainWindow::showOutputFolder() {
    m_outputEdit->setText(QString::fromStdString(m_settings.outputFolder));
}

void MainWindow::presetCompletionChoices() {
    m_shutdownCheck->setChecked(m_shutdownWhenDone);
    m_openFolderCheck->setChecked(true);
}

void MainWindow::initialiseEngine() {
    m_record = engine::EncoderInitRecord{};
    m_record.forceFrameServer = 0;
    m_record.kind = engine::EncoderKind::Converter;
    m_record.programDirectory = m_programDirectory;
    m_facade = std::make_unique<engine::CQuillonMediaCntl>(m_encoders);
    if (m_notifier == nullptr) {
        m_ownNotifier = std::make_unique<FreedesktopNotifier>(QString::fromStdString(m_settings.softName),
                                                              QStringLiteral("org.morvane.Morvane"));
        m_notifier = m_ownNotifier.get();
    }
    m_titleTimer = new QTimer(this);
    m_titleTimer->setInterval(1000);
    connect(m_titleTimer, &QTimer::timeout, this, &MainWindow::showBatchTitle);

    m_workerView = std::make_unique<WorkerBatchView>(*this, [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    });
    connect(m_shutdownCheck, &QCheckBox::toggled, this,
            [this](bool checked) { m_workerView->setShutdownChoice(checked); });
    connect(m_openFolderCheck, &QCheckBox::toggled, this,
            [this](bool checked) { m_workerView->setOpenFolderChoice(checked); });
    // The driver makes itself the record's progress callback and user data.
    m_driver = std::make_unique<BatchDriver>(*m_workerView, *m_facade, m_record, *m_power, m_programDirectory,
                                             defaultOutputFolder());
    m_facade->Init(&m_record);

    m_probes = std::make_unique<ProbeQueue>(
        [facade = m_facade.get(), dir = m_programDirectory](const std::string& path) {
            return probeForList(*facade, dir, path);
        },
        [this](ProbeQueue::Result result) { fileProbed(std::move(result)); });
}

void MainWindow::createPreviewPane() {
    auto* host = static_cast<preview::VideoHost*>(m_controls[kIdPreviewPicture]);
    host->setIdlePicture(QIcon(resourcePicture(184)).pixmap(host->size()));
    auto* slider = static_cast<QSlider*>(m_controls[kIdPreviewSlider]);
    slider->setRange(0, 100);
    slider->setValue(0);
    m_preview = new preview::PreviewPaneController(host, slider, this);
}

void MainWindow::createPanel() {
    m_panel = std::make_unique<profiles::ParameterPanel>(*m_client, m_controls[kIdPanelFrame]->geometry());
    // During a batch an edit of the selected row reaches the batch at once: the row converts with the
    // settings it has when it starts, even when it was not deselected before.
    connect(&m_panel->tree(), &widgets::OptionTree::notify, this,
            [this](int code, widgets::OptionTreeItem* /*item*/, bool* /*cancel*/) {
                if (code == widgets::kOptionTreeItemChanged && batchBusy() &&
                    m_files.validRow(m_selectedRow)) {
                    storeEditsOf(m_selectedRow, false);
                }
            });
}

void MainWindow::fillProfileList() {
    m_catalogue.scan(profiles::ProfileCatalogue::foldersOf(m_programDirectory), m_settings.configPath);
    {
        const QSignalBlocker blocker(m_profileCombo);
        m_profileCombo->clear();
        for (const auto& name : m_catalogue.names()) {
            m_profileCombo->addItem(QString::fromStdString(name));
        }
        m_profileCombo->setCurrentIndex(m_catalogue.currentIndex());
    }
    m_currentProfileName = m_catalogue.currentName();
    if (profiles::parseProfile(m_catalogue, m_currentProfileName, m_shownProfile)) {
        m_panel->Show(m_shownProfile, false);
    }
    connect(m_profileCombo, &QComboBox::currentIndexChanged, this, &MainWindow::selectProfile);
}

void MainWindow::openTrace() {
    engine::openTraceFile();
}

QWidget* MainWindow::control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

QAction* MainWindow::command(int id) const {
    const auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

std::size_t MainWindow::filesBeingProbed() const {
    // A result leaves the queue's count only once it is on its way here.
    return m_probes->pending() + static_cast<std::size_t>(m_resultsOnTheWay.load()) + m_probed.size();
}

bool MainWindow::batchBusy() const {
    return m_driver && m_driver->busy();
}

void MainWindow::setSplitter(Splitter splitter) {
    m_splitter = std::move(splitter);
    updateCommandStates();
}

// Commands ------------------------------------------------------------------------------------------

void MainWindow::runCommand(int id) {
    switch (id) {
    case kIdAdd:
    case kCmdAdd:
    case kCmdMenuAdd:
        addFiles();
        break;
    case kIdRemove:
    case kCmdRemove:
    case kCmdMenuRemove:
        removeSelectedRow();
        break;
    case kCmdRemoveAll:
    case kCmdMenuRemoveAll:
        removeAllRows();
        break;
    case kIdMoveUp:
    case kCmdMenuUp:
        moveSelectedRow(-1);
        break;
    case kIdMoveDown:
    case kCmdMenuDown:
        moveSelectedRow(1);
        break;
    case kCmdMenuCheckAll:
        checkAllRows(true);
        break;
    case kCmdMenuUncheckAll:
        checkAllRows(false);
        break;
    case kIdSplit:
    case kCmdSplit:
        splitSelectedRow();
        break;
    case kIdStart:
        startConvert();
        break;
    case kIdStop:
        stopConvert();
        break;
    case kIdMore:
        showMoreMenu();
        break;
    case kIdBrowse:
        browseOutputFolder();
        break;
    case kIdOpen:
        openOutputFolder();
        break;
    case kCmdHelp:
    case kCmdMenuHelp:
        showHelp();
        break;
    case kCmdAbout:
    case kCmdMenuAbout:
        showAbout();
        break;
    case kCmdConfigure:
        showConfigure();
        break;
    case kCmdMenuExit:
        close();
        break;
    case kIdPlay:
    case kCmdPlay:
        playPreview();
        break;
    case kIdPause:
        m_preview->pause();
        break;
    case kIdPreviewStop:
        m_preview->stop();
        break;
    case kIdRewind:
        m_preview->stepBack();
        break;
    case kIdFastForward:
        m_preview->stepForward();
        break;
    default:
        break;
    }
}

void MainWindow::addFiles() {
    if (!m_editingEnabled) {
        return;
    }
    // A batch that ended on a RealMedia row leaves that encoder current: the converter probes.
    if (m_record.kind == engine::EncoderKind::RealMedia) {
        if (m_facade->RestoreEncoder() != 1) {
            m_prompts->ask(Message{platform::translate("BatchDriver", kEncoderProblemText), "Error",
                                   MessageIcon::Stop, MessageButtons::Ok});
            return;
        }
        m_record.kind = engine::EncoderKind::Converter;
    }
    auto chosen = m_fileDialogs->openFiles(this, fileDialogFilters(kOpenFileFilter),
                                           addDialogStartFolder(m_settings.addFolder));
    if (!chosen) {
        return;
    }
    m_list->setFocus();
    queueFiles(std::move(*chosen), false);
}

void MainWindow::addDroppedFiles(const std::vector<std::string>& paths) {
    m_list->setFocus();
    queueFiles(paths, true);
}

void MainWindow::applyStartupReport(const StartupReport& report) {
    m_driver->setUnavailableProfiles(report.unavailable);
    const auto* model = qobject_cast<QStandardItemModel*>(m_profileCombo->model());
    for (int i = 0; model != nullptr && i < m_profileCombo->count(); ++i) {
        const auto it = report.unavailable.find(m_profileCombo->itemText(i).toStdString());
        if (it != report.unavailable.end()) {
            model->item(i)->setEnabled(false);
            model->item(i)->setToolTip(QString::fromStdString(it->second));
        }
    }
    std::string text;
    for (const auto& problem : report.problems) {
        text += (text.empty() ? "" : "\n\n") + problem;
    }
    if (!text.empty()) {
        m_prompts->ask(Message{text, "Warning", MessageIcon::Warning, MessageButtons::Ok});
    }
}

void MainWindow::addStartFiles(const std::vector<std::string>& paths) {
    if (!paths.empty()) {
        queueFiles(paths, false);
    }
}

void MainWindow::queueFiles(std::vector<std::string> paths, bool dropped) {
    // The next Add opens where the last file added came from.
    rememberAddFolder(paths);
    const std::string profileName = m_currentProfileName;
    const auto request = m_probes->enqueue(std::move(paths));
    if (request != 0) {
        m_addRequests[request] = AddRequest{profileName, dropped, {}};
    }
}

void MainWindow::fileProbed(ProbeQueue::Result result) {
    // On the probing thread: the row is made on the window's thread, in probing order.
    auto shared = std::make_shared<ProbeQueue::Result>(std::move(result));
    ++m_resultsOnTheWay;
    QMetaObject::invokeMethod(
        this,
        [this, shared] {
            --m_resultsOnTheWay;
            m_probed.push_back(std::move(*shared));
            addProbedFiles();
        },
        Qt::QueuedConnection);
}

void MainWindow::addProbedFiles() {
    // A message about an earlier file may be open (its event loop delivers later files): that
    // file's loop below goes on with them once the message is answered, so the order stays.
    if (m_addingProbed) {
        return;
    }
    m_addingProbed = true;
    // Rows go in a few milliseconds' worth at a time, so the window keeps answering while
    // hundreds of files arrive; the selection moves once per round, to the last row added.
    QElapsedTimer round;
    round.start();
    bool selectLast = false;
    while (!m_probed.empty()) {
        if (round.elapsed() >= kAddingRoundMs) {
            QMetaObject::invokeMethod(
                this, [this] { addProbedFiles(); }, Qt::QueuedConnection);
            break;
        }
        ProbeQueue::Result result = std::move(m_probed.front());
        m_probed.pop_front();
        selectLast = addProbedFile(std::move(result)) || selectLast;
    }
    if (selectLast && m_files.rowCount() > 0) {
        m_list->setFocus();
        selectListRow(m_files.rowCount() - 1);
    }
    m_addingProbed = false;
}

bool MainWindow::addProbedFile(ProbeQueue::Result result) {
    auto request = m_addRequests.find(result.request);
    if (request == m_addRequests.end()) {
        request = m_addRequests.emplace(result.request, AddRequest{m_currentProfileName, false, {}}).first;
    }
    const bool dropped = request->second.dropped;
    const QString path = QString::fromStdString(result.path);
    const bool added = result.job != nullptr;
    reportMediaDetectorProblemOnce(*m_prompts);
    if (!added) {
        m_prompts->ask(Message{refusedFileText(result.path), "Error", MessageIcon::Stop, MessageButtons::Ok});
    } else {
        if (!m_columnsPresent) {
            showColumnsLook();
        }
        auto& profile = request->second.profile;
        if (!profile) {
            profile.emplace();
            profiles::parseProfile(m_catalogue, request->second.profileName, *profile);
        }
        const int row = m_files.rowCount();
        m_list->cells().insertRowsWith(row, row, [&] {
            m_files.append(std::move(result.job), std::make_unique<profiles::Profile>(*profile));
        });
        if (batchBusy()) {
            m_workerView->rowAdded(m_files.row(row));
            batchRowChanged(row);
        }
    }
    if (result.lastOfRequest) {
        m_addRequests.erase(request);
    }
    Q_EMIT fileHandled(path, added);
    // A drop selects each file it added; the Add command the last row once its files are in.
    return dropped ? added : result.lastOfRequest;
}

void MainWindow::removeSelectedRow() {
    if (!m_editingEnabled) {
        return;
    }
    const int row = m_selectedRow;
    if (!m_files.validRow(row)) {
        return;
    }
    // Deselecting first stores the panel's edits while the row is still there.
    m_list->selectionModel()->clearSelection();
    changeRows([&] { m_list->cells().removeRowsWith(row, row, [&] { m_files.remove(row); }); }, -1);
    const int next = row < m_files.rowCount() ? row : row - 1;
    if (next >= 0) {
        m_list->setFocus();
        selectListRow(next);
    }
    if (m_files.rowCount() == 0 && m_columnsPresent) {
        showBackgroundLook();
    }
}

void MainWindow::removeAllRows() {
    if (!m_editingEnabled || m_files.rowCount() == 0) {
        return;
    }
    m_list->selectionModel()->clearSelection();
    changeRows([&] { m_list->cells().resetWith([&] { m_files.removeAll(); }); }, -1);
}

void MainWindow::moveSelectedRow(int step) {
    if (!m_editingEnabled) {
        return;
    }
    const int row = m_selectedRow;
    const int target = row + step;
    if (!m_files.validRow(row) || !m_files.validRow(target)) {
        return;
    }
    // The selection goes with the row: the window follows it without storing anything.
    changeRows(
        [&] {
            m_list->cells().moveRowWith(row, step < 0 ? target : target + 1, [&] {
                if (step < 0) {
                    m_files.moveUp(row);
                } else {
                    m_files.moveDown(row);
                }
            });
        },
        target);
    m_list->setFocus();
    selectListRow(target);
}

void MainWindow::checkAllRows(bool checked) {
    for (int row = 0; row < m_files.rowCount(); ++row) {
        m_list->setCheck(row, kColumnCheck, checked ? 1 : 0);
    }
}

void MainWindow::splitSelectedRow() {
    const int row = m_list->getSelectedRow();
    if (!m_splitter || !m_files.validRow(row)) {
        return;
    }
    const FileRow& r = m_files.row(row);
    SplitRequest request;
    request.sourcePath = r.job->sourcePath.str();
    // Cells that do not read as times open the whole file.
    const auto values =
        preview::splitterValuesForRow(r.cells[kColumnStart], r.cells[kColumnEnd], r.job->duration);
    request.start = values.start;
    request.end = values.end;
    request.maximum = values.maximum;
    request.length = values.mediaLength;
    const auto range = m_splitter(*this, request);
    if (!range || !m_files.validRow(row)) {
        return;
    }
    m_list->setItemText(row, kColumnStart, QString::fromStdString(platform::formatTimeText(range->start)));
    m_list->setItemText(row, kColumnEnd, QString::fromStdString(platform::formatTimeText(range->end)));
}

void MainWindow::startConvert() {
    // One batch at a time: a second Start while one starts or runs is ignored.
    if (batchBusy()) {
        return;
    }
    if (m_files.validRow(m_selectedRow)) {
        storeEditsOf(m_selectedRow, false);
    }
    m_workerView->begin(m_files, m_outputEdit->text().toStdString(), m_shutdownCheck->isChecked(),
                        m_openFolderCheck->isChecked());
    m_driver->setSimultaneous(simultaneousConversions(m_processCount));
    if (m_driver->startRequest()) {
        // The rows the worker copied must keep their places until it has ended.
        setEditingEnabled(false);
        beginBatchProgress();
    }
}

void MainWindow::stopConvert() {
    m_stopQuestionOpen = true;
    m_driver->stopRequest();
    m_stopQuestionOpen = false;
}

void MainWindow::browseOutputFolder() {
    if (!m_editingEnabled) {
        return;
    }
    const auto folder = m_fileDialogs->browseFolder(
        this, platform::translate("MainWindow", kBrowseTitle),
        browseStartFolder(outputFolderIn(m_outputEdit->text().toStdString(), m_programDirectory)));
    if (!folder) {
        return;
    }
    const std::string text = browsedOutputFolder(*folder);
    m_outputEdit->setText(QString::fromStdString(text));
    writeOutputFolder(m_settings.configPath, text);
}

void MainWindow::openOutputFolder() {
    app::openOutputFolder(m_outputEdit->text().toStdString(), *m_opener);
}

void MainWindow::showMoreMenu() {
    m_moreMenu->popup(QCursor::pos());
}

void MainWindow::showContextMenu() {
    m_contextMenu->popup(QCursor::pos());
}

void MainWindow::showHelp() {
    openHelp(m_programDirectory, *m_opener, *m_prompts);
}

void MainWindow::showAbout() {
    AboutDialog about(m_settings.softName, m_settings.version, *m_opener, this, m_prompts);
    about.exec();
}

void MainWindow::showConfigure() {
    ConfigureValues values;
    values.processCount = m_processCount;
    values.shutdownWhenDone = m_shutdownWhenDone;
    values.keepList = m_keepList;
    if (ConfigureDialog::edit(values, this)) {
        m_processCount = values.processCount;
        m_shutdownWhenDone = values.shutdownWhenDone;
        if (values.keepList != m_keepList) {
            m_keepList = values.keepList;
            writeKeepList(m_settings.configPath, m_keepList);
        }
    }
}

void MainWindow::playPreview() {
    const int row = m_list->getSelectedRow();
    std::optional<std::string> path;
    if (m_files.validRow(row)) {
        path = m_files.row(row).job->sourcePath.str();
    }
    if (path && preview::playerCore() == nullptr) {
        m_prompts->ask(Message{preview::playerPluginProblemText(preview::playerPluginProblem()), "Preview",
                               MessageIcon::Warning, MessageButtons::Ok});
    }
    m_preview->play(path);
}

// List looks, selection and profiles ----------------------------------------------------------------

void MainWindow::showColumnsLook() {
    // The rule's widths, with room for whole times where the font needs more than the rule gives.
    const QFontMetrics metrics(m_list->font());
    const int timeWidth =
        metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 2 * metrics.averageCharWidth();
    const auto widths = widenedColumnWidths(fileListColumnWidths(m_list->width()),
                                            {0, 8 * metrics.averageCharWidth(), 0, timeWidth, timeWidth, 0});
    // The check-box column is narrower than the style's smallest section.
    m_list->horizontalHeader()->setMinimumSectionSize(0);
    m_list->headerCtrl().setImages(widgets::loadPictureStrip(130, 16, devicePixelRatio()));
    for (int column = 0; column < kColumnCount; ++column) {
        const auto& entry = kColumns[static_cast<std::size_t>(column)];
        m_list->insertColumn(column, QCoreApplication::translate("MainWindow", entry.caption),
                             entry.alignment, widths[static_cast<std::size_t>(column)]);
    }
    m_list->cells().setHeaderCheck(kColumnCheck, widgets::CellListModel::HeaderUnchecked);
    m_list->horizontalHeader()->show();
    m_list->viewport()->setPalette(m_list->palette());
    m_columnsPresent = true;
}

void MainWindow::showBackgroundLook() {
    for (int column = m_list->cells().columnCount() - 1; column >= 0; --column) {
        m_list->deleteColumn(column);
    }
    m_list->headerCtrl().setImages({});
    m_list->horizontalHeader()->hide();
    QPalette tiled = m_list->palette();
    tiled.setBrush(QPalette::Base, QBrush(QPixmap(resourcePicture(199))));
    m_list->viewport()->setPalette(tiled);
    m_list->viewport()->setAutoFillBackground(true);
    m_columnsPresent = false;
}

void MainWindow::selectListRow(int row) {
    m_list->selectRow(row);
}

void MainWindow::changeRows(const std::function<void()>& change, int selectedAfter) {
    // While rows go or move the view moves its selection about on its own, in the old numbering.
    m_rowsChanging = true;
    change();
    m_rowsChanging = false;
    m_selectedRow = selectedAfter;
    if (m_list->getSelectedRow() != m_selectedRow) {
        m_list->selectionModel()->clearSelection();
    }
}

void MainWindow::onSelectionChanged() {
    if (m_rowsChanging) {
        return;
    }
    // The row the window held selected is left first: its edits go back into its profile.
    const int now = m_list->getSelectedRow();
    if (now == m_selectedRow) {
        return;
    }
    if (m_files.validRow(m_selectedRow)) {
        storeEditsOf(m_selectedRow, true);
    }
    m_selectedRow = -1;
    if (!m_files.validRow(now)) {
        return;
    }
    m_selectedRow = now;
    const auto& profile = m_files.row(now).profile;
    if (!profile) {
        return;
    }
    const int entry = profiles::findChoiceByPrefix(m_catalogue.names(), profile->name);
    if (entry >= 0) {
        const QSignalBlocker blocker(m_profileCombo);
        m_profileCombo->setCurrentIndex(entry);
    }
    m_currentProfileName = profile->name;
    m_panel->Show(*profile, true);
}

void MainWindow::storeEditsOf(int row, bool readOnlyAfter) {
    auto& profile = m_files.row(row).profile;
    if (!profile) {
        return;
    }
    m_panel->StoreEdits(*profile);
    if (m_listKeeper) {
        m_listKeeper->changed();
    }
    if (readOnlyAfter) {
        m_panel->SetAllReadOnly(true);
    }
    if (batchBusy()) {
        m_workerView->rowProfileChanged(row, *profile);
    }
}

void MainWindow::onRowsChanged(int first, int last) {
    // Check marks and cut ranges may change while a batch runs; the worker sees them between rows.
    if (!batchBusy()) {
        return;
    }
    for (int row = std::max(first, 0); row <= last && m_files.validRow(row); ++row) {
        const FileRow& r = m_files.row(row);
        m_workerView->rowChecked(row, r.checked);
        m_workerView->rowCutChanged(row, r.cells[kColumnStart], r.cells[kColumnEnd]);
        batchRowChanged(row);
    }
}

void MainWindow::selectProfile(int index) {
    m_catalogue.selectProfile(index, m_settings.configPath);
    m_currentProfileName = m_catalogue.currentName();
    if (m_files.validRow(m_selectedRow)) {
        // The selected row takes a fresh profile of the new name: its earlier edits go.
        FileRow& row = m_files.row(m_selectedRow);
        auto profile = std::make_unique<profiles::Profile>();
        if (!profiles::parseProfile(m_catalogue, m_currentProfileName, *profile)) {
            return;
        }
        row.job->profile = profile.get();
        row.profile = std::move(profile);
        if (m_listKeeper) {
            m_listKeeper->profilesReplaced();
        }
        m_list->setItemText(m_selectedRow, kColumnTarget, QString::fromStdString(row.profile->targetText()));
        m_panel->Show(*row.profile, true);
        return;
    }
    if (profiles::parseProfile(m_catalogue, m_currentProfileName, m_shownProfile)) {
        m_panel->Show(m_shownProfile, false);
    }
}

void MainWindow::updateCommandStates() {
    for (const auto& [id, action] : m_commands) {
        bool enabled = m_editingEnabled || !greyedDuringBatch(id);
        if (id == kCmdSplit) {
            enabled = enabled && m_splitter != nullptr;
        }
        action->setEnabled(enabled);
    }
    m_controls[kIdSplit]->setEnabled(m_splitter != nullptr);
}

// BatchView on the window's thread ---------------------------------------------------------------

MessageAnswer MainWindow::ask(const Message& message) {
    // A message without a caption reads as the program's own: the product title, not the window
    // manager's name for an untitled box (nor the batch's progress in the window's title).
    if (message.caption.empty()) {
        Message titled = message;
        titled.caption = app::windowTitle(m_settings);
        return m_prompts->ask(titled);
    }
    return m_prompts->ask(message);
}

int MainWindow::rowCount() {
    return m_files.rowCount();
}

bool MainWindow::isChecked(int row) {
    return m_files.validRow(row) && m_files.row(row).checked;
}

void MainWindow::setChecked(int row, bool checked) {
    m_list->setCheck(row, kColumnCheck, checked ? 1 : 0);
}

std::string MainWindow::cellText(int row, int column) {
    return m_list->itemText(row, column).toStdString();
}

void MainWindow::setCellText(int row, int column, const std::string& text) {
    m_list->setItemText(row, column, QString::fromStdString(text));
}

engine::ConversionJob* MainWindow::job(int row) {
    return m_files.validRow(row) ? m_files.row(row).job.get() : nullptr;
}

void MainWindow::showProgress(int row, int percent) {
    m_list->setProgress(row, kColumnStatus);
    setProgress(row, percent);
}

void MainWindow::setProgress(int row, int percent) {
    m_list->updateProgress(row, kColumnStatus, percent);
    if (m_batchProgress) {
        if (!m_batchProgress->contains(row) && m_files.validRow(row)) {
            batchRowChanged(row); // a row the batch took without the window seeing it join
        }
        m_batchProgress->rowProgress(row, percent, BatchProgress::Clock::now());
        showBatchTitle();
    }
}

void MainWindow::removeProgress(int row) {
    m_list->clearProgress(row, kColumnStatus);
}

std::string MainWindow::outputText() {
    return m_outputEdit->text().toStdString();
}

void MainWindow::setOutputText(const std::string& text) {
    m_outputEdit->setText(QString::fromStdString(text));
}

bool MainWindow::shutdownWhenDone() {
    return m_shutdownCheck->isChecked();
}

bool MainWindow::openFolderWhenDone() {
    return m_openFolderCheck->isChecked();
}

void MainWindow::setEditingEnabled(bool enabled) {
    if (enabled && m_batchProgress) {
        endBatchProgress(false);
    }
    if (enabled && !m_editingEnabled) {
        // The end of a batch: the shutdown choice as it stood then is what the Configure dialog shows.
        m_shutdownWhenDone = m_shutdownCheck->isChecked();
    }
    m_editingEnabled = enabled;
    for (const int id : {kIdStart, kIdRemove, kIdBrowse, kIdAdd, kIdOutputEdit, kIdProfileCombo}) {
        m_controls[id]->setEnabled(enabled);
    }
    updateCommandStates();
}

void MainWindow::setStartEnabled(bool enabled) {
    m_controls[kIdStart]->setEnabled(enabled);
}

void MainWindow::stopPreview() {
    m_preview->stop();
}

void MainWindow::storePanelEdits() {
    if (m_files.validRow(m_selectedRow)) {
        storeEditsOf(m_selectedRow, false);
    }
}

void MainWindow::openFolder(const std::string& folder) {
    app::openOutputFolder(folder, *m_opener);
}

void MainWindow::rowFinished(int row, const RowResult& result) {
    // The row's status says what happened; its tooltip why, or what to know about its output.
    if (m_files.validRow(row)) {
        m_list->cells().setToolTip(
            row, kColumnStatus,
            QString::fromStdString(shownReason(result.warning.empty() ? result.reason : result.warning)));
    }
    if (!m_batchProgress) {
        return;
    }
    m_batchProgress->rowDone(row, BatchProgress::Clock::now());
    if (result.status == kStatusCompleted) {
        ++m_batchCounts.completed;
    } else if (result.status == kStatusFail) {
        ++m_batchCounts.failed;
    } else {
        ++m_batchCounts.stopped;
    }
    showBatchTitle();
}

void MainWindow::batchFinished() {
    // A stop question still open has nothing left to stop: it gives way to the end of the batch.
    if (m_stopQuestionOpen) {
        m_prompts->dismissOpenQuestion();
    }
    endBatchProgress(true);
}

// Whole-batch progress ----------------------------------------------------------------------------

void MainWindow::beginBatchProgress() {
    m_batchProgress.emplace(BatchProgress::Clock::now());
    m_batchCounts = {};
    for (int row = 0; row < m_files.rowCount(); ++row) {
        batchRowChanged(row);
    }
    m_titleTimer->start();
    showBatchTitle();
}

void MainWindow::batchRowChanged(int row) {
    if (!m_batchProgress || !m_files.validRow(row)) {
        return;
    }
    const FileRow& r = m_files.row(row);
    const auto now = BatchProgress::Clock::now();
    if (r.checked) {
        m_batchProgress->addRow(row, rowWork(r.job.get(), r.cells[kColumnStart], r.cells[kColumnEnd]), now);
    } else {
        m_batchProgress->dropRow(row, now);
    }
}

void MainWindow::showBatchTitle() {
    if (!m_batchProgress) {
        return;
    }
    const auto text =
        QString::fromStdString(batchProgressText(m_batchProgress->percent(),
                                                 m_batchProgress->secondsLeft(BatchProgress::Clock::now())) +
                               " - " + app::windowTitle(m_settings));
    if (text != windowTitle()) {
        setWindowTitle(text);
    }
}

void MainWindow::endBatchProgress(bool notify) {
    if (!m_batchProgress) {
        return;
    }
    m_titleTimer->stop();
    m_batchProgress.reset();
    setTitle();
    if (notify) {
        m_notifier->notify(batchEndNotice(m_batchCounts));
    }
}

// Closing -------------------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
    if (batchBusy()) {
        m_prompts->ask(Message{platform::translate("MainWindow", kExitGuardText), "Warning",
                               MessageIcon::Warning, MessageButtons::Ok});
        event->ignore();
        return;
    }
    m_preview->stop();
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace morvane::app
