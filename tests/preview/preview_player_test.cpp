#include "preview/preview_player.h"

#include <QApplication>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "preview/preview_pane_controller.h"
#include "preview/video_host.h"
#include "tests/preview/numbered_clip.h"
#include "tests/support/test_support.h"

namespace morvane::preview {
namespace {

using test::frameNumberIn;

constexpr int kWaitMs = 5000;

bool waitFor(const std::function<bool()>& condition, int milliseconds = kWaitMs) {
    return QTest::qWaitFor(condition, milliseconds);
}

// Answers the player's news as a window would.
class NotifyWindow : public QObject {
public:
    PreviewPlayer* player = nullptr;
    int graphEvents = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == kGraphEvent) {
            ++graphEvents;
            player->HandleGraphEvents();
            return true;
        }
        return QObject::event(event);
    }
};

// One host of the clip's size, shown (offscreen) so it has its real size.
std::unique_ptr<VideoHost> makeHost(int width = 320, int height = 240) {
    auto host = std::make_unique<VideoHost>();
    host->resize(width, height);
    host->show();
    return host;
}

int shownFrame(const VideoHost& host) {
    return host.videoVisible() ? frameNumberIn(host.currentFrame()) : -1;
}

class PreviewPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new test::TempDir();
        s_clip = s_dir->file("numbered.mp4");
        s_shortClip = s_dir->file("short.mp4");
        ASSERT_TRUE(test::makeNumberedClip(s_clip, 4.0));
        ASSERT_TRUE(test::makeNumberedClip(s_shortClip, 1.0));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    static test::TempDir* s_dir;
    static std::string s_clip;
    static std::string s_shortClip;
};

test::TempDir* PreviewPlayerTest::s_dir = nullptr;
std::string PreviewPlayerTest::s_clip;
std::string PreviewPlayerTest::s_shortClip;

TEST_F(PreviewPlayerTest, OpenShowsTheFirstFrameAndStaysPaused) {
    auto host = makeHost();
    PreviewPlayer player;
    EXPECT_EQ(player.Open(s_clip, host.get(), nullptr), 1);
    ASSERT_TRUE(waitFor([&] { return shownFrame(*host) == 0; })) << shownFrame(*host);
    double length = 0;
    ASSERT_TRUE(waitFor([&] { return player.GetDuration(length); }));
    EXPECT_NEAR(length, 4.0, 0.05);
    QTest::qWait(300);
    EXPECT_EQ(shownFrame(*host), 0);
    double position = -1;
    EXPECT_TRUE(player.GetPosition(position));
    EXPECT_NEAR(position, 0.0, 0.001);
    EXPECT_FALSE(player.isPlaying());
    // The picture follows the host's size.
    host->resize(160, 120);
    ASSERT_TRUE(waitFor([&] { return host->currentFrame().size() == QSize(160, 120); }));
    EXPECT_EQ(shownFrame(*host), 0);
}

