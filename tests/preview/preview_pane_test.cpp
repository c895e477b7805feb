#include "preview/preview_pane.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvane::preview {
namespace {

// Records the calls; position and length are what the test sets.
struct FakePlayer final : PanePlayer {
    std::vector<std::string> calls;
    bool open_ = false;
    double positionValue = 0.0;
    double durationValue = 10.0;
    bool knowsDuration = true;
    std::vector<std::pair<double, bool>> seeks;

    void open(const std::string& path) override {
        calls.push_back("open " + path);
        open_ = true;
    }
    void close() override {
        calls.push_back("close");
        open_ = false;
    }
    void play() override { calls.push_back("play"); }
    void pause() override { calls.push_back("pause"); }
    bool seek(double seconds, bool exact) override {
        seeks.emplace_back(seconds, exact);
        positionValue = seconds;
        return open_;
    }
    bool position(double& seconds) override {
        if (open_) {
            seconds = positionValue;
        }
        return open_;
    }
    bool duration(double& seconds) override {
        if (open_ && knowsDuration) {
            seconds = durationValue;
        }
        return open_ && knowsDuration;
    }
};

struct FakeControls final : PaneControls {
    int slider = 0;
    int sliderWrites = 0;
    int nextTimerId = 7;
    std::vector<int> running;

