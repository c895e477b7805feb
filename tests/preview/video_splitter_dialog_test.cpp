#include "preview/video_splitter_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "media/media_detector.h"
#include "preview/video_host.h"
#include "tests/preview/numbered_clip.h"
#include "tests/support/batch_harness.h"
#include "tests/support/test_support.h"
#include "widgets/image_button.h"
#include "widgets/range_slider.h"

namespace morvane::preview {
namespace {

using test::frameNumberIn;

constexpr int kRate = 30;

bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
    return QTest::qWaitFor(condition, milliseconds);
}

int shownFrame(const VideoHost& pane) {
    return pane.videoVisible() ? frameNumberIn(pane.currentFrame()) : -1;
}

class VideoSplitterDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new test::TempDir();
        s_clip = s_dir->file("numbered.mp4");
        ASSERT_TRUE(test::makeNumberedClip(s_clip, 10.0, kRate));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    // A shown, active dialog on the clip; errors are recorded instead of shown.
    std::unique_ptr<VideoSplitterDialog> open(const SplitterValues& values,
                                              const std::string& path = s_clip) {
        auto dialog = std::make_unique<VideoSplitterDialog>(
            nullptr, [this](const std::string& text, const std::string& caption) {
                errors.emplace_back(text, caption);
            });
        dialog->setSourcePath(path);
        dialog->setValues(values);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    static QLineEdit* edit(const VideoSplitterDialog& dialog, const char* name) {
        return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    static QString text(const VideoSplitterDialog& dialog, const char* name) {
        if (QLineEdit* e = edit(dialog, name)) {
            return e->text();
        }
        return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    // Types `typed` into an edit and moves the focus on, as a user leaving the box does.
    static void type(VideoSplitterDialog& dialog, const char* name, const QString& typed) {
        QLineEdit* box = edit(dialog, name);
        box->setFocus();
        ASSERT_TRUE(waitFor([&] { return box->hasFocus(); }));
        box->selectAll();
        QTest::keyClicks(box, typed);
        dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->setFocus();
        ASSERT_TRUE(waitFor([&] { return !box->hasFocus(); }));
    }

    static test::TempDir* s_dir;
    static std::string s_clip;
    std::vector<std::pair<std::string, std::string>> errors;
};

test::TempDir* VideoSplitterDialogTest::s_dir = nullptr;
std::string VideoSplitterDialogTest::s_clip;

TEST_F(VideoSplitterDialogTest, OpensWithTheRangeInItsControlsAndTheExactFramesInThePanes) {
    auto dialog = open({0, 2, 8, 10});
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Video Splitter"));
    EXPECT_EQ(text(*dialog, "minEdit"), QStringLiteral("00:00:00"));
    EXPECT_EQ(text(*dialog, "startEdit"), QStringLiteral("00:00:02"));
    EXPECT_EQ(text(*dialog, "endEdit"), QStringLiteral("00:00:08"));
    EXPECT_EQ(text(*dialog, "maxEdit"), QStringLiteral("00:00:10"));
    EXPECT_EQ(text(*dialog, "lengthLabel"), QStringLiteral("00:00:06"));
    EXPECT_FALSE(edit(*dialog, "minEdit")->isEnabled());
    EXPECT_FALSE(edit(*dialog, "maxEdit")->isEnabled());
    EXPECT_EQ(dialog->slider().left(), 2.0);
    EXPECT_EQ(dialog->slider().right(), 8.0);
    auto* play = dialog->findChild<widgets::ImageButton*>(QStringLiteral("playButton"));
    EXPECT_EQ(play->toolTip(), QStringLiteral("Play"));
    EXPECT_EQ(dialog->playState(), VideoSplitterDialog::NotStarted);
    ASSERT_TRUE(waitFor([&] {
        return shownFrame(dialog->startPane()) == 60 && shownFrame(dialog->endPane()) == 240;
    })) << shownFrame(dialog->startPane())
        << " " << shownFrame(dialog->endPane());

    // A row of a 3725.9 s file whose End cell does not read as a time.
    auto longFile = open(splitterValuesForRow("00:00:00", "--", 3725.9), "");
    EXPECT_EQ(text(*longFile, "maxEdit"), QStringLiteral("01:02:05"));
    EXPECT_EQ(text(*longFile, "endEdit"), QStringLiteral("01:02:05"));
    EXPECT_EQ(longFile->values(), (SplitterValues{0, 0, 3725, 3725, 3725.9 - 1.0}));
}

TEST_F(VideoSplitterDialogTest, DraggingTheLeftThumbUpdatesStartLengthAndTheLeftPictureOnEveryMove) {
    auto dialog = open({0, 0, 10, 10});
    widgets::CRangeSlider& slider = dialog->slider();
    ASSERT_TRUE(waitFor(
        [&] { return shownFrame(dialog->startPane()) == 0 && shownFrame(dialog->endPane()) == 299; }));
    std::vector<int> endFrames;
    QObject::connect(&dialog->endPane(), &VideoHost::frameReceived, dialog.get(),
                     [&] { endFrames.push_back(frameNumberIn(dialog->endPane().currentFrame())); });
    const QPoint grab(slider.leftThumbRect().centreX(), slider.leftThumbRect().centreY());
    QTest::mousePress(&slider, Qt::LeftButton, {}, grab);
    ASSERT_TRUE(slider.isTracking());
    const double pixelsPerSecond = slider.trackWidth() / 10.0;
    for (double target : {1.4, 3.6, 2.2, 5.5}) {
        const QPoint to(grab.x() + static_cast<int>(std::lround(target * pixelsPerSecond)), grab.y());
        QMouseEvent move(QEvent::MouseMove, to, slider.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(&slider, &move);
        const double left = slider.left();
        EXPECT_NEAR(left, target, 0.2);
        const int start = static_cast<int>(left);
        EXPECT_EQ(dialog->values().start, start);
        EXPECT_EQ(text(*dialog, "startEdit"), QString::fromStdString(splitterTimeText(start)));
        // The length of the cut as it converts: End less Start, in whole seconds.
        EXPECT_EQ(text(*dialog, "lengthLabel"),
                  QString::fromStdString(splitterTimeText(static_cast<int>(slider.right()) - start)));
        // While dragging the pane shows the key frame (one a second) at or before the thumb.
        const int keyFrame = start * kRate;
        EXPECT_TRUE(waitFor([&] { return shownFrame(dialog->startPane()) == keyFrame; }))
            << "at " << left << " s the left pane shows " << shownFrame(dialog->startPane());
    }
    const double left = slider.left();
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, grab);
    // Released: the exact frame at the thumb.
    const int exact = static_cast<int>(std::ceil(left * kRate - 1e-6));
    EXPECT_TRUE(waitFor([&] {
        const int frame = shownFrame(dialog->startPane());
        return frame == exact || frame == exact - 1;
    })) << "at "
        << left << " s the left pane shows " << shownFrame(dialog->startPane());
    // The other pane keeps its exact last frame throughout.
    for (int frame : endFrames) {
        EXPECT_EQ(frame, 299);
    }
    EXPECT_EQ(shownFrame(dialog->endPane()), 299);
}

TEST_F(VideoSplitterDialogTest, TypedTimesAreTakenWhenTheBoxLosesTheFocus) {
    auto dialog = open({0, 0, 6000, 7200});
    type(*dialog, "startEdit", QStringLiteral("00:90:00"));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(dialog->values(), (SplitterValues{0, 5400, 6000, 7200}));
    EXPECT_EQ(text(*dialog, "startEdit"), QStringLiteral("01:30:00"));
    EXPECT_EQ(text(*dialog, "lengthLabel"), QStringLiteral("00:10:00"));
    EXPECT_EQ(dialog->slider().left(), 5400.0);

    // Equal ends are accepted from the keyboard; the band then has no width.
    type(*dialog, "endEdit", QStringLiteral("01:30:00"));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(dialog->values().end, 5400);
    EXPECT_EQ(dialog->slider().left(), dialog->slider().right());

    // Outside the file: held to it and shown so.
    type(*dialog, "endEdit", QStringLiteral("99:00:00"));
    EXPECT_EQ(dialog->values().end, 7200);
    EXPECT_EQ(text(*dialog, "endEdit"), QStringLiteral("02:00:00"));
    EXPECT_TRUE(errors.empty());
}

TEST_F(VideoSplitterDialogTest, RefusedTimesRestoreTheBoxAndSayErrorTime) {
    auto dialog = open({0, 3, 6, 10});
    struct Case {
        const char* box;
        QString typed;
        QString restored;
    };
    const std::vector<Case> cases{
        {"startEdit", QStringLiteral("00:00:07"), QStringLiteral("00:00:03")}, // after the end
        {"endEdit", QStringLiteral("00:00:02"), QStringLiteral("00:00:06")},   // before the start
        {"startEdit", QStringLiteral("soon"), QStringLiteral("00:00:03")},
        {"endEdit", QStringLiteral("00:00:075"), QStringLiteral("00:00:06")},
    };
    for (const Case& c : cases) {
        errors.clear();
        type(*dialog, c.box, c.typed);
        ASSERT_EQ(errors.size(), 1U) << c.box << " " << c.typed.toStdString();
        EXPECT_EQ(errors[0], (std::pair<std::string, std::string>("Error time!", "Error")));
        EXPECT_EQ(text(*dialog, c.box), c.restored);
        EXPECT_EQ(dialog->values(), (SplitterValues{0, 3, 6, 10}));
    }
}

TEST_F(VideoSplitterDialogTest, OkTakesAPendingTypedTimeAndClosesBothPlayers) {
    auto dialog = open({0, 3, 6, 10});
    // Enter in the box reaches OK while the box still has the focus.
    QLineEdit* start = edit(*dialog, "startEdit");
    start->setFocus();
    ASSERT_TRUE(waitFor([&] { return start->hasFocus(); }));
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("00:00:09"));
    dialog->accept();
    EXPECT_EQ(errors.size(), 1U) << "a start after the end keeps the dialog open";
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->startPlayer().isOpen());

    start->setFocus();
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("00:00:04"));
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->values(), (SplitterValues{0, 4, 6, 10}));
    EXPECT_FALSE(dialog->startPlayer().isOpen());
    EXPECT_FALSE(dialog->endPlayer().isOpen());

    auto cancelled = open({0, 3, 6, 10});
    cancelled->close(); // the window's close button
    EXPECT_EQ(cancelled->result(), QDialog::Rejected);
    EXPECT_FALSE(cancelled->startPlayer().isOpen());
    EXPECT_FALSE(cancelled->endPlayer().isOpen());
}

