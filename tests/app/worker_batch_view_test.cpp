#include "app/worker_batch_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "app/batch_driver.h"
#include "engine/quillon_media_cntl.h"
#include "platform/program_dir.h"
#include "tests/app/batch_fakes.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

using namespace std::chrono_literals;
using test::FakeEncoderLog;
using test::FakeRun;

// The window's side: its own rows, every call recorded, and a note of any call that did not come
// on the window's thread (the test's thread plays it).
class WindowSide final : public BatchView {
public:
    MessageAnswer ask(const Message& message) override {
        here();
        messages.push_back(message);
        return message.buttons == MessageButtons::YesNo ? stopAnswer : MessageAnswer::Ok;
    }
    int rowCount() override { return here(), list.rowCount(); }
    bool isChecked(int row) override { return here(), list.row(row).checked; }
    void setChecked(int row, bool checked) override { here(), list.row(row).checked = checked; }
    std::string cellText(int row, int column) override {
        return here(), list.row(row).cells[static_cast<std::size_t>(column)];
    }
    void setCellText(int row, int column, const std::string& text) override {
        here();
        list.row(row).cells[static_cast<std::size_t>(column)] = text;
    }
    engine::ConversionJob* job(int row) override { return here(), list.row(row).job.get(); }
    void showProgress(int row, int percent) override { here(), progress[row].push_back(percent); }
    void setProgress(int row, int percent) override { here(), progress[row].push_back(percent); }
    void removeProgress(int row) override { here(), progress[row].push_back(-1); }
    std::string outputText() override { return here(), output; }
    void setOutputText(const std::string& text) override { here(), output = text; }
    bool shutdownWhenDone() override { return here(), false; }
    bool openFolderWhenDone() override { return here(), false; }
    void setEditingEnabled(bool enabled) override { here(), calls.push_back(enabled ? "enable" : "disable"); }
    void setStartEnabled(bool enabled) override {
        here(), calls.push_back(enabled ? "start on" : "start off");
    }
    void stopPreview() override { here(), calls.emplace_back("stop preview"); }
    void storePanelEdits() override { here(), calls.emplace_back("store edits"); }
    void openFolder(const std::string& folder) override { here(), calls.push_back("open " + folder); }

    int addRow(const std::string& source, const std::string& mediaType, bool checked = true) {
        auto job = std::make_unique<engine::ConversionJob>();
        job->sourcePath = source;
        job->duration = 10.0;
        job->hasVideo = 1;
        auto profile = std::make_unique<profiles::Profile>();
        profile->name = mediaType + " profile";
        profile->Format = "avi";
        profile->MediaType = mediaType;
        const int row = list.append(std::move(job), std::move(profile));
        list.row(row).checked = checked;
        return row;
    }
    std::vector<std::string> statuses() {
        std::vector<std::string> result;
        for (int i = 0; i < list.rowCount(); ++i) {
            result.push_back(list.row(i).cells[kColumnStatus]);
        }
        return result;
    }

    FileList list;
    std::string output;
    MessageAnswer stopAnswer = MessageAnswer::Yes;
    std::vector<Message> messages;
    std::vector<std::string> calls;
    std::map<int, std::vector<int>> progress;
    std::thread::id thread = std::this_thread::get_id();
    int foreignCalls = 0;

private:
    void here() {
        if (std::this_thread::get_id() != thread) {
            ++foreignCalls;
        }
    }
};

// The window's event queue: posted calls wait here until the test thread runs them.
class PostedCalls {
public:
    WorkerBatchView::Post post() {
        return [this](std::function<void()> call) {
            const std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
            m_changed.notify_all();
        };
    }
    // Runs posted calls until `done` holds; false when it did not within the time limit.
    bool runUntil(const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            std::function<void()> call;
            {
                std::unique_lock lock(m_mutex);
                // The worker's end is no posted call: look again every few milliseconds.
                if (!m_changed.wait_for(lock, 5ms, [&] { return !m_calls.empty(); })) {
                    if (std::chrono::steady_clock::now() > deadline) {
                        return done();
                    }
                    continue;
                }
                call = std::move(m_calls.front());
                m_calls.pop_front();
            }
            call();
        }
        return true;
    }
    std::size_t waiting() {
        const std::lock_guard lock(m_mutex);
        return m_calls.size();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_calls;
};

