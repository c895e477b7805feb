#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <numeric>

#include "app/batch_driver.h"
#include "app/desktop_actions.h"
#include "app/desktop_notifier.h"
#include "app/file_adder.h"
#include "app/main_window_layout.h"
#include "app/startup_checks.h"
#include "app/window_batch_view.h"
#include "app/window_services.h"
#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "profiles/parameter_panel.h"
#include "tests/support/test_support.h"
#include "widgets/cell_list_ctrl.h"
#include "widgets/option_tree.h"
#include "widgets/option_tree_items.h"

namespace morvane::app {
namespace {

// Answers every message box at once and remembers it; Yes/No questions take the next scripted answer.
class RecordingPrompts final : public UserPrompts {
public:
    MessageAnswer ask(const Message& message) override {
        messages.push_back(message);
        if (message.buttons != MessageButtons::YesNo) {
            return MessageAnswer::Ok;
        }
        if (onQuestion) {
            return onQuestion(message);
        }
        if (answers.empty()) {
            return MessageAnswer::Yes;
        }
        const auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (const auto& m : messages) {
            result.push_back(m.text);
        }
        return result;
    }

    void dismissOpenQuestion() override {
        ++dismissals;
        if (openQuestion != nullptr) {
            openQuestion->quit();
        }
    }

    std::vector<Message> messages;
    std::vector<MessageAnswer> answers;
    // Answers Yes/No questions instead of `answers`, as a box open for a while does.
    std::function<MessageAnswer(const Message&)> onQuestion;
    QEventLoop* openQuestion = nullptr;
    int dismissals = 0;
};

class FakeFileDialogs final : public FileDialogs {
public:
    std::optional<std::vector<std::string>> openFiles(QWidget*, const std::vector<std::string>& filters,
                                                      const std::string& startFolder) override {
        filtersSeen = filters;
        startFolders.push_back(startFolder);
        ++opened;
        return files;
    }
    std::optional<std::string> browseFolder(QWidget*, const std::string& title,
                                            const std::string& startFolder) override {
        titleSeen = title;
        startFolders.push_back(startFolder);
        return folder;
    }

    std::optional<std::vector<std::string>> files;
    std::optional<std::string> folder;
    std::vector<std::string> filtersSeen;
    std::string titleSeen;
    std::vector<std::string> startFolders; // of every dialog opened, in order
    int opened = 0;
};

class RecordingOpener final : public DesktopOpener {
public:
    bool openUrl(const QUrl& url) override {
        urls.push_back(url.toString().toStdString());
        return true;
    }
    std::vector<std::string> urls;
};

// Remembers each notice and how many messages the window had shown by then.
class RecordingNotifier final : public DesktopNotifier {
public:
    explicit RecordingNotifier(const RecordingPrompts& prompts) : m_prompts(prompts) {}
    void notify(const BatchNotice& notice) override {
        notices.push_back(notice);
        messagesBefore.push_back(m_prompts.messages.size());
    }
    std::vector<BatchNotice> notices;
    std::vector<std::size_t> messagesBefore;

private:
    const RecordingPrompts& m_prompts;
};

// Clips made once for every test of this file.
class Clips {
public:
    static const Clips& get() {
        static const Clips clips;
        return clips;
    }
    std::string path(const std::string& name) const { return m_dir.file(name); }
    bool ok = true;

private:
    Clips() {
        for (const char* name : {"one.mp4", "two.mp4", "three.mp4", "four.mp4"}) {
            ok = ok && test::generateClip(m_dir.file(name), "av", 2.0, 160, 120);
        }
        test::writeFile(m_dir.file("notes.txt"), "not a video\n");
    }
    test::TempDir m_dir;
};

// What the fake converter does for each conversion: progress, then the output file.
constexpr const char* kConvertScript =
    "out frame= 10 fps= 0 q=2.0 size= 10kB dup=0 time=1.00 bitrate=1.0kbits/s\\n\n"
    "sleep 30\n"
    "out frame= 20 fps= 0 q=2.0 size= 20kB dup=0 time=2.00 bitrate=1.0kbits/s\\n\n"
    "writelast converted\n";
// Takes its time over each file.
constexpr const char* kSlowScript = "out frame= 10 fps= 0 q=2.0 size= 10kB dup=0 time=1.00 "
                                    "bitrate=1.0kbits/s\\n\nsleep 1500\nwritelast converted\n";
// Waits for "q" on its input after the first progress line, then abandons the run as the converter does
// when told to discard a stopped run (its exit code says so).
constexpr const char* kStoppableScript =
    "out frame= 10 fps= 0 q=2.0 size= 10kB dup=0 time=1.00 bitrate=1.0kbits/s\\n\nwaitq\nexit 75\n";

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        std::filesystem::create_symlink(MORVANE_FAKE_CONVERTER, dir.file("vec"));
        std::filesystem::create_directories(dir.file("profiles"));
        test::writeFile(dir.file("profiles/10-avi.pf"),
                        "[Main]\nName=AVI Movie\nSName=AVI\nFormat=avi\nExtName=avi\n"
                        "MediaType=AVI\n[Parameter]\ntitle=,,Old\nb=,,100\n"
                        "ac=,,2\nab=,,1\n");
        test::writeFile(dir.file("profiles/20-mp3.pf"),
                        "[Main]\nName=MP3 Audio\nSName=\nFormat=mp3\nExtName=mp3\n"
                        "MediaType=MP3\n[Parameter]\nab=,,128\n");
        script(kConvertScript);
        platform::setProgramDirectory(dir.path() + "/");
        WindowServices services;
        services.prompts = &prompts;
        services.fileDialogs = &dialogs;
        services.opener = &opener;
        services.power = &power;
        services.notifier = &notifier;
        window = std::make_unique<MainWindow>(dir.path() + "/", services);
        setOutput(dir.file("out"));
    }
    ~MainWindowTest() override {
        window.reset();
        engine::closeTraceFile();
        platform::setProgramDirectory("");
    }