TEST_F(PreviewPlayerTest, ExactSeeksShowTheFrameAtTheTimeAndKeyFrameSeeksTheKeyFrameBefore) {
    auto host = makeHost();
    PreviewPlayer player;
    player.Open(s_clip, host.get(), nullptr);
    ASSERT_TRUE(waitFor([&] { return player.isLoaded() && shownFrame(*host) == 0; }));

    struct Case {
        double seconds;
        SeekMode mode;
        int frame;
        double landsAt; // the position once the picture has caught up
    };
    const std::vector<Case> cases{{2.5, SeekMode::Exact, 75, 2.5},
                                  {1.0, SeekMode::Exact, 30, 1.0},
                                  {3.9, SeekMode::Exact, 117, 3.9},
                                  {2.5, SeekMode::KeyFrame, 60, 2.0},
                                  {-3.0, SeekMode::Exact, 0, 0.0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(player.Seek(c.seconds, c.mode));
        double position = -1;
        if (c.mode == SeekMode::Exact) {
            // The asked position is reported at once, before the picture has caught up.
            ASSERT_TRUE(player.GetPosition(position));
            EXPECT_NEAR(position, c.landsAt, 0.001);
        }
        EXPECT_TRUE(waitFor([&] { return shownFrame(*host) == c.frame; }))
            << c.seconds << " s shows frame " << shownFrame(*host) << ", not " << c.frame;
        EXPECT_TRUE(waitFor([&] {
            return player.GetPosition(position) && std::abs(position - c.landsAt) < 0.001;
        })) << c.seconds
            << " s reports " << position;
    }
}

TEST_F(PreviewPlayerTest, SeekRightAfterOpenStartsAtThatFrameWithoutShowingTheFirst) {
    auto host = makeHost();
    std::vector<int> shown;
    QObject::connect(host.get(), &VideoHost::frameReceived, host.get(),
                     [&] { shown.push_back(frameNumberIn(host->currentFrame())); });
    PreviewPlayer player;
    player.Open(s_clip, host.get(), nullptr);
    ASSERT_TRUE(player.Seek(2.0));
    double position = -1;
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_NEAR(position, 2.0, 0.001);
    ASSERT_TRUE(waitFor([&] { return shownFrame(*host) == 60; })) << shownFrame(*host);
    for (int frame : shown) {
        EXPECT_NE(frame, 0);
    }
}

TEST_F(PreviewPlayerTest, PlayAdvancesAndPauseHolds) {
    auto host = makeHost();
    PreviewPlayer player;
    player.Open(s_clip, host.get(), nullptr);
    ASSERT_TRUE(waitFor([&] { return shownFrame(*host) == 0; }));
    player.Play();
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(waitFor([&] { return shownFrame(*host) >= 15; }));
    double position = 0;
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_GT(position, 0.3);
    player.Pause();
    const int paused = test::waitUntilStill([&] { return shownFrame(*host); });
    ASSERT_GE(paused, 15);
    double pausedAt = 0;
    player.GetPosition(pausedAt);
    QTest::qWait(300);
    EXPECT_EQ(shownFrame(*host), paused);
    double later = 0;
    player.GetPosition(later);
    EXPECT_NEAR(later, pausedAt, 0.001);
}

TEST_F(PreviewPlayerTest, EndOfStreamLoopsToTheStartAndKeepsPlaying) {
    auto host = makeHost();
    PreviewPlayer player;
    NotifyWindow window;
    window.player = &player;
    player.Open(s_shortClip, host.get(), &window);
    player.Play();
    ASSERT_TRUE(waitFor([&] { return shownFrame(*host) >= 10; }));
    // The end comes while the UI thread is busy, and a position query drains the news before the
    // wakeup notice is handled: the owner must still hear of it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    double unused = 0;
    player.GetPosition(unused);
    ASSERT_TRUE(waitFor([&] { return window.graphEvents > 0; }));
    // Back at the start and still running: later frames follow again.
    ASSERT_TRUE(waitFor([&] { return shownFrame(*host) >= 0 && shownFrame(*host) < 10; }));
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(waitFor([&] { return shownFrame(*host) >= 15; }));
    double position = -1;
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_LE(position, 1.0);
}

TEST_F(PreviewPlayerTest, FilesThatCannotPlayLeaveThePlayerOpenWithFailingQueries) {
    const std::string text = s_dir->file("notes.txt");
    test::writeFile(text, "not a video\n");
    for (const std::string& path : {text, s_dir->file("missing.mp4")}) {
        auto host = makeHost();
        PreviewPlayer player;
        EXPECT_EQ(player.Open(path, host.get(), nullptr), 1);
        ASSERT_TRUE(waitFor([&] {
            double unused = 0;
            player.GetPosition(unused);
            return player.hasFailed();
        })) << path;
        EXPECT_TRUE(player.isOpen());
        double position = 42.0;
        double length = 43.0;
        EXPECT_FALSE(player.GetPosition(position));
        EXPECT_FALSE(player.GetDuration(length));
        EXPECT_FALSE(player.Seek(1.0));
        EXPECT_EQ(position, 42.0);
        EXPECT_EQ(length, 43.0);
        EXPECT_EQ(player.Play(), 1);
        EXPECT_EQ(player.Pause(), 1);
        EXPECT_FALSE(host->videoVisible());
        EXPECT_EQ(player.Close(), 1);
    }
    // A closed player refuses queries the same way.
    PreviewPlayer closed;
    double value = 7.0;
    EXPECT_FALSE(closed.GetPosition(value));
    EXPECT_FALSE(closed.GetDuration(value));
    EXPECT_FALSE(closed.Seek(1.0));
    EXPECT_EQ(value, 7.0);
    EXPECT_EQ(closed.HandleGraphEvents(), 1);
}

TEST_F(PreviewPlayerTest, TwoPlayersOnOneFileShowTheirOwnFrames) {
    auto left = makeHost();
    auto right = makeHost();
    PreviewPlayer start;
    PreviewPlayer end;
    start.Open(s_clip, left.get(), nullptr);
    start.Seek(1.0);
    end.Open(s_clip, right.get(), nullptr);
    end.Seek(3.0);
    ASSERT_TRUE(waitFor([&] { return shownFrame(*left) == 30 && shownFrame(*right) == 90; }))
        << shownFrame(*left) << " " << shownFrame(*right);
}

TEST_F(PreviewPlayerTest, CloseWhilePlayingReleasesEverythingAndShowsTheIdlePicture) {
    auto host = makeHost();
    QPixmap idle(32, 24);
    idle.fill(Qt::red);
    host->setIdlePicture(idle);
    auto player = std::make_unique<PreviewPlayer>();
    NotifyWindow window;
    window.player = player.get();
    player->Open(s_shortClip, host.get(), &window);
    player->Play();
    ASSERT_TRUE(waitFor([&] { return shownFrame(*host) >= 5; }));
    EXPECT_EQ(player->Close(), 1);
    EXPECT_FALSE(player->isOpen());
    EXPECT_FALSE(host->videoVisible());
    // News posted before the close finds nothing to act on.
    QTest::qWait(100);
    const QImage grabbed = host->grab().toImage();
    EXPECT_EQ(grabbed.pixelColor(grabbed.width() / 2, grabbed.height() / 2), QColor(Qt::red));
    // Reopening, and destroying a playing player, work as well.
    player->Open(s_shortClip, host.get(), &window);
    player->Play();
    ASSERT_TRUE(waitFor([&] { return host->videoVisible(); }));
    player.reset();
    EXPECT_FALSE(host->videoVisible());
    // The playback cores wind down in the background and are gone before the process ends.
    GraphReaper::instance().waitUntilIdle();
    QCoreApplication::processEvents(); // pictures handed over before the close
    const std::uint64_t received = host->framesReceived();
    QTest::qWait(100);
    EXPECT_EQ(host->framesReceived(), received);
    EXPECT_FALSE(host->videoVisible());
}

TEST_F(PreviewPlayerTest, AudioOnlyFilesPlayWithoutAPictureAndStillsShowTheirPicture) {
    const std::string audio = s_dir->file("tone.m4a");
    const std::string still = s_dir->file("still.png");
    ASSERT_TRUE(test::generateClip(audio, "audio", 2.0));
    ASSERT_TRUE(test::generateClip(still, "still"));

    auto host = makeHost();
    PreviewPlayer player;
    player.Open(audio, host.get(), nullptr);
    double length = 0;
    ASSERT_TRUE(waitFor([&] { return player.GetDuration(length); }));
    EXPECT_NEAR(length, 2.0, 0.1);
    player.Play();
    double position = 0;
    ASSERT_TRUE(waitFor([&] { return player.GetPosition(position) && position > 0.2; }));
    EXPECT_FALSE(host->videoVisible());

    player.Open(still, host.get(), nullptr);
    ASSERT_TRUE(waitFor([&] { return host->videoVisible() && !host->currentFrame().isNull(); }));
    EXPECT_FALSE(player.hasFailed());
}

TEST_F(PreviewPlayerTest, ThePaneLoopsAtTheEndAndTheSliderFollows) {
    auto host = makeHost();
    QSlider slider(Qt::Horizontal);
    PreviewPaneController pane(host.get(), &slider);
    pane.play(s_shortClip);
    EXPECT_EQ(pane.logic().state(), PreviewState::Playing);
    const auto describe = [&] {
        double position = -1;
        double length = -1;
        pane.player().GetPosition(position);
        pane.player().GetDuration(length);
        return "slider " + std::to_string(slider.value()) + ", position " + std::to_string(position) +
               ", length " + std::to_string(length) + ", playing " +
               std::to_string(pane.player().isPlaying());
    };
    ASSERT_TRUE(waitFor([&] { return slider.value() >= 70; })) << describe();
    ASSERT_TRUE(waitFor([&] { return slider.value() < 30; })) << describe();
    EXPECT_EQ(pane.logic().state(), PreviewState::Playing);
    EXPECT_NEAR(pane.logic().duration(), 1.0, 0.05);
    ASSERT_TRUE(waitFor([&] { return slider.value() >= 50; })) << describe();
    pane.stop();
    EXPECT_EQ(slider.value(), 0);
    EXPECT_FALSE(pane.player().isOpen());
}

// The pane's slider with its handle where a user would grab it.
class PaneSlider : public QSlider {
public:
    PaneSlider() : QSlider(Qt::Horizontal) {}
    QPoint handleCentre() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this).center();
    }
    // One notch of the mouse wheel away from the user (three steps up), with `buttons` held.
    void wheelUp(Qt::MouseButtons buttons) {
        const QPointF at = handleCentre();
        QWheelEvent wheel(at, mapToGlobal(at), {}, {0, 120}, buttons, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(this, &wheel);
    }
};