class WorkerBatchViewTest : public ::testing::Test {
protected:
    WorkerBatchViewTest() : facade(test::fakeFactory(log)), worker(window, posted.post()) {
        platform::setProgramDirectory(programDir.path());
        record.programDirectory = programDir.path() + "/";
        driver = std::make_unique<BatchDriver>(worker, facade, record, power, programDir.path() + "/",
                                               outputDir.path());
        EXPECT_EQ(facade.Init(&record), 1);
    }
    ~WorkerBatchViewTest() override {
        worker.closeDown();
        driver.reset();
        facade.Release();
        platform::setProgramDirectory("");
    }
    void script(std::initializer_list<FakeRun> runs) {
        const std::lock_guard lock(log.mutex);
        log.script.assign(runs);
    }
    void start() {
        worker.begin(window.list, outputDir.path() + "/out", false, true);
        ASSERT_TRUE(driver->startRequest());
    }
    bool runToEnd() {
        return posted.runUntil([&] { return !driver->busy() && posted.waiting() == 0; });
    }
    std::vector<engine::ConversionJob> converted() {
        const std::lock_guard lock(log.mutex);
        return log.jobs;
    }

    morvane::test::TempDir programDir;
    morvane::test::TempDir outputDir;
    morvane::test::RecordingPowerControl power;
    FakeEncoderLog log;
    WindowSide window;
    PostedCalls posted;
    engine::EncoderInitRecord record;
    engine::CQuillonMediaCntl facade;
    WorkerBatchView worker;
    std::unique_ptr<BatchDriver> driver;
};

TEST_F(WorkerBatchViewTest, ThreeRowsReachTheWindowOnlyThroughItsThread) {
    for (const char* name : {"/clips/one.avi", "/clips/two.mov", "/clips/three.mpg"}) {
        window.addRow(name, "AVI");
    }
    start();
    ASSERT_TRUE(runToEnd());

    EXPECT_EQ(window.foreignCalls, 0) << "the worker called the window from its own thread";
    EXPECT_EQ(window.statuses(), (std::vector<std::string>{"Completed", "Completed", "Completed"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(window.list.row(i).checked) << i;
        EXPECT_EQ(window.progress[i], (std::vector<int>{0, 1, 50, 99, -1})) << i;
        EXPECT_TRUE(window.list.row(i).job->outputPath.empty()) << "the worker converts copies, row " << i;
    }
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, kMissionAccomplishedText);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"stop preview", "disable", "start on",
                                                      "open " + outputDir.path() + "/out", "enable"}));
    const auto jobs = converted();
    ASSERT_EQ(jobs.size(), 3U);
    EXPECT_EQ(jobs[2].outputPath.str(), outputDir.path() + "/out/three");
}

TEST_F(WorkerBatchViewTest, ChangesMadeOnTheWindowThreadDuringTheBatchReachTheWorker) {
    script({FakeRun::WaitsForGate, FakeRun::Writes, FakeRun::Writes});
    window.addRow("/clips/first.avi", "AVI");
    start();
    ASSERT_TRUE(log.waitUntilRunning());

    // The running row's profile is the worker's own now: a change no longer reaches it.
    profiles::Profile audioOnly;
    audioOnly.MediaType = "MP3";
    worker.rowProfileChanged(0, audioOnly);
    // A dropped row, then one added unchecked and checked afterwards, then one left unchecked.
    for (const auto& [name, checked] :
         {std::pair{"/clips/dropped.avi", true}, std::pair{"/clips/late.mov", false},
          std::pair{"/clips/skipped.mov", false}}) {
        const int row = window.addRow(name, "AVI", checked);
        worker.rowAdded(window.list.row(row));
    }
    worker.rowProfileChanged(1, audioOnly);
    worker.rowCutChanged(1, "00:00:02", "00:00:05");
    worker.rowChecked(2, true);
    log.openGate();
    ASSERT_TRUE(runToEnd());

    const auto jobs = converted();
    ASSERT_EQ(jobs.size(), 3U);
    EXPECT_EQ(jobs[0].targetCode, 1) << "the running row kept the AVI profile it started with";
    EXPECT_EQ(jobs[1].targetCode, 11) << "a waiting row takes the changed profile";
    EXPECT_EQ(jobs[1].startTime.str(), "00:00:02");
    EXPECT_EQ(jobs[1].endTime.str(), "00:00:05");
    EXPECT_EQ(jobs[2].sourcePath.str(), "/clips/late.mov");
    EXPECT_EQ(window.statuses(), (std::vector<std::string>{"Completed", "Completed", "Completed", "Ready"}));
    EXPECT_EQ(window.foreignCalls, 0);
}

