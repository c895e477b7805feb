#include "app/batch_driver.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "app/app_settings.h"
#include "app/file_list.h"
#include "app/startup_checks.h"
#include "engine/command_builder.h"
#include "engine/output_names.h"
#include "engine/quillon_media_cntl.h"
#include "engine/trace_file.h"
#include "platform/power_control.h"
#include "platform/process.h"
#include "platform/time_text.h"
#include "platform/user_files.h"
#include "profiles/media_type_table.h"

namespace morvane::app {

namespace {

bool outputIsThere(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::is_regular_file(status)) {
        return false;
    }
    const auto size = std::filesystem::file_size(path, ec);
    return !ec && size > 0;
}

} // namespace

std::string conversionFailureText(const std::optional<std::string>& traceFile) {
    if (!traceFile) {
        return "Convert fail! No trace file could be written (not as \"" + engine::traceFilePath() +
               "\", nor in a temporary folder), so the reason was not recorded. Please tell " +
               kSupportAddress + " what you converted";
    }
    return "Convert fail! Please send the trace file \"" + *traceFile + "\" to " + kSupportAddress;
}

std::string outputBasePath(const std::string& outputFolder, const std::string& sourcePath) {
    std::string base = outputFolder;
    if (base.empty() || base.back() != '/') {
        base.push_back('/');
    }
    std::string name = platform::fileNameOfPath(sourcePath).value_or(std::string());
    // Leading dots only hide a file; they are no extension and the output is not hidden.
    name.erase(0,
               name.find_first_not_of('.') == std::string::npos ? name.size() : name.find_first_not_of('.'));
    const auto dot = name.rfind('.');
    // A name without an extension is the base as a whole, so the output is never named by its suffix
    // alone ("_h264_aac.mp4").
    if (dot == std::string::npos) {
        return base + name;
    }
    return base + name.substr(0, dot);
}

std::string resolvedOutputPath(const std::string& outputFolder, const std::string& outputPath) {
    if (!outputPath.empty() && outputPath.front() == '/') {
        return outputPath;
    }
    return (std::filesystem::path(outputFolder) / outputPath).string();
}

BatchDriver::BatchDriver(BatchView& view, engine::CQuillonMediaCntl& facade,
                         engine::EncoderInitRecord& record, platform::PowerControl& power,
                         std::string programDirectory, std::string defaultOutputFolder)
    : m_view(view), m_facade(facade), m_record(record), m_power(power),
      m_programDirectory(std::move(programDirectory)), m_defaultOutputFolder(std::move(defaultOutputFolder)) {
    m_record.callback = &BatchDriver::progressCallback;
    m_record.userData = this;
}

BatchDriver::~BatchDriver() {
    if (m_busy.load()) {
        stopConfirmed();
    }
    wait();
}