TEST_F(PreviewPlayerTest, TheSliderSeeksKeyFramesWhileItsHandleIsHeldAndExactFramesOtherwise) {
    auto host = makeHost();
    PaneSlider slider;
    slider.resize(300, 24);
    slider.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
    PreviewPaneController pane(host.get(), &slider);
    pane.play(s_clip); // 4 s at 30 frames a second, a key frame every second
    ASSERT_TRUE(waitFor([&] { return pane.player().isLoaded() && shownFrame(*host) >= 0; }));
    pane.pause();
    // The time of the slider's percent of the clip, as the pane seeks to it: an exact seek shows the frame
    // at that time (or the next, when the time falls inside a frame), a key-frame seek the key frame before.
    const auto seconds = [&] { return slider.value() * pane.logic().duration() * 0.01; };
    const auto showsExactFrame = [&] {
        return waitFor(
            [&] { return shownFrame(*host) >= 0 && std::abs(shownFrame(*host) - seconds() * 30) < 1; });
    };
    const auto showsKeyFrame = [&] {
        return waitFor([&] { return shownFrame(*host) == static_cast<int>(seconds()) * 30; });
    };

    slider.setValue(60); // the pane's own moves never seek
    QTest::keyClick(&slider, Qt::Key_Right);
    ASSERT_EQ(slider.value(), 61);
    EXPECT_TRUE(showsExactFrame()) << "a key step: " << shownFrame(*host);
    slider.wheelUp(Qt::NoButton);
    ASSERT_EQ(slider.value(), 64);
    EXPECT_TRUE(showsExactFrame()) << "the wheel: " << shownFrame(*host);

    QTest::mousePress(&slider, Qt::LeftButton, {}, slider.handleCentre());
    ASSERT_TRUE(slider.isSliderDown());
    slider.wheelUp(Qt::LeftButton);
    ASSERT_EQ(slider.value(), 67);
    EXPECT_TRUE(showsKeyFrame()) << "the wheel, handle held: " << shownFrame(*host);
    QTest::mouseMove(&slider, QPoint(slider.width() / 3, slider.handleCentre().y()));
    ASSERT_GE(seconds() - static_cast<int>(seconds()), 0.1) << "a key frame and the exact one differ";
    EXPECT_TRUE(showsKeyFrame()) << "dragged to " << slider.value() << ": " << shownFrame(*host);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(slider.width() / 3, slider.handleCentre().y()));
    EXPECT_TRUE(showsExactFrame()) << "let go at " << slider.value() << ": " << shownFrame(*host);
    pane.stop();
}

} // namespace
} // namespace morvane::preview

namespace morvane::preview {
namespace {

TEST(VideoHostTest, PicturesFitTheAreaWithTheirAspectKeptAndCentred) {
    struct Case {
        QSize image;
        QRect area;
        QRect fitted;
    };
    const std::vector<Case> cases{
        {{640, 480}, {0, 0, 256, 176}, {11, 0, 234, 176}},    // 4:3 into a wider pane: bars left and right
        {{1920, 800}, {0, 0, 256, 176}, {0, 35, 256, 106}},   // wide film: bars above and below
        {{320, 240}, {10, 20, 320, 240}, {10, 20, 320, 240}}, // same size, offset area
        {{0, 240}, {0, 0, 256, 176}, {}},
        {{640, 480}, {0, 0, 0, 176}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fitKeepingAspect(c.image, c.area), c.fitted) << c.image.width() << "x" << c.image.height();
    }
}

} // namespace
} // namespace morvane::preview
