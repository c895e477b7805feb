#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/batch_view.h"
#include "engine/conversion_job.h"
#include "platform/translation.h"

namespace morvane::engine {
class CQuillonMediaCntl;
class OutputNames;
} // namespace morvane::engine

namespace morvane::platform {
class PowerControl;
} // namespace morvane::platform

namespace morvane::app {

enum class BatchState : std::int32_t { Idle, Running, Finished };

inline constexpr const char* kSupportAddress = "support@norvik-software.com";
inline constexpr const char* kNoSelectedFileText =
    QT_TRANSLATE_NOOP("BatchDriver", "There is no selected file in list! ");
inline constexpr const char* kStopQuestionText =
    QT_TRANSLATE_NOOP("BatchDriver", "  Stop the video convert operation?   ");
inline constexpr const char* kMissionAccomplishedText =
    QT_TRANSLATE_NOOP("BatchDriver", "    Mission accomplished!        ");
inline constexpr const char* kEncoderProblemText =
    QT_TRANSLATE_NOOP("BatchDriver", "Encounter a problem,please Restart !!!");
// The message that a conversion failed, with the trace file (%1) and the support address (%2).
inline constexpr const char* kConversionFailedText =
    QT_TRANSLATE_NOOP("BatchDriver", "Convert fail! Please send the trace file \"%1\" to %2");
// The same when no trace file could be written, with where it should have been (%1).
inline constexpr const char* kConversionFailedNoTraceText =
    QT_TRANSLATE_NOOP("BatchDriver", "Convert fail! No trace file could be written (not as \"%1\", nor in a "
                                     "temporary folder), so the reason was not recorded. Please tell %2 what "
                                     "you converted");
// The reason given for a row that a stop request left unconverted.
inline constexpr const char* kReasonStopped = "the batch was stopped before this file";
// The reason given for a row whose conversion a stop request ended.
inline constexpr const char* kReasonStoppedWhileConverting =
    "stopped on request while converting; nothing was kept";
// How long the computer waits before it shuts down at the end of a batch.
inline constexpr int kShutdownCountdownSeconds = 60;
// How many conversions a batch may run at once.
inline constexpr int kMostSimultaneous = 16;

// What starts every trace and event-log line of the conversion of `row` (counted from 0) while
// conversions run side by side: "[<row from 1>] ".
std::string rowTraceTag(int row);

// "Convert fail! Please send the trace file "<trace file path>" to <support address>", naming the
// trace this run really wrote; without one (it could be written nowhere) the text says so instead of
// asking for a file that does not exist.
std::string conversionFailureText(const std::optional<std::string>& traceFile);

// The failure text, and below it, on a line of its own, why the conversion failed (when that is known).
std::string conversionFailureMessage(const std::optional<std::string>& traceFile, const std::string& reason);

// "The computer will shut down in <seconds> seconds."
std::string shutdownCountdownText(int seconds);

// What the user reads when the system would not power off.
// A row's reason or warning (English in the trace and the JSON events) as the user reads it.
std::string shownReason(const std::string& reason);

inline std::string shutdownFailureText(const std::string& reason) {
    return platform::withArguments(
        platform::translate("BatchDriver", "The computer could not be shut down: %1"), {reason});
}

// The completion message, with one line for each warning about the batch's outputs.
std::string missionAccomplishedMessage(const std::vector<std::string>& warnings);

// The output folder, a separator unless it ends with one, and the source file name without its
// folder and its last extension; empty when the file name has no dot.
std::string outputBasePath(const std::string& outputFolder, const std::string& sourcePath);

// Where the output check looks for the converted file: an output path that is not absolute lies in
// the output folder, where the converter runs.
std::string resolvedOutputPath(const std::string& outputFolder, const std::string& outputPath);

// Why output files cannot be written into `folder`, as the refusal the user reads; nothing when they
// can. A folder is refused when a name in its path is longer than a file system holds, or when it
// leaves no room for the longest output name a conversion may write (engine::kLongestOutputName)
// within the longest path a conversion writes to.
std::optional<std::string> outputFolderProblem(const std::string& folder);

// Converts the checked rows of a view on a worker thread of idle priority: one after another, or
// several at once, each with its own encoder, starting in list order.
class BatchDriver {
public:
    // `record` is the encoder record registered with `facade` (its kind follows encoder switches);
    // the driver registers itself as the record's progress callback and user data.
    BatchDriver(BatchView& view, engine::CQuillonMediaCntl& facade, engine::EncoderInitRecord& record,
                platform::PowerControl& power, std::string programDirectory, std::string defaultOutputFolder);
    ~BatchDriver();
    BatchDriver(const BatchDriver&) = delete;
    BatchDriver& operator=(const BatchDriver&) = delete;

    // From the window's thread: checks the list and starts the worker. True when a batch started;
    // false for an empty list, no checked row (after the warning), a checked row whose profile
    // cannot be used here (after saying what is missing), or a batch already under way.
    bool startRequest();

    // Profiles that cannot be used on this system, by name, with the reason (start-up checks).
    void setUnavailableProfiles(std::map<std::string, std::string, std::less<>> unavailable) {
        m_unavailable = std::move(unavailable);
    }
    // How many rows the next batch converts at once, kept between 1 and kMostSimultaneous.
    void setSimultaneous(int count);
    int simultaneous() const { return m_simultaneous.load(); }
    // From the window's thread: asks the user and, on Yes, stops the running conversions and the batch.
    void stopRequest();
    // Stops without asking (a confirmed request from elsewhere, such as the command line's Ctrl-C).
    void stopConfirmed();
    // Blocks until the worker of the last batch has ended.
    void wait();