void BatchDriver::wait() {
    const std::lock_guard lock(m_workerMutex);
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

bool BatchDriver::startRequest() {
    // One batch at a time: a request that arrives while one is under way is refused.
    if (m_busy.load()) {
        return false;
    }
    const int rows = m_view.rowCount();
    if (rows <= 0) {
        return false;
    }
    bool anyChecked = false;
    for (int i = 0; i < rows && !anyChecked; ++i) {
        anyChecked = m_view.isChecked(i);
    }
    if (!anyChecked) {
        m_view.ask(Message{kNoSelectedFileText, "Warning", MessageIcon::Warning, MessageButtons::Ok});
        return false;
    }
    if (const auto refusal = unusableProfile(); !refusal.empty()) {
        m_view.ask(Message{refusal, "Error", MessageIcon::Stop, MessageButtons::Ok});
        return false;
    }
    bool expected = false;
    if (!m_busy.compare_exchange_strong(expected, true)) {
        return false;
    }
    const std::lock_guard lock(m_workerMutex);
    if (m_worker.joinable()) {
        m_worker.join(); // the previous batch has ended already: busy was clear
    }
    m_worker = std::thread([this] {
        platform::makeThisThreadIdle();
        runBatch();
        m_busy.store(false);
    });
    return true;
}

std::string BatchDriver::unusableProfile() {
    for (int i = 0; i < m_view.rowCount(); ++i) {
        const auto* job = m_view.isChecked(i) ? m_view.job(i) : nullptr;
        if (job == nullptr || job->profile == nullptr) {
            continue;
        }
        if (const auto it = m_unavailable.find(job->profile->name); it != m_unavailable.end()) {
            return unavailableProfileText(it->first, it->second);
        }
    }
    return {};
}

void BatchDriver::stopRequest() {
    if (m_state.load() != BatchState::Running) {
        return;
    }
    const auto answer =
        m_view.ask(Message{kStopQuestionText, "Warning", MessageIcon::Warning, MessageButtons::YesNo});
    if (answer == MessageAnswer::Yes) {
        stopConfirmed();
    }
}

void BatchDriver::stopConfirmed() {
    m_abortRequested.store(true);
    m_facade.StopConversion();
}

void BatchDriver::progressCallback(std::int32_t percent, void* userData) {
    auto* driver = static_cast<BatchDriver*>(userData);
    if (driver == nullptr) {
        return;
    }
    const int row = driver->m_currentRow.load();
    if (row >= 0) {
        driver->m_view.setProgress(row, percent);
    }
}

void BatchDriver::registerSources() {
    for (const int rows = m_view.rowCount(); m_registeredRows < rows; ++m_registeredRows) {
        if (const auto* job = m_view.job(m_registeredRows)) {
            m_outputNames->addSource(job->sourcePath.str());
        }
    }
}

void BatchDriver::runBatch() {
    m_abortRequested.store(false);
    // Outputs never replace a file of the list, nor one another.
    m_outputNames = std::make_unique<engine::OutputNames>();
    m_registeredRows = 0;
    m_failed.store(false);
    m_view.stopPreview();
    prepareOutputFolder();

    m_view.setEditingEnabled(false);
    const bool forceFrameServer = readForceFrameServer(configPathIn(m_programDirectory));
    m_view.storePanelEdits();
    m_state.store(BatchState::Running);

    // Sleep and idle stay away for the whole batch.
    const auto guard = m_power.inhibitSleep("Converting video files");
    if (guard && !guard->active()) {
        static std::once_flag said;
        std::call_once(said, [&] { engine::writeTraceLine(guard->describe()); });
    }

    for (int i = 0; i < m_view.rowCount(); ++i) {
        m_currentRow.store(i);
        registerSources(); // rows added while the batch runs take part
        if (!m_view.isChecked(i)) {
            continue;
        }
        if (m_abortRequested.load()) {
            m_view.removeProgress(i);
            m_view.setCellText(i, kColumnStatus, kStatusAbort);
            m_view.rowFinished(i, RowResult{kStatusAbort, {}, 0.0, kReasonStopped});
            break;
        }
        const RowOutcome outcome = convertRow(i, forceFrameServer);
        if (outcome == RowOutcome::EncoderProblem) {
            m_view.batchFinished();
            m_state.store(BatchState::Finished);
            m_view.setStartEnabled(true);
            m_view.setEditingEnabled(true);
            return;
        }
        if (outcome == RowOutcome::Failed) {
            break;
        }
    }
    endOfBatch();
}

void BatchDriver::prepareOutputFolder() {
    m_outputFolder = outputFolderIn(m_view.outputText(), m_programDirectory);
    if (m_outputFolder.empty()) {
        m_outputFolder = m_defaultOutputFolder;
    }
    if (m_outputFolder != m_view.outputText()) {
        m_view.setOutputText(m_outputFolder);
    }
    // Whether the folder could be made shows in the output check of each row; the trace says why.
    std::error_code made;
    std::filesystem::create_directories(m_outputFolder, made);
    std::error_code checked;
    if (!std::filesystem::is_directory(m_outputFolder, checked)) {
        engine::writeTraceLine("The output folder \"" + m_outputFolder +
                               "\" cannot be made: " + (made ? made : checked).message());
    }
}

void BatchDriver::fillJob(int row, engine::ConversionJob& job, bool forceFrameServer) {
    engine::resetJobSettings(job);
    const profiles::Profile* profile = job.profile;
    if (profile != nullptr) {
        if (const auto code = profiles::MediaTypeTable::find(profile->MediaType)) {
            job.targetCode = *code;
            if (profiles::MediaTypeTable::isAudioOnly(*code)) {
                job.hasVideo = 0;
            }
        }
    }
    job.startTime = m_view.cellText(row, kColumnStart);
    job.endTime = m_view.cellText(row, kColumnEnd);
    job.outputPath = outputBasePath(m_outputFolder, job.sourcePath.str());
    m_facade.SetForceFrameServer(forceFrameServer ? 1 : 0);
    job.progressDuration = job.duration;
    engine::applyProfileOptions(profile, &job);
    job.scriptPath = platform::userFilePlaces(m_programDirectory).scriptFile;
    job.outputNames = m_outputNames.get();
}

bool BatchDriver::switchEncoderFor(const profiles::Profile* profile) {
    const bool realMedia = profile != nullptr && profile->isRealMedia();
    if (realMedia && m_record.kind == engine::EncoderKind::Converter) {
        m_record.kind = engine::EncoderKind::RealMedia;
        return m_facade.SwitchEncoder(&m_record) == 1;
    }
    if (!realMedia && m_record.kind == engine::EncoderKind::RealMedia) {
        m_record.kind = engine::EncoderKind::Converter;
        return m_facade.RestoreEncoder() == 1;
    }
    return true;
}

BatchDriver::RowOutcome BatchDriver::convertRow(int row, bool forceFrameServer) {
    const auto started = std::chrono::steady_clock::now();
    const auto secondsSoFar = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    m_view.showProgress(row, 0);
    auto* job = m_view.job(row);
    if (job == nullptr) {
        conversionFailure(row, RowResult{kStatusFail, {}, secondsSoFar(), "the row has no conversion job"});
        return RowOutcome::Failed;
    }
    fillJob(row, *job, forceFrameServer);
    if (!switchEncoderFor(job->profile)) {
        m_view.removeProgress(row);
        m_view.setCellText(row, kColumnStatus, kStatusFail);
        m_view.rowFinished(row, RowResult{kStatusFail, {}, secondsSoFar(), kEncoderProblemText});
        m_failed.store(true);
        m_view.ask(Message{kEncoderProblemText, "Error", MessageIcon::Stop, MessageButtons::Ok});
        return RowOutcome::EncoderProblem;
    }
    const std::int32_t converted = m_facade.bDoConvert(job);
    job->outputNames = nullptr; // the names live as long as the batch
    const std::string output = resolvedOutputPath(m_outputFolder, job->outputPath.str());
    const bool checked = m_record.kind == engine::EncoderKind::Converter;
    if (converted != 1) {
        const auto trace = engine::writtenTraceFile();
        conversionFailure(
            row, RowResult{kStatusFail,
                           {},
                           secondsSoFar(),
                           trace ? "the conversion failed (the trace file " + *trace + " tells why)"
                                 : std::string("the conversion failed (no trace file could be written)")});
        return RowOutcome::Failed;
    }
    if (checked && !outputIsThere(output)) {
        conversionFailure(row, RowResult{kStatusFail,
                                         {},
                                         secondsSoFar(),
                                         "the output file \"" + output + "\" is missing or empty"});
        return RowOutcome::Failed;
    }
    m_view.removeProgress(row);
    m_view.setCellText(row, kColumnStatus, kStatusCompleted);
    m_view.setChecked(row, false);
    m_view.rowFinished(row, RowResult{kStatusCompleted, output, secondsSoFar(), {}});
    return RowOutcome::Completed;
}

void BatchDriver::conversionFailure(int row, const RowResult& result) {
    m_view.removeProgress(row);
    m_view.setCellText(row, kColumnStatus, kStatusFail);
    m_view.rowFinished(row, result);
    m_failed.store(true);
    m_view.ask(Message{conversionFailureText(engine::writtenTraceFile()), "Error", MessageIcon::Stop,
                       MessageButtons::Ok});
}

void BatchDriver::endOfBatch() {
    m_view.batchFinished();
    m_state.store(BatchState::Finished);
    m_view.setStartEnabled(true);
    if (m_view.shutdownWhenDone()) {
        m_power.shutdown();
    }
    if (!m_failed.load()) {
        m_view.ask(Message{kMissionAccomplishedText, "", MessageIcon::Information, MessageButtons::Ok});
    }
    if (m_view.openFolderWhenDone()) {
        m_view.openFolder(m_outputFolder);
    }
    m_view.setEditingEnabled(true);
}

} // namespace morvane::app
