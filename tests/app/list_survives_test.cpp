// The window's list after the program was killed in the middle of a batch: the next start asks once and
// gives the list back with settings, cuts and completed rows as they were.
#include <gtest/gtest.h>

#include <signal.h>

#include <QCheckBox>
#include <QTest>

#include <filesystem>
#include <thread>

#include "app/configure_dialog.h"
#include "app/list_keeper.h"
#include "app/main_window.h"
#include "app/saved_list.h"
#include "engine/trace_file.h"
#include "platform/process.h"
#include "platform/program_dir.h"
#include "tests/support/test_support.h"
#include "widgets/cell_list_ctrl.h"

namespace morvane::app {
namespace {

namespace fs = std::filesystem;
using morvane::test::TempDir;
using morvane::test::writeFile;

class Answers final : public UserPrompts {
public:
    MessageAnswer ask(const Message& message) override {
        messages.push_back(message);
        if (message.buttons != MessageButtons::YesNo) {
            return MessageAnswer::Ok;
        }
        return answer;
    }
    std::vector<Message> messages;
    MessageAnswer answer = MessageAnswer::Yes;
};

class ListSurvives : public ::testing::Test {
protected:
    ListSurvives() {
        fs::create_symlink(MORVANE_FAKE_CONVERTER, dir.file("vec"));
        fs::create_directories(dir.file("profiles"));
        writeFile(dir.file("profiles/10-avi.pf"),
                  "[Main]\nName=AVI Movie\nSName=AVI\nFormat=avi\nExtName=avi\n"
                  "MediaType=AVI\n[Parameter]\ntitle=,,Old\nb=,,100\n");
        // Each conversion takes over a second, so the test can stop the program in the middle of one.
        writeFile(dir.file("vec-script.txt"),
                  "out frame= 10 fps= 0 q=2.0 size= 10kB dup=0 time=1.00 bitrate=1.0kbits/s\\n\n"
                  "sleep 1200\nwritelast converted\n");
    }
    ~ListSurvives() override {
        engine::closeTraceFile();
        platform::setProgramDirectory("");
    }

    std::unique_ptr<MainWindow> openWindow() {
        platform::setProgramDirectory(dir.path() + "/");
        WindowServices services;
        services.prompts = &prompts;
        services.power = &power;
        return std::make_unique<MainWindow>(dir.path() + "/", services);
    }
    std::string listFile() const { return dir.file("file-list.json"); }

    TempDir dir;
    TempDir clips;
    Answers prompts;
    test::RecordingPowerControl power;
};

TEST_F(ListSurvives, AKilledWindowOffersItsListBackWithSettingsCutsAndCompletedRows) {
    std::vector<std::string> args{MORVANE_LIST_SESSION_CHILD, dir.path(), dir.file("out")};
    for (int i = 1; i <= 5; ++i) {
        args.push_back(clips.file("clip" + std::to_string(i) + ".mp4"));
        ASSERT_TRUE(test::generateClip(args.back(), "av", 1.0, 160, 120));
    }
    platform::SpawnOptions options;
    options.stdoutMode = platform::StdStream::Inherit;
    options.stderrMode = platform::StdStream::Inherit;
    options.environment = {"QT_QPA_PLATFORM=offscreen"};
    auto child = platform::ChildProcess::spawn(args, options);
    ASSERT_GT(child.pid(), 0);

    // Killed once two files are done and the third converts.
    std::optional<SavedList> atKill;
    for (int i = 0; i < 1200 && !atKill; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto saved = parseSavedList(test::readFile(listFile()));
        if (saved && saved->rows.size() == 5 &&
            std::count_if(saved->rows.begin(), saved->rows.end(),
                          [](const SavedRow& row) { return row.status == kStatusCompleted; }) >= 2) {
            ASSERT_TRUE(child.kill(SIGKILL));
            atKill = parseSavedList(test::readFile(listFile())).valueOr(SavedList{});
        }
    }
    child.wait();
    ASSERT_TRUE(atKill) << "the batch did not get two files done";
    ASSERT_EQ(atKill->rows.size(), 5U);
    EXPECT_TRUE(atKill->open) << "the file still says the window is open";
    const auto completed = std::count_if(atKill->rows.begin(), atKill->rows.end(),
                                         [](const SavedRow& row) { return row.status == kStatusCompleted; });
    EXPECT_LT(completed, 5) << "killed in the middle of the batch";

    auto window = openWindow();
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, restoreQuestionText(5));
    EXPECT_EQ(prompts.messages[0].text,
              "The program did not close properly last time. Restore the 5 files of the last session?");
    EXPECT_EQ(prompts.messages[0].buttons, MessageButtons::YesNo);
    const FileList& rows = window->files();
    ASSERT_EQ(rows.rowCount(), 5);
    EXPECT_TRUE(window->columnsPresent());
    for (int i = 0; i < 5; ++i) {
        const bool done = atKill->rows[static_cast<std::size_t>(i)].status == kStatusCompleted;
        EXPECT_EQ(rows.row(i).cells[kColumnStatus], done ? kStatusCompleted : kStatusReady) << i;
        EXPECT_EQ(rows.row(i).checked, !done) << i;
        EXPECT_EQ(window->list().itemText(i, kColumnStatus).toStdString(), rows.row(i).cells[kColumnStatus]);
        EXPECT_EQ(rows.row(i).job->sourcePath.str(), args[static_cast<std::size_t>(3 + i)]);
    }
    EXPECT_EQ(rows.row(0).cells[kColumnStart], "00:00:01");
    EXPECT_EQ(rows.row(0).cells[kColumnEnd], "00:00:02");
    EXPECT_EQ(rows.row(1).profile->findParam("title")->value, "Second of five");
    EXPECT_EQ(rows.row(2).profile->findParam("title")->value, "Old");
    EXPECT_GT(rows.row(3).job->duration, 0.0) << "the probed facts come back";