    BatchState state() const { return m_state.load(); }
    bool busy() const { return m_busy.load(); }
    // The row the first conversion place works on; -1 when none.
    int currentRow() const;
    bool abortRequested() const { return m_abortRequested.load(); }
    // Whether the last batch had a conversion or encoder failure.
    bool lastBatchFailed() const { return m_failed.load(); }

    // The engine calls this on the converting thread with a percentage from 1 to 99.
    static void progressCallback(std::int32_t percent, void* userData);

private:
    // A place where one conversion runs: the first is the window's facade and record, the others have
    // encoders of their own for the length of a batch.
    struct Slot {
        engine::CQuillonMediaCntl* facade = nullptr;
        engine::EncoderInitRecord* record = nullptr;
        std::unique_ptr<engine::CQuillonMediaCntl> ownFacade;
        engine::EncoderInitRecord ownRecord;
        BatchDriver* driver = nullptr;
        std::atomic<int> row{-1};
        std::thread thread;
        bool running = false; // guarded by m_slotMutex
        bool realMedia = false;
    };
    // A row on its way through a conversion place.
    struct RowRun {
        int row = -1;
        engine::ConversionJob* job = nullptr;
        std::chrono::steady_clock::time_point started;
        double seconds() const;
    };
    // The refusal text for the first checked row whose profile cannot be used here; empty when none.
    std::string unusableProfile();
    // What converting a row means for the rest of the batch.
    enum class RowOutcome { Completed, Failed, Stopped, EncoderProblem };

    void runBatch();
    void runOneAtATime(bool forceFrameServer);
    void runSideBySide(int count, bool forceFrameServer);
    // Gives places 2 to `count` encoders of their own; those whose encoder cannot start are left out.
    void openSlots(int count);
    void closeSlots();
    // Waits for a place free for a row of the kind (one RealMedia row runs at a time); null when the
    // batch stops or a row failed meanwhile.
    Slot* freeSlot(bool realMedia);
    // Waits until a conversion ends; false when none runs.
    bool waitForAnEnd();
    // Starts a row on a place: fills its job, switches the encoder, settles its output and runs it
    // on a thread of its own.
    RowOutcome startRow(Slot& slot, int row, bool forceFrameServer);
    // The row's beginning, shared by both ways: progress shown, job filled, encoder in place. Completed
    // when the row may be converted.
    RowOutcome beginRow(Slot& slot, RowRun& run, bool forceFrameServer);
    // Judges a conversion by its result and output and reports the row.
    RowOutcome finishRow(const Slot& slot, const RowRun& run, std::int32_t converted);
    // Shows the length of a whole file's output in the row when its source stated less.
    void showFoundLength(int row, engine::ConversionJob& job, const std::string& output);
    void abortRow(int row);
    // The output folder the window names (relative to the program directory), or the default.
    std::string chosenOutputFolder() const;
    // Takes the output folder from the window (or the default) and makes it.
    void prepareOutputFolder();
    // The row's job as the engine needs it: settings from its profile, cut range, output and script paths.
    void fillJob(Slot& slot, int row, engine::ConversionJob& job, bool forceFrameServer);
    // Puts the encoder the profile needs in the place; false when the engine cannot switch.
    static bool switchEncoderFor(Slot& slot, const profiles::Profile* profile);
    RowOutcome convertRow(int row, bool forceFrameServer);
    // Tells the view (and the trace) how a row ended.
    void reportRow(int row, const RowResult& result);
    void conversionFailure(int row, const RowResult& result);
    void endOfBatch();
    // The countdown the user may cancel, then the request to power off; a refusal is told.
    void shutDownAfterCountdown();
    // After an encoder problem: the window is given back, no completion action runs.
    void endWithoutCompletion();
    // Makes the sources of rows added since the last call known to the batch's output names.
    void registerSources();

    BatchView& m_view;
    engine::CQuillonMediaCntl& m_facade;
    engine::EncoderInitRecord& m_record;
    platform::PowerControl& m_power;
    std::string m_programDirectory;
    std::string m_defaultOutputFolder;

    std::atomic<BatchState> m_state{BatchState::Idle};
    std::atomic<bool> m_abortRequested{false};
    std::atomic<bool> m_busy{false};
    std::atomic<int> m_simultaneous{1};
    std::atomic<bool> m_failed{false};
    std::string m_outputFolder;
    std::unique_ptr<engine::OutputNames> m_outputNames; // the running batch's
    std::map<std::string, std::string, std::less<>> m_unavailable;
    int m_registeredRows = 0;
    std::vector<std::string> m_warnings; // about the batch's kept outputs; guarded by m_slotMutex

    // The places of the running batch; the first lives as long as the driver. The list changes on
    // the worker thread only, under m_slotMutex, which stop requests take to reach every place.
    std::vector<std::unique_ptr<Slot>> m_slots;
    Slot* m_firstSlot = nullptr; // read from any thread: the list may grow meanwhile
    std::mutex m_slotMutex;
    std::condition_variable m_slotEnded;

    std::mutex m_workerMutex;
    std::thread m_worker;
};

} // namespace morvane::app