    void script(const std::string& text) { test::writeFile(dir.file("vec-script.txt"), text); }
    void setOutput(const std::string& folder) {
        window->findChild<QLineEdit*>(QStringLiteral("outputEdit"))->setText(QString::fromStdString(folder));
    }
    QAbstractButton* button(int id) { return qobject_cast<QAbstractButton*>(window->control(id)); }
    void click(int id) { QTest::mouseClick(button(id), Qt::LeftButton); }

    // Adds files through the Add button and waits until each one is in the list or refused.
    void add(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const auto& name : names) {
            paths.push_back(Clips::get().path(name));
        }
        dialogs.files = paths;
        click(kIdAdd);
        waitForProbes();
    }
    void waitForProbes() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->filesBeingProbed() == 0; }, 20000));
    }
    void waitForBatchEnd() {
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !window->driver().busy() && button(kIdAdd)->isEnabled(); }, 30000));
    }
    std::string cell(int row, int column) { return window->list().itemText(row, column).toStdString(); }
    std::vector<std::string> column(int column) {
        std::vector<std::string> texts;
        for (int row = 0; row < window->list().cells().rowCount(); ++row) {
            texts.push_back(cell(row, column));
        }
        return texts;
    }
    widgets::OptionTreeItem* panelRow(const char* heading, const char* label) {
        auto* tree = window->findChild<widgets::OptionTree*>();
        widgets::OptionTreeItem* found = nullptr;
        tree->enumerate(nullptr, [&](widgets::OptionTreeItem& item) {
            if (!found && item.parent() && item.parent()->label() == QString::fromUtf8(heading) &&
                item.label() == QString::fromUtf8(label)) {
                found = &item;
            }
            return true;
        });
        return found;
    }

    test::TempDir dir;
    RecordingPrompts prompts;
    FakeFileDialogs dialogs;
    RecordingOpener opener;
    test::RecordingPowerControl power;
    RecordingNotifier notifier{prompts};
    std::unique_ptr<MainWindow> window;
};

class ProgramDirectoryScope {
public:
    explicit ProgramDirectoryScope(const std::string& dir) { platform::setProgramDirectory(dir); }
    ~ProgramDirectoryScope() {
        engine::closeTraceFile();
        platform::setProgramDirectory("");
    }
    ProgramDirectoryScope(const ProgramDirectoryScope&) = delete;
    ProgramDirectoryScope& operator=(const ProgramDirectoryScope&) = delete;
};

// Services for a window that never converts: still no way to the real shutdown.
WindowServices withoutShutdown() {
    static test::RecordingPowerControl power;
    WindowServices services;
    services.power = &power;
    return services;
}

TEST(MainWindow, OpensWithTitleAndOutputFromConfig) {
    test::TempDir dir;
    const ProgramDirectoryScope scope(dir.path());
    {
        MainWindow window(dir.path() + "/", withoutShutdown());
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillon Video Converter 1.0.1"));
        EXPECT_FALSE(window.outputText().empty());
        EXPECT_EQ(window.outputText(), defaultOutputFolder());
        EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull()) << "the window icon must render";
    }
    test::writeFile(dir.file("config.ini"),
                    "[Config]\nSoftName=" + std::string(200, 'S') + "\nversion=2.5\nOutput=/srv/converted\n");
    MainWindow window(dir.path() + "/", withoutShutdown());
    EXPECT_EQ(window.windowTitle().toStdString(), std::string(127, 'S') + " 2.5");
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("outputEdit"))->text(),
              QStringLiteral("/srv/converted"));
}

TEST(MainWindow, ListsTheProfilesAndRemembersTheChoice) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("profiles"));
    test::writeFile(dir.file("profiles/a.pf"), "[Main]\nName=First\n");
    test::writeFile(dir.file("profiles/b.pf"), "[Main]\nName=Second\n");
    test::writeFile(dir.file("profiles/c.pf"), "[Main]\nName=Second\n"); // listed apart, not hidden
    test::writeFile(dir.file("config.ini"), "[Config]\nProfileID=1\n");
    {
        const ProgramDirectoryScope scope(dir.path());
        MainWindow window(dir.path() + "/", withoutShutdown());
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("profileCombo"));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->count(), 3);
        EXPECT_EQ(combo->itemText(2), QStringLiteral("Second (c.pf)"));
        EXPECT_EQ(combo->currentText(), QStringLiteral("Second (b.pf)"));
        EXPECT_EQ(window.currentProfileName(), "Second (b.pf)");
        combo->setCurrentIndex(0);
        EXPECT_EQ(window.currentProfileName(), "First");
        EXPECT_FALSE(window.findChild<QCheckBox*>(QStringLiteral("shutdownCheck"))->isChecked());
        EXPECT_TRUE(window.findChild<QCheckBox*>(QStringLiteral("openFolderCheck"))->isChecked());
        EXPECT_TRUE(test::fileExists(dir.file("trace.flt"))) << "the trace file is opened with the window";
    }
    EXPECT_NE(test::readFile(dir.file("config.ini")).find("ProfileID=0"), std::string::npos);
}