TEST_F(VideoSplitterDialogTest, TheClipsRealEndIsShownHeldTimesAreNotedAndAnEmptyCutIsRefused) {
    // A 12.04 s clip as the list opens it: bound 13, real end 12.
    auto dialog = open(splitterValuesForRow("00:00:00", "00:00:13", 13.04), "");
    EXPECT_EQ(text(*dialog, "maxEdit"), QStringLiteral("00:00:12"));
    EXPECT_EQ(text(*dialog, "endEdit"), QStringLiteral("00:00:12"));
    EXPECT_EQ(text(*dialog, "lengthLabel"), QStringLiteral("00:00:12"));
    EXPECT_EQ(text(*dialog, "noteLabel"), QString());

    type(*dialog, "startEdit", QStringLiteral("00:00:20"));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(text(*dialog, "startEdit"), QStringLiteral("00:00:12"));
    EXPECT_EQ(text(*dialog, "noteLabel"),
              QStringLiteral("Start 00:00:20 lies outside the clip; 00:00:12 is used."));
    EXPECT_EQ(text(*dialog, "lengthLabel"), QStringLiteral("00:00:00"));
    dialog->accept();
    ASSERT_EQ(errors.size(), 1U) << "an empty cut is refused";
    EXPECT_EQ(errors[0], (std::pair<std::string, std::string>(
                             "The part to convert is empty: End must be later than Start.", "Error")));
    EXPECT_TRUE(dialog->isVisible());

    type(*dialog, "startEdit", QStringLiteral("00:00:03"));
    EXPECT_EQ(text(*dialog, "noteLabel"), QString()) << "a value taken as typed clears the note";
    type(*dialog, "endEdit", QStringLiteral("00:00:13"));
    EXPECT_EQ(text(*dialog, "noteLabel"),
              QStringLiteral("End 00:00:13 lies outside the clip; 00:00:12 is used."));
    EXPECT_EQ(text(*dialog, "lengthLabel"), QStringLiteral("00:00:09"));
    // A range the slider pulls in reports itself: 3.4 .. 13 is 3 .. 12 as shown, what converts.
    dialog->slider().SetRange(3.4, 20.0);
    EXPECT_EQ(text(*dialog, "startEdit"), QStringLiteral("00:00:03"));
    EXPECT_EQ(text(*dialog, "lengthLabel"), QStringLiteral("00:00:09"));
    EXPECT_EQ(text(*dialog, "noteLabel"), QString()) << "the slider's change clears the note";
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->values().end, 13) << "the whole clip to its last frame";
    EXPECT_EQ(errors.size(), 1U);
}

