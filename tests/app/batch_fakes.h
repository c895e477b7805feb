#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/batch_view.h"
#include "app/file_list.h"
#include "engine/media_encoder.h"
#include "engine/quillon_media_cntl.h"

namespace morvane::app::test {

// Records every message and answers OK.
class RecordingPrompts final : public UserPrompts {
public:
    MessageAnswer ask(const Message& message) override {
        messages.push_back(message);
        return MessageAnswer::Ok;
    }
    std::vector<Message> messages;
};

// A window stand-in: rows in a FileList, every call recorded, questions answered from a script.
class RecordingView final : public BatchView {
public:
    MessageAnswer ask(const Message& message) override;
    int rowCount() override;
    bool isChecked(int row) override;
    void setChecked(int row, bool checked) override;
    std::string cellText(int row, int column) override;
    void setCellText(int row, int column, const std::string& text) override;
    engine::ConversionJob* job(int row) override;
    void showProgress(int row, int percent) override;
    void setProgress(int row, int percent) override;
    void removeProgress(int row) override;
    std::string outputText() override;
    void setOutputText(const std::string& text) override;
    bool shutdownWhenDone() override { return shutdownChoice; }
    bool openFolderWhenDone() override { return openFolderChoice; }
    void setEditingEnabled(bool enabled) override;
    void setStartEnabled(bool enabled) override;
    void stopPreview() override;
    void storePanelEdits() override;
    void openFolder(const std::string& folder) override;
    void rowFinished(int row, const RowResult& result) override;

    // Adds a row for a source with a profile of the given Format, MediaType and SName.
    int addRow(const std::string& source, const std::string& format, const std::string& mediaType,
               double duration = 10.0);
    std::string status(int row);
    std::vector<Message> messages();
    std::vector<std::string> calls();
    std::vector<int> progressOf(int row);
    std::vector<std::pair<int, RowResult>> results();
    void clearResults();
    // Every call the driver made and every encoder event noted through `note`, in the order they came.
    std::vector<std::string> order();
    void note(const std::string& event);

    FileList list;
    std::string output;
    bool shutdownChoice = false;
    bool openFolderChoice = false;
    MessageAnswer stopAnswer = MessageAnswer::Yes;
    MessageAnswer shutdownAnswer = MessageAnswer::Yes; // the countdown: Yes when it runs out

private:
    void record(const std::string& call);
    void orderLocked(std::string event) { m_order.push_back(std::move(event)); }

    std::mutex m_mutex;
    std::vector<Message> m_messages;
    std::vector<std::string> m_calls;
    std::vector<std::string> m_order;
    std::vector<std::vector<int>> m_progress;
    std::vector<std::pair<int, RowResult>> m_results;
};

// The converter's own last word when a fake conversion fails.
inline constexpr const char* kFakeFailureReason = "Unknown encoder 'nosuch'";

// How the fake encoder's next conversions behave, one entry per bDoConvert, in order.
enum class FakeRun {
    Writes,      // writes a non-empty output file and succeeds
    WritesShort, // the same, with a warning that the source ended early
    WritesEmpty, // writes an empty file
    WritesNothing,
    Fails,                   // RunConversion gives 0, with kFakeFailureReason
    WaitsForStop,            // blocks until RequestStop, then ends stopped, keeping nothing
    WaitsForStopThenFails,   // blocks until RequestStop, then fails (killed as the stop came)
    WaitsForStopButFinishes, // blocks until RequestStop, then writes the whole file all the same
    WaitsForGate,            // blocks until the test opens the gate, then writes the file
};

// A converter encoder that never starts a process: it names the output "<base>.out" and follows
// a script. Shared state lets tests see what the encoders were given.
struct FakeEncoderLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<FakeRun> script;
    // How the conversion of an output ("one.out") behaves, whatever its turn; the script covers the rest.
    std::map<std::string, FakeRun> byOutput;
    std::vector<engine::ConversionJob> jobs; // copies at PrepareCommand
    std::vector<int> forceFlags;
    std::vector<std::string> events; // "init 0", "shutdown 1", "convert 0", ...
    // When each conversion ran, by the output it was given.
    struct Span {
        std::string output;
        std::chrono::steady_clock::time_point start;
        std::chrono::steady_clock::time_point end;
    };
    std::vector<Span> spans;
    // Sees every encoder call as it happens ("prepare <output>", "run 0", "stop", "force 1", "init 1").
    std::function<void(const std::string&)> observer;
    int running = 0;         // conversions waiting for the gate or a stop
    bool failSwitch = false; // creating a RealMedia encoder fails
    bool gateOpen = false;
    int stopRequests = 0;

    void note(const std::string& event);
    void observe(const std::string& event) const;
    bool waitUntilRunning(int count = 1);
    void openGate();
};

engine::EncoderFactory fakeFactory(FakeEncoderLog& log);

} // namespace morvane::app::test
