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
#include "app/file_list_controller.h"
#include "app/file_list_rows.h"
#include "app/list_keeper.h"
#include "app/main_window_controls.h"
#include "app/main_window_layout.h"
#include "app/startup_checks.h"
#include "app/window_batch_view.h"
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

// How long one round of adding probed files may hold the interface thread.
constexpr qint64 kAddingRoundMs = 15;

constexpr const char* kExitGuardText =
    QT_TRANSLATE_NOOP("MainWindow", "The convert is running, please stop convert and then exit.");
constexpr const char* kBrowseTitle = QT_TRANSLATE_NOOP("MainWindow", "Please select output directory:");

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
    m_rows = std::make_unique<FileListController>(*this, m_files, *m_list);
    m_batchView = std::make_unique<WindowBatchView>(*this, m_files, *m_list);
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

void MainWindow::connectCommands() {
    for (const auto& row : mainWindowControls()) {
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
            [this] { m_rows->onSelectionChanged(); });
    connect(&m_list->cells(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                m_rows->onRowsChanged(first.row(), last.row());
            });
}

void MainWindow::initialise() {
    // The order of the opening steps: the title and the Output box need the settings, the driver
    // must be the progress callback's receiver before the engine starts, the panel shows the
    // profile the list remembers.
    setIcons();
    m_rows->showBackgroundLook();
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
    m_workerView = std::make_unique<WorkerBatchView>(*m_batchView, [this](std::function<void()> call) {
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
                if (code == widgets::kOptionTreeItemChanged && batchBusy()) {
                    m_rows->storeSelectedEdits();
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
    connect(m_profileCombo, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_rows->selectProfile(index); });
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

int MainWindow::selectedRow() const {
    return m_rows->selectedRow();
}

std::string MainWindow::outputText() const {
    return m_outputEdit->text().toStdString();
}

const std::optional<BatchProgress>& MainWindow::batchProgress() const {
    return m_batchView->batchProgress();
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
        m_rows->removeSelectedRow();
        break;
    case kCmdRemoveAll:
    case kCmdMenuRemoveAll:
        m_rows->removeAllRows();
        break;
    case kIdMoveUp:
    case kCmdMenuUp:
        m_rows->moveSelectedRow(-1);
        break;
    case kIdMoveDown:
    case kCmdMenuDown:
        m_rows->moveSelectedRow(1);
        break;
    case kCmdMenuCheckAll:
        m_rows->checkAllRows(true);
        break;
    case kCmdMenuUncheckAll:
        m_rows->checkAllRows(false);
        break;
    case kIdSplit:
    case kCmdSplit:
        m_rows->splitSelectedRow();
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
    default:
        runPreviewCommand(id);
        break;
    }
}

bool MainWindow::runPreviewCommand(int id) {
    switch (id) {
    case kIdPlay:
    case kCmdPlay:
        playPreview();
        return true;
    case kIdPause:
        m_preview->pause();
        return true;
    case kIdPreviewStop:
        m_preview->stop();
        return true;
    case kIdRewind:
        m_preview->stepBack();
        return true;
    case kIdFastForward:
        m_preview->stepForward();
        return true;
    default:
        return false;
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
        m_rows->selectListRow(m_files.rowCount() - 1);
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
            m_rows->showColumnsLook();
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
            m_batchView->batchRowChanged(row);
        }
    }
    if (result.lastOfRequest) {
        m_addRequests.erase(request);
    }
    Q_EMIT fileHandled(path, added);
    // A drop selects each file it added; the Add command the last row once its files are in.
    return dropped ? added : result.lastOfRequest;
}

void MainWindow::startConvert() {
    // One batch at a time: a second Start while one starts or runs is ignored.
    if (batchBusy()) {
        return;
    }
    m_rows->storeSelectedEdits();
    m_workerView->begin(m_files, m_outputEdit->text().toStdString(), m_shutdownCheck->isChecked(),
                        m_openFolderCheck->isChecked());
    m_driver->setSimultaneous(simultaneousConversions(m_processCount));
    if (m_driver->startRequest()) {
        // The rows the worker copied must keep their places until it has ended.
        m_batchView->setEditingEnabled(false);
        m_batchView->beginBatchProgress();
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

// Whole-batch progress ----------------------------------------------------------------------------

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