TEST_F(VideoSplitterDialogTest, RunningModallyGivesTheValuesOnOkAndNothingOnCancel) {
    const auto press = [](const char* button, const std::function<void(VideoSplitterDialog&)>& before = {}) {
        QTimer::singleShot(0, [=] {
            auto* dialog = qobject_cast<VideoSplitterDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (before) {
                before(*dialog);
            }
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
    };
    // A range the slider has to pull in reports the change, as a drag does.
    press("okButton", [](VideoSplitterDialog& dialog) { dialog.slider().SetRange(-1.0, 7.2); });
    EXPECT_EQ(runVideoSplitter(nullptr, s_clip, {0, 3, 6, 10}), (SplitterValues{0, 0, 7, 10}));
    press("cancelButton", [](VideoSplitterDialog& dialog) { dialog.slider().SetRange(-1.0, 2.0); });
    EXPECT_EQ(runVideoSplitter(nullptr, s_clip, {0, 3, 6, 10}), std::nullopt);
}

TEST_F(VideoSplitterDialogTest, PlayStartsTheLeftPaneFromTheBeginningThenPausesAndContinues) {
    auto dialog = open({0, 5, 8, 10});
    auto* play = dialog->findChild<widgets::ImageButton*>(QStringLiteral("playButton"));
    ASSERT_TRUE(waitFor([&] { return shownFrame(dialog->startPane()) == 150; }));

    play->click();
    EXPECT_EQ(dialog->playState(), VideoSplitterDialog::Playing);
    EXPECT_EQ(play->toolTip(), QStringLiteral("Pause"));
    ASSERT_TRUE(waitFor([&] {
        const int frame = shownFrame(dialog->startPane());
        return frame >= 5 && frame < 60;
    })) << "plays from the file's beginning, not from Start: "
        << shownFrame(dialog->startPane());

    play->click();
    EXPECT_EQ(dialog->playState(), VideoSplitterDialog::Paused);
    EXPECT_EQ(play->toolTip(), QStringLiteral("Play"));
    const int paused = test::waitUntilStill([&] { return shownFrame(dialog->startPane()); });
    ASSERT_GE(paused, 5);
    QTest::qWait(200);
    EXPECT_EQ(shownFrame(dialog->startPane()), paused);

    play->click();
    EXPECT_EQ(dialog->playState(), VideoSplitterDialog::Playing);
    ASSERT_TRUE(waitFor([&] { return shownFrame(dialog->startPane()) > paused; }));
    EXPECT_GT(shownFrame(dialog->startPane()), paused) << "continues from where it paused";
    EXPECT_EQ(shownFrame(dialog->endPane()), 240) << "the end pane never plays";
}

TEST_F(VideoSplitterDialogTest, TheChosenCutConvertsToExactlyThatPartOfTheFile) {
    auto dialog = open({0, 0, 10, 10});
    type(*dialog, "startEdit", QStringLiteral("00:00:03"));
    type(*dialog, "endEdit", QStringLiteral("00:00:07"));
    dialog->accept();
    ASSERT_EQ(dialog->values(), (SplitterValues{0, 3, 7, 10}));

    // The row's cells as the main window writes them, converted by the real converter.
    test::TempDir home;
    const std::string bin = home.file("bin");
    test::cloneProgramDirectory(MORVANE_PROGRAM_DIR, bin);
    const std::string output = home.file("out");
    std::string printed;
    const int code = test::runProgram({bin + "/morvane-batch", "-p", "MP4 - H.264 + AAC (640x480)", "-o",
                                       output, "--start", splitterTimeText(dialog->values().start), "--end",
                                       splitterTimeText(dialog->values().end), s_clip},
                                      &printed);
    ASSERT_EQ(code, 0) << printed;
    std::string converted;
    for (const auto& entry : std::filesystem::directory_iterator(output)) {
        converted = entry.path().string();
    }
    ASSERT_FALSE(converted.empty());

    media::MediaFacts facts;
    media::detectMediaFacts(converted, facts);
    ASSERT_GT(facts.frameRate, 0.0);
    EXPECT_NEAR(facts.duration, 4.0, 1.0 / facts.frameRate + 1e-3);

    const std::string firstFrame = home.file("first.png");
    ASSERT_EQ(test::runProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", converted,
                                "-frames:v", "1", firstFrame}),
              0);
    EXPECT_EQ(frameNumberIn(QImage(QString::fromStdString(firstFrame))), 3 * kRate);
}

} // namespace
} // namespace morvane::preview
