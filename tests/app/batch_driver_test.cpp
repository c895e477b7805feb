#include "app/batch_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "app/file_list.h"
#include "engine/quillon_media_cntl.h"
#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "tests/app/batch_fakes.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

using test::FakeEncoderLog;
using test::FakeRun;
using test::RecordingView;

class BatchDriverTest : public ::testing::Test {
protected:
    BatchDriverTest() : facade(test::fakeFactory(log)) {
        engine::closeTraceFile(); // each test's trace lies in its own program directory
        platform::setProgramDirectory(programDir.path());
        record.programDirectory = programDir.path() + "/";
        view.output = outputDir.path() + "/converted";
        driver = std::make_unique<BatchDriver>(view, facade, record, power, programDir.path() + "/",
                                               outputDir.path() + "/default");
        EXPECT_EQ(facade.Init(&record), 1);
    }
    ~BatchDriverTest() override {
        driver.reset();
        facade.Release();
        engine::closeTraceFile();
        platform::setProgramDirectory("");
    }

    std::string source(const std::string& name) { return sources.file(name); }
    void run() {
        ASSERT_TRUE(driver->startRequest());
        driver->wait();
    }
    std::vector<std::string> statuses() {
        std::vector<std::string> result;
        for (int i = 0; i < view.rowCount(); ++i) {
            result.push_back(view.status(i));
        }
        return result;
    }
    void script(std::initializer_list<FakeRun> runs) {
        const std::lock_guard lock(log.mutex);
        log.script.assign(runs);
    }

    morvane::test::TempDir programDir;
    morvane::test::TempDir outputDir;
    morvane::test::TempDir sources;
    morvane::test::RecordingPowerControl power;
    FakeEncoderLog log;
    RecordingView view;
    engine::EncoderInitRecord record;
    engine::CQuillonMediaCntl facade;
    std::unique_ptr<BatchDriver> driver;
};

TEST_F(BatchDriverTest, EmptyListDoesNothingAndUncheckedListWarns) {
    EXPECT_FALSE(driver->startRequest());
    EXPECT_TRUE(view.messages().empty());

    view.addRow(source("a.avi"), "mp4", "MP4");
    view.list.checkAll(false);
    EXPECT_FALSE(driver->startRequest());
    const auto messages = view.messages();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, "There is no selected file in list! ");
    EXPECT_EQ(messages[0].caption, "Warning");
    EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(driver->state(), BatchState::Idle);
}

TEST_F(BatchDriverTest, ACheckedRowWithAnUnusableProfileIsRefusedAtStartNamingWhatIsMissing) {
    view.addRow(source("a.avi"), "mp4", "MP4");
    view.addRow(source("b.avi"), "mov", "MOV");
    driver->setUnavailableProfiles({{"mov profile", "FFmpeg on this system cannot write the mov container"}});
    EXPECT_FALSE(driver->startRequest());
    const auto messages = view.messages();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text,
              "The profile \"mov profile\" cannot be used here: FFmpeg on this system cannot "
              "write the mov container. Choose another profile for that file.");
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Ready", "Ready"})) << "nothing ran";

    view.setChecked(1, false); // an unchecked row does not stop the batch
    script({FakeRun::Writes});
    run();
    EXPECT_EQ(view.status(0), "Completed");
}

TEST_F(BatchDriverTest, ThreeSuccessesAreCompletedUncheckedAndAnnouncedOnce) {
    for (const char* name : {"one.avi", "two.mov", "three.part.mpg"}) {
        view.addRow(source(name), "mp4", "MP4");
    }
    view.list.row(1).cells[kColumnStart] = "00:00:02";
    view.list.row(1).cells[kColumnEnd] = "00:00:07";
    run();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed", "Completed"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(view.isChecked(i));
        EXPECT_EQ(view.progressOf(i), (std::vector<int>{0, 1, 50, 99}));
    }
    const auto messages = view.messages();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, "    Mission accomplished!        ");
    EXPECT_EQ(messages[0].caption, "");
    EXPECT_EQ(messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(driver->state(), BatchState::Finished);
    EXPECT_EQ(power.guardsTaken, 1);
    EXPECT_EQ(power.guardsHeld, 0);
    EXPECT_EQ(power.shutdownCalls, 0);

    ASSERT_EQ(log.jobs.size(), 3U);
    const auto& second = log.jobs[1];
    EXPECT_EQ(second.outputPath, outputDir.path() + "/converted/two");
    EXPECT_EQ(second.startTime, "00:00:02");
    EXPECT_EQ(second.endTime, "00:00:07");
    EXPECT_EQ(second.scriptPath, programDir.path() + "/input.avs");
    EXPECT_EQ(second.targetCode, 9);
    EXPECT_EQ(second.progressDuration, 10.0);
    EXPECT_EQ(second.videoBitrate, 1200); // run defaults applied before the profile
    EXPECT_EQ(log.jobs[2].outputPath, outputDir.path() + "/converted/three.part");
    EXPECT_TRUE(std::filesystem::is_directory(outputDir.path() + "/converted"));

    const auto calls = view.calls();
    EXPECT_EQ(calls.front(), "stop preview");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "disable"), calls.end());
    EXPECT_EQ(calls.back(), "enable");
}

