// The Split command of the main window with the real Video Splitter.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/main_window.h"
#include "app/main_window_layout.h"
#include "app/video_splitter_command.h"
#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "preview/video_splitter_dialog.h"
#include "tests/support/test_support.h"
#include "widgets/cell_list_ctrl.h"
#include "widgets/range_slider.h"

namespace morvane::app {
namespace {

class Answers final : public UserPrompts {
public:
    MessageAnswer ask(const Message& message) override {
        messages.push_back(message);
        return MessageAnswer::Ok;
    }
    std::vector<Message> messages;
};

class MainWindowSplitTest : public ::testing::Test {
protected:
    MainWindowSplitTest() {
        std::filesystem::create_directories(dir.file("profiles"));
        test::writeFile(dir.file("profiles/10-avi.pf"),
                        "[Main]\nName=AVI Movie\nSName=AVI\nFormat=avi\nExtName=avi\n"
                        "MediaType=AVI\n[Parameter]\nb=,,100\n");
        platform::setProgramDirectory(dir.path() + "/");
        WindowServices services;
        services.prompts = &prompts;
        services.power = &power;
        window = std::make_unique<MainWindow>(dir.path() + "/", services);
        window->setSplitter(videoSplitter(&prompts));
    }
    ~MainWindowSplitTest() override {
        window.reset();
        engine::closeTraceFile();
        platform::setProgramDirectory("");
    }

    // Runs Split; `inside` acts on the open splitter once it shows, and must end it.
    void split(const std::function<void(preview::VideoSplitterDialog&)>& inside) {
        bool reached = false;
        QTimer::singleShot(0, window.get(), [&] {
            auto* dialog = qobject_cast<preview::VideoSplitterDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return; // the test fails below; nothing to end
            }
            reached = true;
            inside(*dialog);
        });
        window->runCommand(kIdSplit);
        EXPECT_TRUE(reached) << "the splitter did not open";
    }
    static void typeInto(preview::VideoSplitterDialog& dialog, const char* box, const char* text) {
        auto* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(box));
        edit->setText(QString::fromLatin1(text));
        edit->setModified(true);
    }
    static void press(preview::VideoSplitterDialog& dialog, const char* button) {
        dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }
    std::string cell(int column) { return window->list().itemText(0, column).toStdString(); }

    test::TempDir dir;
    test::TempDir clips;
    Answers prompts;
    test::RecordingPowerControl power;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowSplitTest, OkWritesTheChosenCutIntoTheRowAndCancelWritesNothing) {
    const std::string clip = clips.file("six.mp4");
    ASSERT_TRUE(test::generateClip(clip, "video", 6.0));
    window->addDroppedFiles({clip});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->filesBeingProbed() == 0; }, 20000));
    ASSERT_EQ(window->selectedRow(), 0);
    // The job's length is the file's plus one second, so whole seconds always cover the whole file.
    ASSERT_EQ(cell(kColumnEnd), "00:00:07");

    split([&](preview::VideoSplitterDialog& dialog) {
        EXPECT_EQ(dialog.values(),
                  (preview::SplitterValues{0, 0, 7, 7, window->files().row(0).job->duration - 1}));
        EXPECT_NEAR(dialog.values().mediaLength, 6.0, 0.1) << "the splitter knows where the file really ends";
        typeInto(dialog, "startEdit", "00:00:02");
        typeInto(dialog, "endEdit", "00:00:05");
        press(dialog, "okButton");
    });
    EXPECT_EQ(cell(kColumnStart), "00:00:02");
    EXPECT_EQ(cell(kColumnEnd), "00:00:05");

    split([&](preview::VideoSplitterDialog& dialog) {
        EXPECT_EQ(dialog.values(),
                  (preview::SplitterValues{0, 2, 5, 7, window->files().row(0).job->duration - 1}));
        dialog.slider().SetRange(-1.0, 3.0);
        EXPECT_EQ(dialog.values().start, 0);
        press(dialog, "cancelButton");
    });
    EXPECT_EQ(cell(kColumnStart), "00:00:02");
    EXPECT_EQ(cell(kColumnEnd), "00:00:05");

    // A refused time is said through the window's prompts and keeps the splitter open.
    window->list().setItemText(0, kColumnEnd, QStringLiteral("soon"));
    split([&](preview::VideoSplitterDialog& dialog) {
        EXPECT_EQ(dialog.values(),
                  (preview::SplitterValues{0, 2, 7, 7, window->files().row(0).job->duration - 1}))
            << "an unreadable End opens the whole rest";
        typeInto(dialog, "startEdit", "later");
        press(dialog, "okButton");
        EXPECT_TRUE(dialog.isVisible());
        press(dialog, "cancelButton");
    });
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, "Error time!");
    EXPECT_EQ(prompts.messages[0].caption, "Error");
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(cell(kColumnEnd), "soon");
}

} // namespace
} // namespace morvane::app