// A row that waits in the batch takes the settings it has when it starts, also when it was in the list
// at Start; the running row keeps what it started with.
TEST_F(WorkerBatchViewTest, ARowWaitingSinceStartTakesItsLaterEdits) {
    script({FakeRun::WaitsForGate, FakeRun::Writes});
    window.addRow("/clips/first.avi", "AVI");
    window.addRow("/clips/second.avi", "AVI");
    start();
    ASSERT_TRUE(log.waitUntilRunning());
    profiles::Profile audioOnly;
    audioOnly.name = "MP3 profile";
    audioOnly.MediaType = "MP3";
    worker.rowProfileChanged(0, audioOnly);
    worker.rowProfileChanged(1, audioOnly);
    worker.rowCutChanged(1, "00:00:01", "00:00:04");
    log.openGate();
    ASSERT_TRUE(runToEnd());

    const auto jobs = converted();
    ASSERT_EQ(jobs.size(), 2U);
    EXPECT_EQ(jobs[0].targetCode, 1) << "the running row kept its AVI profile";
    EXPECT_EQ(jobs[1].targetCode, 11) << "the waiting row converts with its edited profile";
    EXPECT_EQ(jobs[1].startTime.str(), "00:00:01");
    EXPECT_EQ(window.list.row(1).profile->MediaType, "AVI") << "the worker wrote nothing of the window's";
    EXPECT_EQ(window.foreignCalls, 0);
}

TEST_F(WorkerBatchViewTest, StopQuestionIsAnsweredOnTheWindowThreadAtOnce) {
    script({FakeRun::WaitsForStop, FakeRun::Writes, FakeRun::Writes});
    for (const char* name : {"/clips/a.avi", "/clips/b.avi", "/clips/c.avi"}) {
        window.addRow(name, "AVI");
    }
    start();
    ASSERT_TRUE(log.waitUntilRunning());
    ASSERT_TRUE(posted.runUntil([&] { return driver->state() == BatchState::Running; }));
    window.stopAnswer = MessageAnswer::No;
    driver->stopRequest();
    EXPECT_FALSE(driver->abortRequested());
    window.stopAnswer = MessageAnswer::Yes;
    driver->stopRequest();
    ASSERT_TRUE(runToEnd());

    EXPECT_EQ(window.statuses(), (std::vector<std::string>{"Abort", "Abort", "Ready"}));
    ASSERT_EQ(window.messages.size(), 2U) << "a stopped batch is no success";
    EXPECT_EQ(window.messages[0].text, kStopQuestionText);
    EXPECT_EQ(window.messages[1].text, kStopQuestionText);
    EXPECT_EQ(window.foreignCalls, 0);
}

TEST_F(WorkerBatchViewTest, ClosingDownReleasesAWorkerThatWaitsForAnAnswer) {
    script({FakeRun::Fails});
    window.addRow("/clips/broken.avi", "AVI");
    start();
    // The failure message is posted; nobody runs it, as when the window is being destroyed.
    ASSERT_TRUE(posted.runUntil([&] { return window.calls.size() >= 2; })); // stop preview, disable
    while (posted.waiting() < 3) {                                          // cell, progress, question
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(driver->busy());
    const std::size_t before = posted.waiting();
    worker.closeDown();
    auto joined = std::async(std::launch::async, [&] { driver->wait(); });
    ASSERT_EQ(joined.wait_for(10s), std::future_status::ready) << "the worker still waits for the window";
    EXPECT_EQ(posted.waiting(), before) << "nothing is posted after closing down";
    EXPECT_EQ(WorkerBatchView::defaultAnswer(
                  {kStopQuestionText, "Warning", MessageIcon::Warning, MessageButtons::YesNo}),
              MessageAnswer::No);
}

} // namespace
} // namespace morvane::app