TEST_F(BatchDriverTest, FailureOfTheSecondRowEndsTheBatchWithTheTraceText) {
    for (const char* name : {"one.avi", "two.avi", "three.avi"}) {
        view.addRow(source(name), "avi", "AVI");
    }
    view.shutdownChoice = true;
    view.openFolderChoice = true;
    script({FakeRun::Writes, FakeRun::WritesEmpty});
    run();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Fail", "Ready"}));
    EXPECT_FALSE(view.isChecked(0));
    EXPECT_TRUE(view.isChecked(1));
    EXPECT_TRUE(view.isChecked(2));
    const auto messages = view.messages();
    ASSERT_EQ(messages.size(), 2U);
    // The reason follows the text on a line of its own.
    EXPECT_EQ(messages[0].text, "Convert fail! Please send the trace file \"" + programDir.path() +
                                    "/trace.flt\" to support@norvik-software.com\nthe output file \"" +
                                    outputDir.path() + "/converted/two.out\" is missing or empty");
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages[1].buttons, MessageButtons::ShutdownCountdown)
        << "a failed batch still ends by itself";
    EXPECT_EQ(power.shutdownCalls, 1);
    const auto calls = view.calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "open " + outputDir.path() + "/converted"), calls.end());
    EXPECT_TRUE(driver->lastBatchFailed());
}

TEST_F(BatchDriverTest, EveryKindOfBadOutcomeFailsTheRowWithItsReason) {
    for (const auto& [outcome, reason] : {std::pair{FakeRun::Fails, test::kFakeFailureReason},
                                          std::pair{FakeRun::WritesNothing, "is missing or empty"},
                                          std::pair{FakeRun::WritesEmpty, "is missing or empty"}}) {
        view.list.removeAll();
        const auto before = view.results().size();
        view.addRow(source("clip.avi"), "avi", "AVI");
        script({outcome});
        run();
        EXPECT_EQ(view.status(0), "Fail");
        const auto results = view.results();
        ASSERT_EQ(results.size(), before + 1);
        EXPECT_EQ(results.back().second.status, "Fail");
        EXPECT_NE(results.back().second.reason.find(reason), std::string::npos)
            << results.back().second.reason;
        EXPECT_TRUE(results.back().second.outputPath.empty());
        EXPECT_NE(view.messages().back().text.find("\n" + results.back().second.reason), std::string::npos);
    }
}

TEST_F(BatchDriverTest, FinishedRowsReportTheirCheckedOutputAndTime) {
    view.addRow(source("one.avi"), "avi", "AVI");
    view.addRow(source("two.avi"), "avi", "AVI");
    view.addRow(source("three.avi"), "avi", "AVI");
    script({FakeRun::WaitsForStopButFinishes});
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning());
    driver->stopConfirmed();
    driver->wait();
    const auto results = view.results();
    ASSERT_EQ(results.size(), 2U) << "the row left Ready reports nothing";
    EXPECT_EQ(results[0].first, 0);
    EXPECT_EQ(results[0].second.status, "Completed") << "it was finished before the stop reached it";
    EXPECT_EQ(results[0].second.outputPath, outputDir.path() + "/converted/one.out");
    EXPECT_TRUE(std::filesystem::exists(results[0].second.outputPath));
    EXPECT_GE(results[0].second.seconds, 0.0);
    EXPECT_EQ(results[1].first, 1);
    EXPECT_EQ(results[1].second.status, "Abort");
    EXPECT_EQ(results[1].second.reason, kReasonStopped);
}