TEST_F(MainWindowTest, OpensWithEveryControlCaptionsWholeAndTheBackgroundLook) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillon Video Converter 1.0.1"));
    EXPECT_FALSE(window->windowIcon().pixmap(32, 32).isNull());
    for (const auto& entry : pictureButtons()) {
        ASSERT_NE(button(entry.id), nullptr) << entry.id;
        EXPECT_EQ(button(entry.id)->toolTip().toStdString(), entry.tooltip);
    }
    // No caption is cut: every text control is as wide and tall as its text needs.
    for (auto* control : window->findChildren<QWidget*>()) {
        const auto* button = qobject_cast<QAbstractButton*>(control);
        if ((qobject_cast<QLabel*>(control) && !qobject_cast<QLabel*>(control)->text().isEmpty()) ||
            (button && !button->text().isEmpty())) {
            EXPECT_GE(control->width(), control->sizeHint().width()) << control->objectName().toStdString();
            EXPECT_GE(control->height(), control->sizeHint().height()) << control->objectName().toStdString();
        }
    }
    // The left part keeps clear of the panel and the preview pane.
    const int rightPart = window->control(kIdPanelFrame)->geometry().left();
    for (const int id : {kIdFileList, kIdOpen, kIdOpenFolderCheck, kIdMore}) {
        EXPECT_LT(window->control(id)->geometry().right(), rightPart) << id;
    }
    EXPECT_LT(window->control(kIdOpenFolderCheck)->geometry().left(),
              window->control(kIdPreviewSlider)->geometry().left());

    EXPECT_FALSE(window->columnsPresent());
    EXPECT_EQ(window->list().cells().columnCount(), 0);
    EXPECT_FALSE(window->list().horizontalHeader()->isVisible());
    EXPECT_EQ(window->selectedRow(), -1);
    // Split waits for the splitter; the menus carry their commands.
    EXPECT_FALSE(button(kIdSplit)->isEnabled());
    EXPECT_FALSE(window->command(kCmdSplit)->isEnabled());
    EXPECT_EQ(window->command(kCmdHelp)->text(), QStringLiteral("&Help"));
    EXPECT_EQ(window->command(kCmdRemove)->text(), QStringLiteral("&Remove "));
    EXPECT_EQ(window->menuBar()->actions().size(), 4);
    window->setSplitter([](QWidget&, const SplitRequest&) { return std::optional<CutRange>(); });
    EXPECT_TRUE(button(kIdSplit)->isEnabled());
}

TEST_F(MainWindowTest, AddingThreeFilesWithAnUndecodableSecondBringsTheColumnsAndTwoRows) {
    ASSERT_TRUE(Clips::get().ok);
    add({"one.mp4", "notes.txt", "two.mp4"});

    EXPECT_EQ(dialogs.filtersSeen, fileDialogFilters(kOpenFileFilter));
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, "The file \"notes.txt\" can not be decoded.");
    EXPECT_EQ(prompts.messages[0].caption, "Error");
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Stop);

    EXPECT_TRUE(window->columnsPresent());
    EXPECT_TRUE(window->list().horizontalHeader()->isVisibleTo(window.get()));
    // The rule's widths, the times whole.
    const auto rule = fileListColumnWidths(window->list().width());
    int total = 0;
    for (int c = 0; c < kColumnCount; ++c) {
        total += window->list().columnWidth(c);
    }
    for (const int c : {kColumnCheck, kColumnTarget, kColumnStatus}) {
        EXPECT_EQ(window->list().columnWidth(c), rule[static_cast<std::size_t>(c)]) << c;
    }
    EXPECT_EQ(total, std::accumulate(rule.begin(), rule.end(), 0));
    const QFontMetrics metrics(window->list().font());
    EXPECT_GT(window->list().columnWidth(kColumnEnd), metrics.horizontalAdvance(QStringLiteral("00:00:03")));
    EXPECT_EQ(column(kColumnFile), (std::vector<std::string>{"one.mp4", "two.mp4"}));
    EXPECT_EQ(column(kColumnTarget), (std::vector<std::string>{"AVI", "AVI"}));
    EXPECT_EQ(column(kColumnStart), (std::vector<std::string>{"00:00:00", "00:00:00"}));
    EXPECT_EQ(column(kColumnEnd), (std::vector<std::string>{"00:00:03", "00:00:03"})) << "length plus one";
    EXPECT_EQ(column(kColumnStatus), (std::vector<std::string>{"Ready", "Ready"}));
    EXPECT_EQ(window->list().getCheck(0, kColumnCheck), 1);
    EXPECT_EQ(window->selectedRow(), 1) << "the last row is selected";
    EXPECT_EQ(window->list().getSelectedRow(), 1);

    dialogs.files.reset(); // cancelled: nothing happens
    click(kIdAdd);
    EXPECT_EQ(window->files().rowCount(), 2);
}