    // A clean exit with the choice off (the default) leaves no list for the next start.
    window.reset();
    EXPECT_FALSE(fs::exists(listFile()));
    window = openWindow();
    EXPECT_EQ(window->files().rowCount(), 0);
    EXPECT_EQ(prompts.messages.size(), 1U);
}

TEST_F(ListSurvives, ACleanExitKeepsTheListOnlyWhenChosenAndBadFilesAreSetAside) {
    const std::string clip = clips.file("a.mp4");
    ASSERT_TRUE(test::generateClip(clip, "av", 1.0, 160, 120));
    writeFile(dir.file("config.ini"), "[Config]\nKeepList=TRUE\n");
    {
        auto window = openWindow();
        EXPECT_TRUE(window->keepListOnExit());
        window->addStartFiles({clip, clip});
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->files().rowCount() == 2; }, 20000));
    }
    ASSERT_TRUE(fs::exists(listFile()));
    {
        // Kept by choice: back without a question; a file gone meanwhile is named once.
        prompts.messages.clear();
        writeFile(listFile(), [&] {
            auto text = test::readFile(listFile());
            const auto at = text.rfind("a.mp4");
            return text.replace(at, 5, "gone.mp4");
        }());
        auto window = openWindow();
        EXPECT_EQ(window->files().rowCount(), 1);
        ASSERT_EQ(prompts.messages.size(), 1U);
        EXPECT_EQ(prompts.messages[0].text, missingFilesText({clips.file("gone.mp4")}));
        // Another copy of the program opened meanwhile leaves the list to this one.
        auto second = openWindow();
        EXPECT_EQ(second->files().rowCount(), 0);
        EXPECT_FALSE(second->listKeeper()->keeping());
    }
    // A list written by a later version is set aside, named once, and the window starts empty.
    auto text = test::readFile(listFile());
    text.replace(text.find("\"version\": 1"), 12, "\"version\": 9");
    writeFile(listFile(), text);
    prompts.messages.clear();
    auto window = openWindow();
    EXPECT_EQ(window->files().rowCount(), 0);
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_NE(prompts.messages[0].text.find("a later version of the program wrote it (version 9)"),
              std::string::npos)
        << prompts.messages[0].text;
    std::vector<std::string> aside;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (entry.path().extension() == ".bad") {
            aside.push_back(entry.path().string());
        }
    }
    ASSERT_EQ(aside.size(), 1U);
    EXPECT_EQ(test::readFile(aside[0]), text) << "set aside whole";
}

TEST(ConfigureKeepList, OffByDefaultOkStoresItCancelNot) {
    ConfigureValues values;
    EXPECT_FALSE(values.keepList);
    {
        ConfigureDialog dialog(values);
        auto* keep = dialog.findChild<QCheckBox*>(QStringLiteral("keepListCheck"));
        ASSERT_NE(keep, nullptr);
        EXPECT_EQ(keep->text(), QStringLiteral("Keep the list for the next start"));
        EXPECT_FALSE(keep->isChecked());
        keep->setChecked(true);
        dialog.accept();
        values = dialog.values();
    }
    EXPECT_TRUE(values.keepList);
    ConfigureDialog again(values);
    auto* keep = again.findChild<QCheckBox*>(QStringLiteral("keepListCheck"));
    EXPECT_TRUE(keep->isChecked());
    keep->setChecked(false);
    again.reject();
    EXPECT_TRUE(again.values().keepList);
}

} // namespace
} // namespace morvane::app