// A stopped batch: the converting row is Abort and stays checked, nothing unfinished is kept, and the
// batch neither says it succeeded nor powers the computer off.
TEST_F(BatchDriverTest, AStopAbortsTheConvertingRowAndIsNoSuccess) {
    struct Case {
        FakeRun run;
        std::vector<std::string> statuses;
    };
    for (const auto& c : {Case{FakeRun::WaitsForStop, {"Abort", "Abort", "Ready"}},
                          Case{FakeRun::WaitsForStopThenFails, {"Abort", "Abort", "Ready"}},
                          Case{FakeRun::WaitsForStopButFinishes, {"Completed", "Abort", "Ready"}}}) {
        view.list.removeAll();
        view.clearResults();
        std::filesystem::remove_all(outputDir.path() + "/converted");
        for (const char* name : {"one.avi", "two.avi", "three.avi"}) {
            view.addRow(source(name), "avi", "AVI");
        }
        view.shutdownChoice = true;
        const auto messagesBefore = view.messages().size();
        script({c.run});
        ASSERT_TRUE(driver->startRequest());
        ASSERT_TRUE(log.waitUntilRunning());
        driver->stopRequest();
        driver->wait();
        EXPECT_EQ(statuses(), c.statuses);
        const bool finished = c.run == FakeRun::WaitsForStopButFinishes;
        EXPECT_EQ(view.isChecked(0), !finished) << "a stopped row is converted again by the next Start";
        EXPECT_EQ(std::filesystem::exists(outputDir.path() + "/converted/one.out"), finished);
        const auto results = view.results();
        ASSERT_FALSE(results.empty());
        EXPECT_FALSE(results[0].second.reason.empty() && !finished);
        const auto messages = view.messages();
        ASSERT_EQ(messages.size(), messagesBefore + 1) << "no success message, no error, no countdown";
        EXPECT_EQ(messages.back().text, "  Stop the video convert operation?   ");
        EXPECT_EQ(messages.back().buttons, MessageButtons::YesNo);
        EXPECT_EQ(power.shutdownCalls, 0);
        EXPECT_FALSE(driver->lastBatchFailed());
    }
}

// A batch that ends by itself with the shutdown choice counts down first; the user's Cancel keeps the
// computer on, and a refused request is said.
TEST_F(BatchDriverTest, ShutdownComesAfterACountdownTheUserCanCancel) {
    struct Case {
        MessageAnswer answer;
        std::optional<platform::Failure> refusal;
        int calls;
        bool refusalShown;
    };
    for (const auto& c :
         {Case{MessageAnswer::Yes, std::nullopt, 1, false}, Case{MessageAnswer::No, std::nullopt, 0, false},
          Case{MessageAnswer::Yes, platform::Failure{"no logind here"}, 1, true}}) {
        power.shutdownCalls = 0;
        power.shutdownRefusal = c.refusal;
        view.list.removeAll();
        view.addRow(source("one.avi"), "avi", "AVI");
        view.shutdownChoice = true;
        view.shutdownAnswer = c.answer;
        const auto before = view.messages().size();
        run();
        EXPECT_EQ(power.shutdownCalls, c.calls);
        const auto messages = view.messages();
        ASSERT_EQ(messages.size(), before + (c.refusalShown ? 3 : 2));
        const auto& countdown = messages[before];
        EXPECT_EQ(countdown.text, "The computer will shut down in 60 seconds.");
        EXPECT_EQ(countdown.buttons, MessageButtons::ShutdownCountdown);
        EXPECT_EQ(countdown.countdownSeconds, 60);
        if (c.refusalShown) {
            EXPECT_EQ(messages[before + 1].text, "The computer could not be shut down: no logind here");
            EXPECT_EQ(messages[before + 1].caption, "Error");
        }
        EXPECT_EQ(messages.back().text, kMissionAccomplishedText);
    }
    const auto trace = morvane::test::readFile(programDir.file("trace.flt"));
    EXPECT_NE(trace.find("the countdown was cancelled"), std::string::npos) << trace;
    EXPECT_NE(trace.find("The computer could not be shut down: no logind here"), std::string::npos);
}