TEST_F(MainWindowTest, FilesNamedOnTheCommandLineStartInTheListAsAddAddsThem) {
    ASSERT_TRUE(Clips::get().ok);
    const std::string one = Clips::get().path("one.mp4");
    const std::string clips = one.substr(0, one.rfind('/'));
    const auto files =
        commandLineFiles({"one.mp4", "", "../" + clips.substr(clips.rfind('/') + 1) + "/two.mp4"}, clips);
    EXPECT_EQ(files, (std::vector<std::string>{one, Clips::get().path("two.mp4")}));

    window->addStartFiles({});
    window->addStartFiles(files);
    waitForProbes();
    EXPECT_EQ(column(kColumnFile), (std::vector<std::string>{"one.mp4", "two.mp4"}));
    EXPECT_EQ(column(kColumnStatus), (std::vector<std::string>{"Ready", "Ready"}));
    EXPECT_EQ(window->selectedRow(), 1) << "the last row is selected, as after Add";
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(MainWindowTest, StartUpFindingsGreyTheUnusableProfileAndAreShownInOneWarning) {
    StartupReport report;
    report.problems = {"first problem", "second problem"};
    report.unavailable = {{"MP3 Audio", "FFmpeg on this system has no encoder libmp3lame (MP3)"}};
    window->applyStartupReport(report);
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, "first problem\n\nsecond problem");
    EXPECT_EQ(prompts.messages[0].caption, "Warning");

    auto* combo = window->findChild<QComboBox*>(QStringLiteral("profileCombo"));
    const auto* model = qobject_cast<QStandardItemModel*>(combo->model());
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(combo->itemText(1), QStringLiteral("MP3 Audio"));
    EXPECT_TRUE(model->item(0)->isEnabled());
    EXPECT_FALSE(model->item(1)->isEnabled());
    EXPECT_EQ(combo->itemData(1, Qt::ToolTipRole).toString(),
              QStringLiteral("FFmpeg on this system has no encoder libmp3lame (MP3)"));

    window->applyStartupReport({});
    EXPECT_EQ(prompts.messages.size(), 1U) << "nothing to say, no message";
}

TEST_F(MainWindowTest, RemovingRowsMovesTheSelectionAndTheLastBringsTheBackgroundBack) {
    add({"one.mp4", "two.mp4", "three.mp4"});
    ASSERT_EQ(window->files().rowCount(), 3);
    click(kIdRemove); // the selected last row
    EXPECT_EQ(column(kColumnFile), (std::vector<std::string>{"one.mp4", "two.mp4"}));
    EXPECT_EQ(window->selectedRow(), 1) << "the new last row is selected";
    EXPECT_EQ(window->list().getSelectedRow(), 1);

    window->list().selectRow(0);
    window->runCommand(kCmdRemove);
    EXPECT_EQ(column(kColumnFile), (std::vector<std::string>{"two.mp4"}));
    EXPECT_EQ(window->selectedRow(), 0) << "the row that took its place";
    click(kIdRemove);
    EXPECT_EQ(window->files().rowCount(), 0);
    EXPECT_FALSE(window->columnsPresent());
    EXPECT_EQ(window->list().cells().columnCount(), 0);
    EXPECT_EQ(window->selectedRow(), -1);
    click(kIdRemove); // nothing selected: nothing happens

    add({"one.mp4", "two.mp4"});
    window->runCommand(kCmdMenuRemoveAll);
    EXPECT_EQ(window->files().rowCount(), 0);
    EXPECT_TRUE(window->columnsPresent()) << "Remove all keeps the headers";
    EXPECT_EQ(window->selectedRow(), -1);
}

TEST_F(MainWindowTest, UpAndDownMoveTheSelectedRowWithItsCheckAndJob) {
    add({"one.mp4", "two.mp4", "three.mp4"});
    window->list().setCheck(2, kColumnCheck, 0);
    window->runCommand(kCmdMenuUp);
    EXPECT_EQ(column(kColumnFile), (std::vector<std::string>{"one.mp4", "three.mp4", "two.mp4"}));
    EXPECT_EQ(window->selectedRow(), 1);
    EXPECT_EQ(window->list().getCheck(1, kColumnCheck), 0);
    EXPECT_EQ(window->files().row(1).job->sourcePath.str(), Clips::get().path("three.mp4"));
    window->runCommand(kCmdMenuUp);
    window->runCommand(kCmdMenuUp); // already first: nothing
    EXPECT_EQ(column(kColumnFile), (std::vector<std::string>{"three.mp4", "one.mp4", "two.mp4"}));
    window->runCommand(kCmdMenuDown);
    EXPECT_EQ(column(kColumnFile), (std::vector<std::string>{"one.mp4", "three.mp4", "two.mp4"}));
    EXPECT_EQ(window->list().getSelectedRow(), 1);

    window->runCommand(kCmdMenuUncheckAll);
    EXPECT_EQ(window->files().firstChecked(), -1);
    window->runCommand(kCmdMenuCheckAll);
    EXPECT_EQ(window->list().getCheck(1, kColumnCheck), 1);
}

TEST_F(MainWindowTest, BrowseDropsOneSeparatorKeepsTheRootAndRemembersTheFolder) {
    dialogs.folder = dir.file("clips") + "/";
    click(kIdBrowse);
    EXPECT_EQ(dialogs.titleSeen, "Please select output directory:");
    EXPECT_EQ(window->outputText(), dir.file("clips"));
    EXPECT_NE(test::readFile(dir.file("config.ini")).find("Output=" + dir.file("clips")), std::string::npos);

    dialogs.folder = "/";
    click(kIdBrowse);
    EXPECT_EQ(window->outputText(), "/");

    dialogs.folder.reset();
    click(kIdBrowse);
    EXPECT_EQ(window->outputText(), "/") << "cancelled: unchanged";
    click(kIdOpen);
    EXPECT_EQ(opener.urls, (std::vector<std::string>{"file:///"}));
}

