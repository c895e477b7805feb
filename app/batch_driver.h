#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/batch_view.h"
#include "engine/conversion_job.h"

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
inline constexpr const char* kNoSelectedFileText = "There is no selected file in list! ";
inline constexpr const char* kStopQuestionText = "  Stop the video convert operation?   ";
inline constexpr const char* kMissionAccomplishedText = "    Mission accomplished!        ";
inline constexpr const char* kEncoderProblemText = "Encounter a problem,please Restart !!!";
// The reason given for a row that a stop request left unconverted.
inline constexpr const char* kReasonStopped = "the batch was stopped before this file";

// "Convert fail! Please send the trace file "<trace file path>" to <support address>", naming the
// trace this run really wrote; without one (it could be written nowhere) the text says so instead of
// asking for a file that does not exist.
std::string conversionFailureText(const std::optional<std::string>& traceFile);

// The output folder, a separator unless it ends with one, and the source file name without its
// folder and its last extension; empty when the file name has no dot.
std::string outputBasePath(const std::string& outputFolder, const std::string& sourcePath);

// Where the output check looks for the converted file: an output path that is not absolute lies in
// the output folder, where the converter runs.
std::string resolvedOutputPath(const std::string& outputFolder, const std::string& outputPath);

// Converts the checked rows of a view one after another on a worker thread of idle priority.
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
    // From the window's thread: asks the user and, on Yes, stops the running conversion and the batch.
    void stopRequest();
    // Stops without asking (a confirmed request from elsewhere, such as the command line's Ctrl-C).
    void stopConfirmed();
    // Blocks until the worker of the last batch has ended.
    void wait();

    BatchState state() const { return m_state.load(); }
    bool busy() const { return m_busy.load(); }
    int currentRow() const { return m_currentRow.load(); }
    bool abortRequested() const { return m_abortRequested.load(); }
    // Whether the last batch had a conversion or encoder failure.
    bool lastBatchFailed() const { return m_failed.load(); }
    const std::string& outputFolder() const { return m_outputFolder; }

    // The engine calls this on the worker thread with a percentage from 1 to 99.
    static void progressCallback(std::int32_t percent, void* userData);

private:
    // The refusal text for the first checked row whose profile cannot be used here; empty when none.
    std::string unusableProfile();
    // What converting a row means for the rest of the batch.
    enum class RowOutcome { Completed, Failed, EncoderProblem };

    void runBatch();
    // Takes the output folder from the window (or the default) and makes it.
    void prepareOutputFolder();
    // The row's job as the engine needs it: settings from its profile, cut range, output and script paths.
    void fillJob(int row, engine::ConversionJob& job, bool forceFrameServer);
    // Puts the encoder the profile needs in place; false when the engine cannot switch.
    bool switchEncoderFor(const profiles::Profile* profile);
    RowOutcome convertRow(int row, bool forceFrameServer);
    void conversionFailure(int row, const RowResult& result);
    void endOfBatch();
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
    std::atomic<int> m_currentRow{-1};
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_failed{false};
    std::string m_outputFolder;
    std::unique_ptr<engine::OutputNames> m_outputNames; // the running batch's
    std::map<std::string, std::string, std::less<>> m_unavailable;
    int m_registeredRows = 0;

    std::mutex m_workerMutex;
    std::thread m_worker;
};

} // namespace morvane::app