TEST_F(BatchDriverTest, AnOutputShorterThanItsSourceIsKeptWithAWarning) {
    view.addRow(source("truncated.avi"), "avi", "AVI");
    view.addRow(source("whole.avi"), "avi", "AVI");
    script({FakeRun::WritesShort, FakeRun::Writes});
    run();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed"}));
    const auto results = view.results();
    ASSERT_EQ(results.size(), 2U);
    EXPECT_EQ(results[0].second.warning, "the source ended early");
    EXPECT_TRUE(results[1].second.warning.empty());
    EXPECT_EQ(view.messages().back().text,
              std::string(kMissionAccomplishedText) + "\ntruncated.avi: the source ended early");
}

TEST_F(BatchDriverTest, AnsweringNoLetsTheBatchRunToItsEnd) {
    view.addRow(source("one.avi"), "avi", "AVI");
    view.addRow(source("two.avi"), "avi", "AVI");
    view.stopAnswer = MessageAnswer::No;
    script({FakeRun::WaitsForGate});
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning());
    driver->stopRequest();
    log.openGate();
    driver->wait();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed"}));
    EXPECT_EQ(log.stopRequests, 0);
    driver->stopRequest(); // not running: no question
    EXPECT_EQ(view.messages().size(), 2U);
}

TEST_F(BatchDriverTest, RowsAddedDuringABatchAreReachedAndASecondStartIsRefused) {
    view.addRow(source("one.avi"), "avi", "AVI");
    script({FakeRun::WaitsForGate});
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning());
    EXPECT_FALSE(driver->startRequest());
    EXPECT_TRUE(driver->busy());
    view.addRow(source("late.avi"), "avi", "AVI");
    log.openGate();
    driver->wait();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed"}));
}

TEST_F(BatchDriverTest, RealMediaRowsSwitchEncodersAndBack) {
    view.addRow(source("one.avi"), "RM", "RM");
    view.addRow(source("two.avi"), "mp4", "MP4");
    script({FakeRun::WritesNothing, FakeRun::Writes});
    run();
    // RealMedia output is not checked by the driver.
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed"}));
    // Restoring deletes the RealMedia encoder without shutting it down, as the facade does.
    EXPECT_EQ(log.events, (std::vector<std::string>{"init 0", "init 1", "convert 1", "convert 0"}));
    EXPECT_EQ(record.kind, engine::EncoderKind::Converter);

    // The kind stays RealMedia after a batch that ended on a RealMedia row.
    view.list.removeAll();
    view.addRow(source("three.avi"), "rm", "RM");
    run();
    EXPECT_EQ(record.kind, engine::EncoderKind::RealMedia);
    EXPECT_TRUE(facade.hasSavedEncoder());
}

TEST_F(BatchDriverTest, EncoderFailureEndsWithoutCompletionActions) {
    log.failSwitch = true;
    view.shutdownChoice = true;
    view.openFolderChoice = true;
    view.addRow(source("one.avi"), "rm", "RM");
    run();
    EXPECT_EQ(view.status(0), "Fail");
    const auto messages = view.messages();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, "Encounter a problem,please Restart !!!");
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(power.shutdownCalls, 0);
    const auto calls = view.calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("open ", 0) == 0; }),
              0);
    EXPECT_EQ(calls.back(), "enable");
    EXPECT_EQ(driver->state(), BatchState::Finished);
}

TEST_F(BatchDriverTest, MediaTypeSetsTheTargetAndAudioTargetsDropVideo) {
    view.addRow(source("song.avi"), "mp3", "mp3");
    view.addRow(source("other.avi"), "xyz", "NoSuchType");
    run();
    ASSERT_EQ(log.jobs.size(), 2U);
    EXPECT_EQ(log.jobs[0].targetCode, 11);
    EXPECT_EQ(log.jobs[0].hasVideo, 0);
    EXPECT_EQ(log.jobs[1].targetCode, 99);
    EXPECT_EQ(log.jobs[1].hasVideo, 1);
}

TEST_F(BatchDriverTest, ForceFrameServerIsReadAtEveryStart) {
    view.addRow(source("a.avi"), "avi", "AVI");
    for (const auto& [value, flag] : {std::pair{"true", 1}, std::pair{"yes", 0}, std::pair{"TRUE", 1}}) {
        morvane::test::writeFile(programDir.file("config.ini"),
                                 std::string("[Config]\nForceAVS=") + value + "\n");
        view.list.checkAll(true);
        run();
        EXPECT_EQ(log.forceFlags.back(), flag) << value;
    }
}