TEST_F(MainWindowTest, SelectingARowShowsItsProfileAndLeavingItKeepsTheEdits) {
    add({"one.mp4", "two.mp4"});
    window->list().selectRow(0);
    // The panel's drop-downs pick by prefix from the second entry: Channels 2, Bit Rate 100 and 1.
    ASSERT_NE(panelRow("Audio", "Channels"), nullptr);
    EXPECT_EQ(panelRow("Audio", "Channels")->valueText(), QStringLiteral("2 (Stereo)"));
    EXPECT_EQ(panelRow("Video", "Bit Rate")->valueText(), QStringLiteral("1000"));
    EXPECT_EQ(panelRow("Audio", "Bit Rate")->valueText(), QStringLiteral("112"))
        << "the first entry comes last";
    EXPECT_FALSE(panelRow("General", "Title")->isReadOnly());

    auto* title = dynamic_cast<widgets::OptionTreeEdit*>(panelRow("General", "Title"));
    ASSERT_NE(title, nullptr);
    title->setText(QStringLiteral("Holiday"));
    window->list().selectRow(1); // leaves row 0
    const auto& profile = *window->files().row(0).profile;
    EXPECT_EQ(profile.findParam("title")->value, "Holiday");
    EXPECT_EQ(profile.findParam("ac")->value, "2 (Stereo)");
    EXPECT_EQ(profile.findParam("b")->value, "1000");
    EXPECT_EQ(window->files().row(1).profile->findParam("title")->value, "Old") << "other rows keep theirs";

    window->list().clearSelection();
    EXPECT_EQ(window->selectedRow(), -1);
    EXPECT_TRUE(panelRow("General", "Title")->isReadOnly()) << "shown read-only after the row is left";
}

TEST_F(MainWindowTest, TheProfileBoxFollowsTheRowAndChangesOnlyTheSelectedRow) {
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("profileCombo"));
    add({"one.mp4", "two.mp4"});
    window->list().clearSelection();
    combo->setCurrentIndex(1); // no row selected: the display-only view and the remembered choice
    EXPECT_EQ(column(kColumnTarget), (std::vector<std::string>{"AVI", "AVI"}));
    EXPECT_NE(test::readFile(dir.file("config.ini")).find("ProfileID=1"), std::string::npos);
    EXPECT_TRUE(panelRow("Audio", "Bit Rate")->isReadOnly());

    window->list().selectRow(1);
    EXPECT_EQ(combo->currentIndex(), 0) << "follows the row's profile";
    combo->setCurrentIndex(1);
    EXPECT_EQ(column(kColumnTarget), (std::vector<std::string>{"AVI", "MP3"}));
    EXPECT_EQ(window->files().row(1).profile->name, "MP3 Audio");
    EXPECT_EQ(window->files().row(1).job->profile, window->files().row(1).profile.get());
    EXPECT_FALSE(panelRow("Audio", "Bit Rate")->isReadOnly());
    window->list().selectRow(0);
    EXPECT_EQ(combo->currentIndex(), 0);
    window->list().selectRow(1);
    EXPECT_EQ(combo->currentIndex(), 1);
}

TEST_F(MainWindowTest, ThreeFilesConvertWithProgressInTheirStatusCells) {
    add({"one.mp4", "two.mp4", "three.mp4"});
    std::map<int, std::vector<int>> progress;
    QObject::connect(&window->list().cells(), &QAbstractItemModel::dataChanged, window.get(),
                     [&](const QModelIndex& first, const QModelIndex&) {
                         const auto index = first.siblingAtColumn(kColumnStatus);
                         const int percent = index.data(widgets::CellListModel::ProgressRole).toInt();
                         if (percent >= 0) {
                             progress[first.row()].push_back(percent);
                         }
                     });
    click(kIdStart);
    EXPECT_FALSE(button(kIdAdd)->isEnabled()) << "editing is off while the batch runs";
    EXPECT_FALSE(window->command(kCmdRemoveAll)->isEnabled());
    EXPECT_TRUE(button(kIdStop)->isEnabled());
    click(kIdStart); // a second Start while one runs is ignored
    waitForBatchEnd();

    EXPECT_EQ(column(kColumnStatus), (std::vector<std::string>{"Completed", "Completed", "Completed"}));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(window->list().getCheck(row, kColumnCheck), 0) << row;
        EXPECT_TRUE(std::find_if(progress[row].begin(), progress[row].end(),
                                 [](int p) { return p > 0 && p < 100; }) != progress[row].end())
            << "no progress seen in row " << row;
    }
    std::vector<std::string> outputs;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("out"))) {
        outputs.push_back(entry.path().filename().string());
    }
    std::sort(outputs.begin(), outputs.end());
    EXPECT_EQ(outputs, (std::vector<std::string>{"one__.avi", "three__.avi", "two__.avi"}));
    EXPECT_EQ(prompts.texts(), (std::vector<std::string>{"    Mission accomplished!        "}));
    EXPECT_EQ(opener.urls,
              (std::vector<std::string>{
                  QUrl::fromLocalFile(QString::fromStdString(dir.file("out"))).toString().toStdString()}));
    EXPECT_EQ(power.shutdownCalls, 0);
    EXPECT_TRUE(button(kIdStart)->isEnabled());
    EXPECT_TRUE(window->command(kCmdRemoveAll)->isEnabled());
    EXPECT_TRUE(window->files().row(0).job->outputPath.empty()) << "the batch converted copies of the rows";

    click(kIdStart); // nothing checked any more
    EXPECT_EQ(prompts.texts().back(), "There is no selected file in list! ");
}

