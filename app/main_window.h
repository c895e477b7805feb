#pragma once

#include <QDialog>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/batch_progress.h"
#include "app/batch_view.h"
#include "app/file_list.h"
#include "app/probe_queue.h"
#include "engine/conversion_job.h"
#include "engine/quillon_media_cntl.h"
#include "profiles/profile_catalogue.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QMenuBar;

namespace morvane::platform {
class PowerControl;
} // namespace morvane::platform

namespace morvane::preview {
class PreviewPaneController;
} // namespace morvane::preview

namespace morvane::profiles {
class ParameterPanel;
} // namespace morvane::profiles

namespace morvane::widgets {
class CellListCtrl;
} // namespace morvane::widgets

namespace morvane::app {

class BatchDriver;
class DesktopNotifier;
class DesktopOpener;
class FileDialogs;
class FileListController;
class FileListRows;
class ListKeeper;
class WindowBatchView;
class WorkerBatchView;
struct MenuEntry;
struct StartupReport;

// What the main window asks of the outside world. Null members get the real thing; tests give
// recording fakes (and always a power control, so that no test can reach the real shutdown).
struct WindowServices {
    UserPrompts* prompts = nullptr;
    FileDialogs* fileDialogs = nullptr;
    DesktopOpener* opener = nullptr;
    platform::PowerControl* power = nullptr;
    // Tells the desktop when a batch has ended.
    DesktopNotifier* notifier = nullptr;
    // Makes the encoders; empty for the program's own.
    engine::EncoderFactory encoders;
};

// What the Video Splitter is given for the selected row, and what it gives back on OK (seconds).
struct SplitRequest {
    std::string sourcePath;
    int minimum = 0;
    int start = 0;
    int end = 0;
    int maximum = 0;
    // The file's own length in seconds (the maximum is a bound a second past it); below 0 when unknown.
    double length = -1.0;
};
struct CutRange {
    int start = 0;
    int end = 0;
};
// Runs the splitter modally over the window; the chosen range on OK, nothing on Cancel.
using Splitter = std::function<std::optional<CutRange>(QWidget& owner, const SplitRequest& request)>;

// The program's only top-level window: the file list with its buttons and menus, the profile and
// Output boxes, the batch, the parameter panel and the preview pane. Its file-list controller runs the
// row commands and keeps the panel in step with the selection; its window batch view is the batch's
// view on the window's thread, which the batch worker reaches only through a WorkerBatchView.
class MainWindow final : public QDialog {
    Q_OBJECT

public:
    // `programDirectory` ends with "/"; every file of the program is found from it.
    explicit MainWindow(std::string programDirectory, WindowServices services = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    const AppSettings& settings() const { return m_settings; }
    const profiles::ProfileCatalogue& catalogue() const { return m_catalogue; }
    const std::string& currentProfileName() const { return m_currentProfileName; }
    engine::CQuillonMediaCntl& facade() { return *m_facade; }
    const FileList& files() const { return m_files; }
    widgets::CellListCtrl& list() const { return *m_list; }
    int selectedRow() const;
    bool columnsPresent() const { return m_columnsPresent; }
    const BatchDriver& driver() const { return *m_driver; }
    // The Configure dialog's "Simultaneous process:" count, as its OK stores it; the next Start uses it.
    int processCount() const { return m_processCount; }
    void setProcessCount(int count) { m_processCount = count; }
    // A control by its id, or null.
    QWidget* control(int id) const;
    // A menu command by its id (More menu, context menu, menu bar), or null.
    QAction* command(int id) const;
    QMenuBar* menuBar() const { return m_menuBar; }

    // Opens the Video Splitter for the Split button and command; until one is set, Split is greyed.
    void setSplitter(Splitter splitter);

    // Files still being probed (added but not yet in the list).
    std::size_t filesBeingProbed() const;

    // The window's commands (buttons, menus, keys).
    void runCommand(int id);
    void addFiles();
    void addDroppedFiles(const std::vector<std::string>& paths);
    // Files given when the program starts: added as Add adds them.
    void addStartFiles(const std::vector<std::string>& paths);
    // The start-up checks' findings: problems shown in one warning, unusable profiles greyed in the
    // profile box with their reason and refused at Start.
    void applyStartupReport(const StartupReport& report);
    void startConvert();
    void stopConvert();
    void browseOutputFolder();
    void openOutputFolder();
    void showMoreMenu();
    void showHelp();
    void showAbout();
    void showConfigure();

    // The batch's view on the window's thread.
    WindowBatchView& batchView() const { return *m_batchView; }
    // The Output box's text.
    std::string outputText() const;

    // The list kept on disk between runs (null once the window has closed it).
    ListKeeper* listKeeper() const { return m_listKeeper.get(); }
    // The Configure dialog's choice to keep the list after a clean exit.
    bool keepListOnExit() const { return m_keepList; }

    // The whole batch's progress while one runs; nothing otherwise.
    const std::optional<BatchProgress>& batchProgress() const;

Q_SIGNALS:
    // A probed file became a row, or was refused as undecodable.
    void fileHandled(const QString& path, bool added);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Enter and Escape never end the window: it closes only through its close request.
    void accept() override {}
    void reject() override {}

private:
    friend class FileListController;
    friend class WindowBatchView;

    struct AddRequest {
        std::string profileName;
        bool dropped = false;
        // Parsed once, when the request's first file is added; each row gets a copy.
        std::optional<profiles::Profile> profile;
    };

    void createServices(WindowServices services);
    // Keyboard and screen: the font that lets the window fit its screen, the Tab order, and the
    // window kept inside the screen's free area.
    void fitFontToScreen();
    void arrangeTabOrder();
    void keepOnScreen();
    void rememberAddFolder(const std::vector<std::string>& paths);
    void createControls();
    void createMenus();
    void keepLeftPartInItsColumn();
    void placeMenuBar();
    QMenu* buildMenu(QMenu* menu, const std::vector<MenuEntry>& entries);
    void connectCommands();
    // The opening steps, in the order the window performs them.
    void initialise();
    void setIcons();
    void readConfiguration();
    void setTitle();
    void showOutputFolder();
    void presetCompletionChoices();
    void initialiseEngine();
    void createPreviewPane();
    void createPanel();
    void fillProfileList();
    void openTrace();
    // The list kept on disk: offered back at the opening, saved as it changes, settled at a clean exit.
    void startListKeeping();
    void appendRestoredRows(std::vector<FileRow> rows);
    void finishListKeeping();

    void queueFiles(std::vector<std::string> paths, bool dropped);
    void fileProbed(ProbeQueue::Result result);
    void addProbedFiles();
    // Adds one probed file; true when the last row is to be selected afterwards.
    bool addProbedFile(ProbeQueue::Result result);
    void showContextMenu();
    void playPreview();

    void updateCommandStates();
    bool batchBusy() const;

    // Commands of the preview pane's buttons; false for any other id.
    bool runPreviewCommand(int id);

    std::string m_programDirectory;
    AppSettings m_settings;

    std::unique_ptr<UserPrompts> m_ownPrompts;
    std::unique_ptr<FileDialogs> m_ownFileDialogs;
    std::unique_ptr<DesktopOpener> m_ownOpener;
    std::unique_ptr<platform::PowerControl> m_ownPower;
    UserPrompts* m_prompts = nullptr;
    FileDialogs* m_fileDialogs = nullptr;
    DesktopOpener* m_opener = nullptr;
    platform::PowerControl* m_power = nullptr;
    std::unique_ptr<DesktopNotifier> m_ownNotifier;
    DesktopNotifier* m_notifier = nullptr;
    engine::EncoderFactory m_encoders;

    // Lives as long as the window; the engine is released when the window goes.
    std::unique_ptr<engine::CQuillonMediaCntl> m_facade;
    engine::EncoderInitRecord m_record;
    profiles::ProfileCatalogue m_catalogue;
    std::string m_currentProfileName;
    // What the panel shows while no row is selected.
    profiles::Profile m_shownProfile;
    std::unique_ptr<profiles::ParameterPanel> m_panel;
    preview::PreviewPaneController* m_preview = nullptr;
    // Kept for the run only, never stored; shared with the Configure dialog.
    bool m_shutdownWhenDone = false;
    int m_processCount = 2;

    // The rows; the list control shows them through m_rowStore.
    FileList m_files;
    std::unique_ptr<FileListRows> m_rowStore;
    std::unique_ptr<FileListController> m_rows;
    bool m_columnsPresent = false;
    bool m_stopQuestionOpen = false; // the stop question is being asked

    // The worker's view goes before the window's, which it calls into.
    std::unique_ptr<WindowBatchView> m_batchView;
    std::unique_ptr<WorkerBatchView> m_workerView;
    std::unique_ptr<BatchDriver> m_driver;
    bool m_editingEnabled = true;

    std::unique_ptr<ProbeQueue> m_probes;
    std::map<std::uint64_t, AddRequest> m_addRequests;
    std::deque<ProbeQueue::Result> m_probed;
    std::atomic<int> m_resultsOnTheWay{0};
    bool m_addingProbed = false;

    Splitter m_splitter;

    std::unique_ptr<ListKeeper> m_listKeeper;
    bool m_keepList = false;

    QWidget* m_client = nullptr; // the controls, below the menu bar
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_moreMenu = nullptr;
    QMenu* m_contextMenu = nullptr;
    std::map<int, QAction*> m_commands;
    std::map<int, QWidget*> m_controls;
    widgets::CellListCtrl* m_list = nullptr;
    QComboBox* m_profileCombo = nullptr;
    QLineEdit* m_outputEdit = nullptr;
    QCheckBox* m_shutdownCheck = nullptr;
    QCheckBox* m_openFolderCheck = nullptr;
};

// The platform's default output folder: the user's Videos folder, else /tmp.
std::string defaultOutputFolder();

} // namespace morvane::app