TEST_F(BatchDriverTest, EmptyOutputTextUsesTheDefaultFolderAndShowsIt) {
    view.output.clear();
    view.addRow(source("a.avi"), "avi", "AVI");
    run();
    EXPECT_EQ(view.outputText(), outputDir.path() + "/default");
    EXPECT_EQ(log.jobs.at(0).outputPath, outputDir.path() + "/default/a");
    EXPECT_EQ(view.status(0), "Completed");
}

TEST_F(BatchDriverTest, RelativeOutputTextIsBelowTheProgramDirectory) {
    view.output = "converted/../out";
    view.addRow(source("a.avi"), "avi", "AVI");
    run();
    EXPECT_EQ(view.outputText(), programDir.path() + "/out");
    EXPECT_EQ(log.jobs.at(0).outputPath, programDir.path() + "/out/a");
}

// An output folder whose path cannot take the output names is refused at Start, naming it, before
// anything is made or converted; one just short enough converts.
TEST_F(BatchDriverTest, AnOutputFolderTooLongForTheOutputNamesIsRefusedAtStart) {
    view.addRow(source("a.avi"), "avi", "AVI");
    const std::string base = outputDir.path() + "/";
    const std::string longName = base + std::string(NAME_MAX + 1, 'n');
    std::string deep = base;
    while (deep.size() < 799) {
        deep += std::string(std::min<std::size_t>(200, 799 - deep.size() - 1), 'd') + "/";
    }
    deep.pop_back();
    ASSERT_EQ(deep.size(), 798U);
    for (const std::string& folder : {longName, deep + "/xy"}) {
        SCOPED_TRACE(folder.size());
        view.output = folder;
        EXPECT_FALSE(driver->startRequest());
        const auto messages = view.messages();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().text.rfind("The output folder \"" + folder + "\" cannot be used: ", 0), 0U)
            << messages.back().text;
        EXPECT_EQ(messages.back().caption, "Error");
        std::error_code absent;
        EXPECT_FALSE(std::filesystem::exists(folder, absent));
    }
    EXPECT_TRUE(log.jobs.empty());
    EXPECT_EQ(view.status(0), "Ready");

    view.output = deep + "/x"; // 800 bytes: room for every output name
    script({FakeRun::Writes});
    run();
    EXPECT_EQ(view.status(0), "Completed");
}

// One conversion at a time calls the view and the encoders in exactly this order.
TEST_F(BatchDriverTest, OneAtATimeKeepsTheEstablishedOrderOfCalls) {
    log.observer = [this](const std::string& event) { view.note(event); };
    view.addRow(source("one.avi"), "mp4", "MP4");
    view.addRow(source("two.avi"), "rm", "RM");
    view.addRow(source("skipped.avi"), "mp4", "MP4");
    view.setChecked(2, false);
    view.addRow(source("three.avi"), "avi", "AVI");
    view.addRow(source("four.avi"), "avi", "AVI");
    script({FakeRun::Writes, FakeRun::WritesNothing, FakeRun::Fails});
    run();
    const std::vector<std::string> expected = {
        "checked 2 0", "stop preview", "disable", "store edits",
        // a converter row
        "show 0 0", "force 0", "prepare one.out", "run 0", "progress 0 1", "progress 0 50", "progress 0 99",
        "remove 0", "cell 0 Completed", "checked 0 0", "finished 0 Completed",
        // a RealMedia row: the encoder is switched after the job is filled
        "show 1 0", "force 0", "init 1", "prepare two.out", "run 1", "progress 1 1", "progress 1 50",
        "progress 1 99", "remove 1", "cell 1 Completed", "checked 1 0", "finished 1 Completed",
        // the unchecked row is passed over; the failing row ends the batch
        "show 3 0", "force 0", "prepare three.out", "run 0", "progress 3 1", "progress 3 50", "progress 3 99",
        "remove 3", "cell 3 Fail", "finished 3 Fail", "ask Error", "start on", "enable"};
    EXPECT_EQ(view.order(), expected);
    EXPECT_EQ(view.status(4), "Ready");
}