TEST_F(MainWindowTest, SplitWithASplitterIsGreyedInTheMenusOnlyWhileABatchRuns) {
    add({"one.mp4"});
    script(kSlowScript);
    window->setSplitter([](QWidget&, const SplitRequest&) { return std::optional<CutRange>(); });
    EXPECT_TRUE(window->command(kCmdSplit)->isEnabled());
    click(kIdStart);
    EXPECT_FALSE(window->command(kCmdSplit)->isEnabled());
    EXPECT_TRUE(button(kIdSplit)->isEnabled()) << "the Split button stays usable";
    waitForBatchEnd();
    EXPECT_TRUE(window->command(kCmdSplit)->isEnabled());
}

TEST_F(MainWindowTest, TheConfiguredCountConvertsRowsSideBySide) {
    add({"one.mp4", "two.mp4", "three.mp4"});
    script(kStoppableScript);
    EXPECT_EQ(window->processCount(), 2) << "the dialog's initial count";
    prompts.answers = {MessageAnswer::Yes};
    click(kIdStart);
    // Both first rows show their own progress bar at once.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window->files().row(0).progress.value_or(0) > 0 &&
                   window->files().row(1).progress.value_or(0) > 0;
        },
        10000));
    EXPECT_EQ(window->driver().simultaneous(), 2);
    click(kIdStop);
    waitForBatchEnd();
    EXPECT_EQ(column(kColumnStatus), (std::vector<std::string>{"Abort", "Abort", "Abort"}));
    // A count the box stored beyond the dialog's range is kept within it.
    window->setProcessCount(7);
    script("out frame= 10 fps= 0 q=2.0 size= 10kB dup=0 time=1.00 bitrate=1.0kbits/s\\n\n");
    click(kIdStart); // the aborted row is still checked
    waitForBatchEnd();
    EXPECT_EQ(window->driver().simultaneous(), 4);
}

TEST_F(MainWindowTest, StopAsksAndOnlyYesStops) {
    window->setProcessCount(1);
    add({"one.mp4", "two.mp4", "three.mp4"});
    script(kStoppableScript);
    window->findChild<QCheckBox*>(QStringLiteral("openFolderCheck"))->setChecked(false);
    prompts.answers = {MessageAnswer::No, MessageAnswer::Yes};
    click(kIdStart);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->files().row(0).progress.value_or(0) > 0; }, 10000));
    click(kIdStop);
    EXPECT_TRUE(window->driver().busy()) << "No lets it run";
    click(kIdStop);
    waitForBatchEnd();

    // The stopped row is Abort and stays checked; nothing unfinished is in the output folder.
    EXPECT_EQ(column(kColumnStatus), (std::vector<std::string>{"Abort", "Abort", "Ready"}));
    EXPECT_EQ(window->list().getCheck(0, kColumnCheck), 1);
    EXPECT_EQ(window->list().getCheck(2, kColumnCheck), 1);
    EXPECT_FALSE(window->list().cells().index(0, kColumnStatus).data(Qt::ToolTipRole).toString().isEmpty())
        << "the row's tooltip says why";
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("out")));
    EXPECT_EQ(prompts.texts(), (std::vector<std::string>{"  Stop the video convert operation?   ",
                                                         "  Stop the video convert operation?   "}));
    EXPECT_TRUE(opener.urls.empty()) << "the open-folder choice was off";
    ASSERT_EQ(notifier.notices.size(), 1U);
    EXPECT_EQ(notifier.notices[0].summary, "Conversion stopped");
}

// The batch ends by itself while the stop question is open: the question closes (nothing is left to
// stop) before the end of the batch is told, so one box never stands over the other.
TEST_F(MainWindowTest, TheEndOfTheBatchClosesAStopQuestionStillOpen) {
    window->setProcessCount(1);
    add({"one.mp4"});
    script("out frame= 10 fps= 0 q=2.0 size= 10kB dup=0 time=1.00 bitrate=1.0kbits/s\\n\nsleep 1500\n"
           "writelast converted\n");
    bool closedBeforeAnswer = false;
    prompts.onQuestion = [&](const Message&) {
        QEventLoop open;
        prompts.openQuestion = &open;
        QTimer::singleShot(15000, &open, &QEventLoop::quit);
        open.exec();
        prompts.openQuestion = nullptr;
        closedBeforeAnswer = prompts.dismissals > 0;
        return closedBeforeAnswer ? MessageAnswer::No : MessageAnswer::Yes;
    };
    click(kIdStart);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->files().row(0).progress.value_or(0) > 0; }, 10000));
    click(kIdStop);
    waitForBatchEnd();
    EXPECT_TRUE(closedBeforeAnswer);
    EXPECT_EQ(column(kColumnStatus), (std::vector<std::string>{"Completed"}));
    EXPECT_EQ(prompts.texts(), (std::vector<std::string>{"  Stop the video convert operation?   ",
                                                         "    Mission accomplished!        "}));
}

// An edit committed in the panel while a batch runs reaches a row that has not started yet, without the
// row being left first.
TEST_F(MainWindowTest, AnEditOfAWaitingRowDuringABatchIsConvertedWithIt) {
    window->setProcessCount(1);
    add({"one.mp4", "two.mp4"});
    script(kSlowScript);
    click(kIdStart);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->files().row(0).progress.value_or(0) > 0; }, 10000));
    window->list().selectRow(1);
    auto* title = dynamic_cast<widgets::OptionTreeEdit*>(panelRow("General", "Title"));
    ASSERT_NE(title, nullptr);
    title->activate();
    title->setText(QStringLiteral("Edited while waiting"));
    title->commit();
    ASSERT_TRUE(window->driver().busy()) << "the edit came while the batch ran";
    waitForBatchEnd();
    EXPECT_EQ(column(kColumnStatus), (std::vector<std::string>{"Completed", "Completed"}));
    // The converter's arguments of every run: the second row's conversion carried the edit.
    const std::string runs = test::readFile(dir.file("vec-args-all.txt"));
    EXPECT_NE(runs.find("Edited while waiting"), std::string::npos);
    // The outputs' lengths are read by the media layer: the converter runs for the conversions alone.
    EXPECT_EQ(runs.find("-info"), std::string::npos) << runs;
}