    int sliderPosition() const override { return slider; }
    void setSliderPosition(int percent) override {
        slider = percent;
        ++sliderWrites;
    }
    int startTimer(int milliseconds) override {
        EXPECT_EQ(milliseconds, 100);
        running.push_back(nextTimerId);
        return nextTimerId++;
    }
    void killTimer(int id) override { std::erase(running, id); }
};

class PreviewPaneTest : public ::testing::Test {
protected:
    FakePlayer player;
    FakeControls controls;
    PreviewPaneLogic pane{player, controls};
};

TEST_F(PreviewPaneTest, PlayOpensTheSelectedFileOnceAndKeepsOneTimer) {
    pane.play(std::string("a.mp4"));
    EXPECT_EQ(pane.state(), PreviewState::Playing);
    EXPECT_EQ(player.calls, (std::vector<std::string>{"open a.mp4", "play"}));
    EXPECT_EQ(pane.duration(), 10.0);
    ASSERT_EQ(controls.running.size(), 1U);
    EXPECT_EQ(pane.timerId(), controls.running[0]);

    // Playing: a second press does nothing, neither for the same file nor without a selection.
    pane.play(std::string("a.mp4"));
    pane.play(std::nullopt);
    EXPECT_EQ(player.calls.size(), 2U);
    EXPECT_EQ(controls.running.size(), 1U);

    // Paused, then play again: continues without reopening.
    pane.pause();
    EXPECT_EQ(pane.state(), PreviewState::Paused);
    EXPECT_TRUE(controls.running.empty());
    pane.pause();
    pane.play(std::nullopt);
    EXPECT_EQ(player.calls, (std::vector<std::string>{"open a.mp4", "play", "pause", "play"}));
    EXPECT_EQ(controls.running.size(), 1U);
}

TEST_F(PreviewPaneTest, ADifferentSelectionStopsAndPlaysTheNewFileFromItsStart) {
    pane.play(std::string("a.mp4"));
    player.positionValue = 4.0;
    pane.timerTick(pane.timerId());
    EXPECT_EQ(controls.slider, 40);
    player.durationValue = 20.0;
    pane.play(std::string("A.mp4")); // names differ by case: another file
    EXPECT_EQ(player.calls, (std::vector<std::string>{"open a.mp4", "play", "close", "open A.mp4", "play"}));
    EXPECT_EQ(pane.previewPath(), "A.mp4");
    EXPECT_EQ(pane.duration(), 20.0);
    EXPECT_EQ(controls.slider, 0);
    EXPECT_EQ(controls.running.size(), 1U);
}

TEST_F(PreviewPaneTest, NothingToPlayWithoutAPath) {
    pane.play(std::nullopt);
    pane.play(std::string());
    EXPECT_EQ(pane.state(), PreviewState::Stopped);
    EXPECT_TRUE(player.calls.empty());
    EXPECT_TRUE(controls.running.empty());
}

TEST_F(PreviewPaneTest, StopResetsTheSliderOnlyWhenSomethingPlays) {
    controls.slider = 55;
    pane.stop();
    EXPECT_EQ(controls.slider, 55);
    EXPECT_TRUE(player.calls.empty());

    pane.play(std::string("a.mp4"));
    pane.pause();
    pane.stop();
    EXPECT_EQ(pane.state(), PreviewState::Stopped);
    EXPECT_EQ(controls.slider, 0);
    EXPECT_TRUE(controls.running.empty());
    EXPECT_EQ(player.calls.back(), "close");
    // Stopped: play reopens the same file.
    pane.play(std::nullopt);
    EXPECT_EQ(player.calls.back(), "play");
    EXPECT_EQ(player.calls[player.calls.size() - 2], "open a.mp4");
}

TEST_F(PreviewPaneTest, OneSecondStepsHoldToTheFile) {
    struct Case {
        double from;
        bool forward;
        double to;
        int percent;
    };
    const std::vector<Case> cases{
        {0.4, false, 0.0, 0}, {5.5, false, 4.5, 45},   {0.0, false, 0.0, 0},   {9.5, true, 10.0, 100},
        {3.0, true, 4.0, 40}, {10.0, true, 10.0, 100}, {8.99, true, 9.99, 99},
    };
    pane.play(std::string("a.mp4"));
    for (const Case& c : cases) {
        player.positionValue = c.from;
        player.seeks.clear();
        c.forward ? pane.stepForward() : pane.stepBack();
        ASSERT_EQ(player.seeks.size(), 1U);
        EXPECT_NEAR(player.seeks[0].first, c.to, 1e-9) << c.from << (c.forward ? " +1" : " -1");
        EXPECT_TRUE(player.seeks[0].second) << "steps land on exact frames";
        EXPECT_EQ(controls.slider, c.percent) << c.from;
    }
    // Stopped: the buttons do nothing.
    pane.stop();
    player.seeks.clear();
    pane.stepBack();
    pane.stepForward();
    EXPECT_TRUE(player.seeks.empty());
}

TEST_F(PreviewPaneTest, TheTimerMovesTheSliderOnlyWhenThePercentChanges) {
    pane.play(std::string("a.mp4"));
    const int writes = controls.sliderWrites;
    player.positionValue = 0.05; // 0.5 % shows as 0, the slider's value already
    pane.timerTick(pane.timerId());
    EXPECT_EQ(controls.sliderWrites, writes);
    player.positionValue = 3.339;
    pane.timerTick(pane.timerId());
    EXPECT_EQ(controls.slider, 33);
    pane.timerTick(pane.timerId() + 1); // someone else's timer
    player.positionValue = 10.2;        // slightly past the end
    pane.timerTick(pane.timerId());
    EXPECT_EQ(controls.slider, 100);
    EXPECT_EQ(controls.sliderWrites, writes + 2);
}

TEST_F(PreviewPaneTest, ALengthLearnedLaterIsPickedUpAndZeroShowsPositionZero) {
    player.knowsDuration = false;
    pane.play(std::string("still.png"));
    EXPECT_EQ(pane.duration(), 0.0);
    player.positionValue = 3.0;
    pane.timerTick(pane.timerId());
    EXPECT_EQ(controls.slider, 0);
    pane.stepForward(); // clamped to the known length, 0
    EXPECT_EQ(player.seeks.back().first, 0.0);

    player.knowsDuration = true;
    player.durationValue = 6.0;
    player.positionValue = 3.0;
    pane.timerTick(pane.timerId());
    EXPECT_EQ(pane.duration(), 6.0);
    EXPECT_EQ(controls.slider, 50);
}

TEST_F(PreviewPaneTest, SliderScrollingSeeksOnKeyFramesWhileDraggingAndExactlyOtherwise) {
    pane.sliderScrolled(50, false);
    EXPECT_TRUE(player.seeks.empty()) << "stopped: no seek";
    pane.play(std::string("a.mp4"));
    pane.sliderScrolled(30, true);
    pane.sliderScrolled(31, true);
    pane.sliderScrolled(31, false);
    const std::vector<std::pair<double, bool>> expected{{3.0, false}, {3.1, false}, {3.1, true}};
    ASSERT_EQ(player.seeks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(player.seeks[i].first, expected[i].first, 1e-9);
        EXPECT_EQ(player.seeks[i].second, expected[i].second);
    }
}

TEST(PositionPercentTest, TruncatesAndHoldsToTheSlider) {
    struct Case {
        double seconds;
        double duration;
        int percent;
    };
    const std::vector<Case> cases{{0, 10, 0},      {9.99, 10, 99},     {10, 10, 100},
                                  {10.3, 10, 100}, {-1, 10, 0},        {5, 0, 0},
                                  {5, -1, 0},      {1.0 / 3.0, 1, 33}, {3725, 3725.9, 99}};
    for (const Case& c : cases) {
        EXPECT_EQ(positionPercent(c.seconds, c.duration), c.percent) << c.seconds << " of " << c.duration;
    }
}

} // namespace
} // namespace morvane::preview