// Several at once: each case sets how each output's conversion behaves, whatever the order they run in.
class SideBySideTest : public BatchDriverTest {
protected:
    void byOutput(std::map<std::string, FakeRun> runs) {
        const std::lock_guard lock(log.mutex);
        log.byOutput = std::move(runs);
    }
    void addRows(std::initializer_list<const char*> names, const char* format = "avi") {
        for (const char* name : names) {
            view.addRow(source(name), format, format == std::string("rm") ? "RM" : "AVI");
        }
    }
    // Waits for the rows to have reported their ends.
    bool waitForResults(std::size_t count) {
        for (int i = 0; i < 1000 && view.results().size() < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return view.results().size() >= count;
    }
    const FakeEncoderLog::Span& spanOf(const std::string& name) {
        const auto it = std::find_if(log.spans.begin(), log.spans.end(), [&](const auto& s) {
            return std::filesystem::path(s.output).filename() == name;
        });
        EXPECT_NE(it, log.spans.end()) << name;
        return *it;
    }
    bool overlap(const std::string& a, const std::string& b) {
        return spanOf(a).start < spanOf(b).end && spanOf(b).start < spanOf(a).end;
    }
};

TEST_F(SideBySideTest, TwoRunAtOnceEachWithItsEncoderProgressAndCheck) {
    driver->setSimultaneous(2);
    addRows({"one.avi", "two.avi", "three.avi", "four.avi"});
    byOutput({{"one.out", FakeRun::WaitsForGate},
              {"two.out", FakeRun::WaitsForGate},
              {"four.out", FakeRun::WritesEmpty}});
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning(2)) << "the first two rows convert at once";
    log.openGate();
    driver->wait();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed", "Completed", "Fail"}));
    EXPECT_TRUE(overlap("one.out", "two.out"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(view.isChecked(i));
        EXPECT_EQ(view.progressOf(i), (std::vector<int>{0, 1, 50, 99})) << i;
    }
    EXPECT_TRUE(view.isChecked(3)) << "an empty output fails its row as before";
    ASSERT_EQ(log.jobs.size(), 4U);
    for (std::size_t i = 0; i < 4; ++i) { // prepared in list order
        EXPECT_EQ(log.jobs[i].sourcePath.str(), view.job(static_cast<int>(i))->sourcePath.str());
    }
    // A second encoder for the second place, shut down after the batch; the window's stays.
    EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "init 0"), 2);
    EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "shutdown 0"), 1);
    EXPECT_TRUE(facade.hasEncoder());
    const auto messages = view.messages();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(view.calls().back(), "enable");
    EXPECT_EQ(power.guardsTaken, 1);
}

// The window asks for the first place's row while the batch opens its further places (a race the
// thread sanitizer build reports).
TEST_F(SideBySideTest, TheCurrentRowCanBeAskedWhileThePlacesOpen) {
    driver->setSimultaneous(kMostSimultaneous);
    addRows({"one.avi", "two.avi"});
    byOutput({{"one.out", FakeRun::WaitsForGate}});
    ASSERT_TRUE(driver->startRequest());
    std::set<int> seen;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (view.results().empty() && std::chrono::steady_clock::now() < until) {
        seen.insert(driver->currentRow());
    }
    log.openGate();
    driver->wait();
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int row) { return row >= -1 && row < 2; }));
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed"}));
}

TEST_F(SideBySideTest, AFailureLetsTheOtherRowFinishAndStartsNoMore) {
    driver->setSimultaneous(2);
    view.openFolderChoice = true;
    addRows({"one.avi", "two.avi", "three.avi", "four.avi"});
    byOutput({{"one.out", FakeRun::WaitsForGate}, {"two.out", FakeRun::Fails}});
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(waitForResults(1));
    EXPECT_EQ(view.status(1), "Fail");
    EXPECT_EQ(view.status(0), "Ready") << "still converting";
    log.openGate();
    driver->wait();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Fail", "Ready", "Ready"}));
    EXPECT_EQ(log.jobs.size(), 2U);
    const auto messages = view.messages();
    ASSERT_EQ(messages.size(), 1U) << "no mission accomplished after a failure";
    EXPECT_EQ(messages[0].text.rfind("Convert fail!", 0), 0U);
    const auto calls = view.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "open " + outputDir.path() + "/converted"), 1);
    EXPECT_TRUE(driver->lastBatchFailed());
}