TEST_F(MainWindowTest, TheTitleFollowsTheWholeBatchAndTheDesktopHearsOfItsEnd) {
    window->setProcessCount(1);
    add({"one.mp4", "two.mp4"});
    const QString plain = window->windowTitle();
    std::vector<int> percents;
    QObject::connect(window.get(), &QWidget::windowTitleChanged, window.get(), [&](const QString& title) {
        if (title.endsWith(QStringLiteral(" - ") + plain)) {
            percents.push_back(title.section(QLatin1Char('%'), 0, 0).toInt());
        }
    });
    click(kIdStart);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("0% - ") + plain);
    waitForBatchEnd();

    EXPECT_EQ(window->windowTitle(), plain);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    // Two clips of one length: the first one's progress fills the first half, its end is half the
    // batch, the second one's progress the second half.
    const auto shown = [&](int low, int high) {
        return std::any_of(percents.begin(), percents.end(), [&](int p) { return p > low && p < high; });
    };
    EXPECT_TRUE(shown(0, 50) && shown(49, 51) && shown(50, 100)) << ::testing::PrintToString(percents);
    ASSERT_EQ(notifier.notices.size(), 1U);
    EXPECT_EQ(notifier.notices[0].summary, "Conversion finished");
    EXPECT_EQ(notifier.notices[0].body, "2 files converted");
    EXPECT_EQ(notifier.messagesBefore[0], 0U) << "the desktop hears before the completion message";
}

TEST_F(MainWindowTest, ClosingAndDroppingDuringABatchAreSafe) {
    add({"one.mp4"});
    script(kSlowScript);
    click(kIdStart);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->files().row(0).progress.value_or(0) > 0; }, 10000));

    window->show();
    window->close();
    EXPECT_TRUE(window->isVisible()) << "the exit guard keeps the window";
    EXPECT_EQ(prompts.texts().back(), "The convert is running, please stop convert and then exit.");
    EXPECT_EQ(prompts.messages.back().caption, "Warning");
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible()) << "Enter and Escape never end the window";

    // A drop while the batch runs: the new, checked row is reached by it.
    window->addDroppedFiles({Clips::get().path("two.mp4")});
    waitForProbes();
    ASSERT_EQ(window->files().rowCount(), 2);
    EXPECT_EQ(window->selectedRow(), 1) << "a dropped file is selected";
    waitForBatchEnd();
    EXPECT_EQ(column(kColumnStatus), (std::vector<std::string>{"Completed", "Completed"}));
    window->close();
    EXPECT_FALSE(window->isVisible()) << "closes once the batch has ended";
}

TEST_F(MainWindowTest, DestroyingTheWindowDuringABatchStopsItWithoutWaitingLong) {
    add({"one.mp4", "two.mp4"});
    script(kStoppableScript);
    click(kIdStart);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->files().row(0).progress.value_or(0) > 0; }, 10000));
    const auto started = std::chrono::steady_clock::now();
    window.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(power.shutdownCalls, 0);
}

// Keyboard, dialogs' folders and the screen ---------------------------------------------------------

class MainWindowKeyboardTest : public MainWindowTest {
protected:
    void showActive() {
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // The control that has the focus, by the name the window gives it ("panel" for the option tree).
    std::string focused() {
        QWidget* widget = QApplication::focusWidget();
        auto* tree = window->findChild<widgets::OptionTree*>();
        if (widget != nullptr && (widget == tree || tree->isAncestorOf(widget))) {
            return "panel";
        }
        return widget == nullptr ? "" : widget->objectName().toStdString();
    }
    // A new window over the same program directory, as the next run of the program opens.
    void reopen() {
        window.reset();
        engine::closeTraceFile();
        WindowServices services;
        services.prompts = &prompts;
        services.fileDialogs = &dialogs;
        services.opener = &opener;
        services.power = &power;
        services.notifier = &notifier;
        window = std::make_unique<MainWindow>(dir.path() + "/", services);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
};

TEST_F(MainWindowKeyboardTest, TabWalksTheWindowInReadingOrderAndLeavesTheListWithItsRow) {
    add({"one.mp4", "two.mp4"});
    showActive();
    ASSERT_EQ(window->selectedRow(), 1);
    button(kIdAdd)->setFocus();
    ASSERT_EQ(focused(), "addButton");
    // Split is greyed in this window (no splitter), so Tab passes it by.
    const std::vector<std::string> order{
        "removeButton",      "startButton",       "stopButton",      "moreButton",
        "fileList",          "profileCombo",      "outputEdit",      "browseButton",
        "openButton",        "shutdownCheck",     "openFolderCheck", "panel",
        "previewSlider",     "rewindButton",      "playButton",      "pauseButton",
        "previewStopButton", "fastForwardButton", "addButton"};
    std::vector<std::string> walked;
    for (std::size_t i = 0; i < order.size(); ++i) {
        key(Qt::Key_Tab);
        walked.push_back(focused());
    }
    EXPECT_EQ(walked, order);
    // Backwards through the panel: one stop.
    window->findChild<QWidget*>(QStringLiteral("previewSlider"))->setFocus();
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), "panel");
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), "openFolderCheck");

    // Into the list and out again both ways: the selected row (and so the profile) stays.
    window->list().setFocus();
    for (int press = 0; press < 3; ++press) {
        key(Qt::Key_Tab);
        EXPECT_EQ(focused(), "profileCombo");
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focused(), "fileList");
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focused(), "moreButton");
        key(Qt::Key_Tab);
    }
    EXPECT_EQ(window->selectedRow(), 1);
    // The arrows move within the list.
    key(Qt::Key_Up);
    EXPECT_EQ(focused(), "fileList");
    EXPECT_EQ(window->selectedRow(), 0);
}

TEST_F(MainWindowKeyboardTest, EnterPressesTheFocusedButtonAndNothingElse) {
    showActive();
    dialogs.folder = dir.path();
    button(kIdBrowse)->setFocus();
    key(Qt::Key_Return);
    EXPECT_EQ(dialogs.titleSeen, "Please select output directory:") << "Enter on a push button";
    EXPECT_EQ(window->outputText(), dir.path());

    dialogs.files.reset(); // the open-file dialog is cancelled
    button(kIdAdd)->setFocus();
    key(Qt::Key_Enter);
    EXPECT_EQ(dialogs.opened, 1) << "Enter on a picture button";

    // Elsewhere Enter neither presses a button nor ends the window.
    for (const char* name : {"outputEdit", "shutdownCheck"}) {
        window->findChild<QWidget*>(QString::fromLatin1(name))->setFocus();
        key(Qt::Key_Return);
        EXPECT_TRUE(window->isVisible()) << name;
    }
    EXPECT_EQ(dialogs.opened, 1);
    EXPECT_EQ(dialogs.startFolders.size(), 2U);
}

TEST_F(MainWindowKeyboardTest, AddStartsWhereTheLastFileCameFromAndBrowseInTheOutputFolder) {
    const std::string clips = std::filesystem::path(Clips::get().path("one.mp4")).parent_path().string();
    dialogs.files.reset();
    click(kIdAdd);
    add({"one.mp4"});
    add({"two.mp4"});
    ASSERT_EQ(dialogs.startFolders.size(), 3U);
    EXPECT_EQ(dialogs.startFolders[0], "") << "nothing remembered yet: the dialog's own choice";
    EXPECT_EQ(dialogs.startFolders[1], "");
    EXPECT_EQ(dialogs.startFolders[2], clips);
    EXPECT_NE(test::readFile(dir.file("config.ini")).find("AddFolder=" + clips), std::string::npos);

    // The next run remembers it; a folder that has gone is not offered.
    reopen();
    dialogs.startFolders.clear();
    dialogs.files.reset();
    click(kIdAdd);
    test::writeFile(dir.file("config.ini"), "[Config]\nAddFolder=" + dir.file("gone") + "\n");
    reopen();
    click(kIdAdd);
    EXPECT_EQ(dialogs.startFolders, (std::vector<std::string>{clips, ""}));

    // Browse starts in the Output folder, or the nearest folder above one not made yet.
    dialogs.folder.reset();
    dialogs.startFolders.clear();
    std::filesystem::create_directories(dir.file("out"));
    for (const std::string& output : {dir.file("out"), dir.file("out") + "/not/yet", std::string("out")}) {
        setOutput(output);
        click(kIdBrowse);
    }
    EXPECT_EQ(dialogs.startFolders,
              (std::vector<std::string>{dir.file("out"), dir.file("out"), dir.file("out")}))
        << "a relative Output lies below the program directory";
}

TEST_F(MainWindowKeyboardTest, MessagesWithoutACaptionShowTheProductTitle) {
    window->batchView().ask(
        Message{"    Mission accomplished!        ", "", MessageIcon::Information, MessageButtons::Ok});
    window->batchView().ask(Message{"text", "Warning", MessageIcon::Warning, MessageButtons::Ok});
    ASSERT_EQ(prompts.messages.size(), 2U);
    EXPECT_EQ(prompts.messages[0].caption, "Quillon Video Converter 1.0.1");
    EXPECT_EQ(prompts.messages[1].caption, "Warning");
}

// Run by the suite once more on a large screen at scale factor 2, where the window's own size does
// not fit: there its layout shrinks with its font.
TEST_F(MainWindowKeyboardTest, TheWindowFitsTheScreensFreeAreaAndKeepsItsLayoutWhereItFits) {
    showActive();
    const QRect free = window->screen()->availableGeometry();
    EXPECT_LE(window->width(), free.width());
    EXPECT_LE(window->height(), free.height());
    const bool scaled = qEnvironmentVariableIsSet("QT_SCALE_FACTOR");
    EXPECT_EQ(window->font() == QApplication::font(window.get()), !scaled)
        << window->font().pointSizeF() << " on " << free.width() << "x" << free.height();
    // The panel and the preview pane lie inside the window.
    for (const char* name : {"panelFrame", "previewPicture", "fastForwardButton", "openFolderCheck"}) {
        auto* control = window->findChild<QWidget*>(QString::fromLatin1(name));
        const QRect inWindow(control->mapTo(window.get(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(window->rect().contains(inWindow)) << name;
    }
    // Nothing of the left part lies under the panel.
    const int rightPart = window->findChild<QWidget*>(QStringLiteral("panelFrame"))->geometry().left();
    for (const char* name : {"openButton", "openFolderCheck", "profileCombo"}) {
        EXPECT_LT(window->findChild<QWidget*>(QString::fromLatin1(name))->geometry().right(), rightPart)
            << name;
    }
}

} // namespace
} // namespace morvane::app