TEST_F(SideBySideTest, StopReachesEveryRunningConversion) {
    driver->setSimultaneous(2);
    addRows({"one.avi", "two.avi", "three.avi", "four.avi"});
    byOutput({{"one.out", FakeRun::WaitsForStop}, {"two.out", FakeRun::WaitsForStopThenFails}});
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning(2));
    driver->stopRequest();
    driver->wait();
    EXPECT_EQ(log.stopRequests, 2);
    // Both stopped rows are Abort, whatever their converters did; the next row is aborted, the rest left.
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Abort", "Abort", "Abort", "Ready"}));
    EXPECT_TRUE(view.isChecked(0));
    EXPECT_TRUE(view.isChecked(1));
    const auto messages = view.messages();
    ASSERT_EQ(messages.size(), 1U) << "no failure message and no success message";
    EXPECT_EQ(messages[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(driver->abortRequested());
}

TEST_F(SideBySideTest, RowsAddedWhileConvertingStartInAFreePlace) {
    driver->setSimultaneous(2);
    addRows({"one.avi"});
    byOutput({{"one.out", FakeRun::WaitsForGate}, {"late.out", FakeRun::WaitsForGate}});
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning(1));
    addRows({"late.avi", "later.avi"});
    ASSERT_TRUE(log.waitUntilRunning(2)) << "the added row starts beside the running one";
    log.openGate();
    driver->wait();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed", "Completed"}));
    EXPECT_TRUE(overlap("one.out", "late.out"));
}

TEST_F(SideBySideTest, RealMediaRunsBesideTheConverterOneRealMediaRowAtATime) {
    driver->setSimultaneous(3);
    addRows({"rm1.avi"}, "rm");
    addRows({"conv.avi"});
    addRows({"rm2.avi"}, "rm");
    byOutput({{"rm1.out", FakeRun::WaitsForGate}, {"conv.out", FakeRun::WaitsForGate}});
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(log.jobs.size(), 2U) << "the second RealMedia row waits for the first";
    log.openGate();
    driver->wait();
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Completed", "Completed", "Completed"}));
    EXPECT_TRUE(overlap("rm1.out", "conv.out"));
    EXPECT_GE(spanOf("rm2.out").start, spanOf("rm1.out").end);
    EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "convert 1"), 2);
}

TEST_F(SideBySideTest, SameNamedSourcesGetTheirOutputNamesInListOrderEveryTime) {
    driver->setSimultaneous(4);
    for (int round = 0; round < 5; ++round) {
        view.list.removeAll();
        std::filesystem::remove_all(outputDir.path() + "/converted");
        std::vector<std::string> expected;
        for (int i = 0; i < 8; ++i) {
            const std::string folder = "d" + std::to_string(i);
            std::filesystem::create_directories(sources.file(folder));
            view.addRow(source(folder + "/clip.avi"), "avi", "AVI");
            expected.push_back(
                outputDir.path() + "/converted/" +
                (i == 0 ? std::string("clip.out") : "clip (" + std::to_string(i + 1) + ").out"));
        }
        run();
        std::vector<std::string> outputs(8);
        for (const auto& [row, result] : view.results()) {
            if (static_cast<std::size_t>(row) < outputs.size() && result.status == "Completed") {
                outputs[static_cast<std::size_t>(row)] = result.outputPath;
            }
        }
        EXPECT_EQ(outputs, expected) << "round " << round;
        for (const auto& output : expected) {
            EXPECT_TRUE(std::filesystem::exists(output)) << output;
        }
        view.clearResults();
    }
}

TEST(OutputBasePath, KeepsAllButTheLastExtension) {
    EXPECT_EQ(outputBasePath("/out/", "/clips/holiday.part1.mov"), "/out/holiday.part1");
    EXPECT_EQ(outputBasePath("/out", "/clips/holiday.part1.mov"), "/out/holiday.part1");
    // Without an extension the whole name is the base; leading dots do not hide the output.
    EXPECT_EQ(outputBasePath("/out", "/clips/.hidden"), "/out/hidden");
    EXPECT_EQ(outputBasePath("/out", "/clips/.hidden.mov"), "/out/hidden");
    EXPECT_EQ(outputBasePath("/out", "/clips/noextension"), "/out/noextension");
    EXPECT_EQ(outputBasePath("/out", "/clips/dir.d/name"), "/out/name");
    EXPECT_EQ(outputBasePath("/out", "/clips/..."), "/out/");
    EXPECT_EQ(resolvedOutputPath("/out", "/abs/x.avi"), "/abs/x.avi");
    EXPECT_EQ(resolvedOutputPath("/out", ".avi"), "/out/.avi");
}

} // namespace
} // namespace morvane::app
