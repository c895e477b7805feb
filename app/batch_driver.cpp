#include "app/batch_driver.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <system_error>

#include "app/app_settings.h"
#include "app/file_list.h"
#include "app/startup_checks.h"
#include "engine/command_builder.h"
#include "engine/file_guards.h"
#include "engine/media_probe.h"
#include "engine/output_names.h"
#include "engine/quillon_media_cntl.h"
#include "engine/run_report.h"
#include "engine/trace_file.h"
#include "media/media_plugin.h"
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

std::optional<RowFacts> BatchView::rowFacts(int row) {
    const auto* found = job(row);
    if (found == nullptr) {
        return std::nullopt;
    }
    RowFacts facts{found->sourcePath.str(), {}, false};
    if (found->profile != nullptr) {
        facts.profileName = found->profile->name;
        facts.realMedia = found->profile->isRealMedia();
    }
    return facts;
}

// Reasons of the driver's own, kept in English in the trace and the JSON events and shown in the
// user's language.
constexpr const char* kMissingOutputReason =
    QT_TRANSLATE_NOOP("BatchDriver", "the output file \"%1\" is missing or empty");
constexpr const char* kNoJobReason = QT_TRANSLATE_NOOP("BatchDriver", "the row has no conversion job");

std::string shownReason(const std::string& reason) {
    for (const char* pattern : {kMissingOutputReason, kNoJobReason}) {
        if (const auto arguments = platform::argumentsOf(pattern, reason)) {
            return platform::withArguments(platform::translate("BatchDriver", pattern), *arguments);
        }
    }
    return engine::shownRunNote(reason);
}

std::string conversionFailureMessage(const std::optional<std::string>& traceFile, const std::string& reason) {
    const std::string text = conversionFailureText(traceFile);
    return reason.empty() ? text : text + "\n" + shownReason(reason);
}

std::string shutdownCountdownText(int seconds) {
    return platform::withArguments(
        platform::translate("BatchDriver", "The computer will shut down in %1 seconds."),
        {std::to_string(seconds)});
}

std::string missionAccomplishedMessage(const std::vector<std::string>& warnings) {
    std::string text = platform::translate("BatchDriver", kMissionAccomplishedText);
    for (const auto& warning : warnings) {
        text += "\n" + warning;
    }
    return text;
}

std::string rowTraceTag(int row) {
    return "[" + std::to_string(row + 1) + "] ";
}

std::string conversionFailureText(const std::optional<std::string>& traceFile) {
    if (!traceFile) {
        return platform::withArguments(platform::translate("BatchDriver", kConversionFailedNoTraceText),
                                       {engine::traceFilePath(), kSupportAddress});
    }
    return platform::withArguments(platform::translate("BatchDriver", kConversionFailedText),
                                   {*traceFile, kSupportAddress});
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

std::optional<std::string> outputFolderProblem(const std::string& folder) {
    for (std::size_t start = 0; start < folder.size();) {
        const std::size_t end = std::min(folder.find('/', start), folder.size());
        if (end - start > NAME_MAX) {
            return platform::withArguments(
                platform::translate(
                    "BatchDriver",
                    "The output folder \"%1\" cannot be used: a name in its path is %2 bytes long, "
                    "and a file system holds names of at most %3 bytes. Choose a shorter output "
                    "folder."),
                {folder, std::to_string(end - start), std::to_string(NAME_MAX)});
        }
        start = end + 1;
    }
    constexpr std::size_t kLongestPath = std::min<std::size_t>(engine::kJobPathCapacity - 1, PATH_MAX - 1);
    constexpr std::size_t kLongestFolder = kLongestPath - 1 - engine::kLongestOutputName;
    if (folder.size() > kLongestFolder) {
        return platform::withArguments(
            platform::translate(
                "BatchDriver",
                "The output folder \"%1\" cannot be used: its path is %2 bytes long, and output "
                "files (of names up to %3 bytes) are written into folders of at most %4 bytes. "
                "Choose a shorter output folder."),
            {folder, std::to_string(folder.size()), std::to_string(engine::kLongestOutputName),
             std::to_string(kLongestFolder)});
    }
    return std::nullopt;
}

BatchDriver::BatchDriver(BatchView& view, engine::CQuillonMediaCntl& facade,
                         engine::EncoderInitRecord& record, platform::PowerControl& power,
                         std::string programDirectory, std::string defaultOutputFolder)
    : m_view(view), m_facade(facade), m_record(record), m_power(power),
      m_programDirectory(std::move(programDirectory)), m_defaultOutputFolder(std::move(defaultOutputFolder)) {
    auto first = std::make_unique<Slot>();
    first->facade = &m_facade;
    first->record = &m_record;
    first->driver = this;
    m_record.callback = &BatchDriver::progressCallback;
    m_record.userData = first.get();
    m_firstSlot = first.get();
    m_slots.push_back(std::move(first));
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
        m_view.ask(Message{platform::translate("BatchDriver", kNoSelectedFileText), "Warning",
                           MessageIcon::Warning, MessageButtons::Ok});
        return false;
    }
    if (const auto refusal = unusableProfile(); !refusal.empty()) {
        m_view.ask(Message{refusal, "Error", MessageIcon::Stop, MessageButtons::Ok});
        return false;
    }
    // Refused before any file is touched: each row would fail on its own otherwise.
    if (const auto problem = outputFolderProblem(chosenOutputFolder())) {
        m_view.ask(Message{*problem, "Error", MessageIcon::Stop, MessageButtons::Ok});
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
        const auto facts = m_view.isChecked(i) ? m_view.rowFacts(i) : std::nullopt;
        if (!facts || facts->profileName.empty()) {
            continue;
        }
        if (const auto it = m_unavailable.find(facts->profileName); it != m_unavailable.end()) {
            return unavailableProfileText(it->first, it->second);
        }
    }
    return {};
}

void BatchDriver::stopRequest() {
    if (m_state.load() != BatchState::Running) {
        return;
    }
    const auto answer = m_view.ask(Message{platform::translate("BatchDriver", kStopQuestionText), "Warning",
                                           MessageIcon::Warning, MessageButtons::YesNo});
    if (answer == MessageAnswer::Yes) {
        stopConfirmed();
    }
}

void BatchDriver::setSimultaneous(int count) {
    m_simultaneous.store(std::clamp(count, 1, kMostSimultaneous));
}

int BatchDriver::currentRow() const {
    return m_firstSlot->row.load();
}

void BatchDriver::stopConfirmed() {
    m_abortRequested.store(true);
    m_facade.StopConversion();
    // Every other conversion under way gets the same request.
    {
        const std::lock_guard lock(m_slotMutex);
        for (std::size_t i = 1; i < m_slots.size(); ++i) {
            m_slots[i]->facade->StopConversion();
        }
    }
    m_slotEnded.notify_all();
}

void BatchDriver::progressCallback(std::int32_t percent, void* userData) {
    const auto* slot = static_cast<const Slot*>(userData);
    if (slot == nullptr) {
        return;
    }
    const int row = slot->row.load();
    if (row >= 0) {
        slot->driver->m_view.setProgress(row, percent);
    }
}

double BatchDriver::RowRun::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

void BatchDriver::registerSources() {
    for (const int rows = m_view.rowCount(); m_registeredRows < rows; ++m_registeredRows) {
        // Only the source: a row takes its settings when its conversion starts.
        if (const auto facts = m_view.rowFacts(m_registeredRows)) {
            m_outputNames->addSource(facts->sourcePath);
        }
    }
}

void BatchDriver::runBatch() {
    m_abortRequested.store(false);
    // Outputs never replace a file of the list, nor one another.
    m_outputNames = std::make_unique<engine::OutputNames>();
    // The names stay claimed until the batch ends, however it ends.
    struct ClaimsRelease {
        engine::OutputNames& names;
        ~ClaimsRelease() { names.releaseClaims(); }
    } const releaseClaims{*m_outputNames};
    m_registeredRows = 0;
    m_failed.store(false);
    {
        const std::lock_guard lock(m_slotMutex);
        m_warnings.clear();
    }
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

    const int count = m_simultaneous.load();
    if (count > 1) {
        runSideBySide(count, forceFrameServer);
    } else {
        runOneAtATime(forceFrameServer);
    }
}

void BatchDriver::abortRow(int row) {
    m_view.removeProgress(row);
    m_view.setCellText(row, kColumnStatus, kStatusAbort);
    reportRow(row, RowResult{kStatusAbort, {}, 0.0, kReasonStopped});
}

void BatchDriver::runOneAtATime(bool forceFrameServer) {
    for (int i = 0; i < m_view.rowCount(); ++i) {
        m_slots.front()->row.store(i);
        registerSources(); // rows added while the batch runs take part
        if (!m_view.isChecked(i)) {
            continue;
        }
        if (m_abortRequested.load()) {
            abortRow(i);
            break;
        }
        const RowOutcome outcome = convertRow(i, forceFrameServer);
        if (outcome == RowOutcome::EncoderProblem) {
            endWithoutCompletion();
            return;
        }
        if (outcome == RowOutcome::Failed) {
            break;
        }
    }
    endOfBatch();
}

std::string BatchDriver::chosenOutputFolder() const {
    const std::string folder = outputFolderIn(m_view.outputText(), m_programDirectory);
    return folder.empty() ? m_defaultOutputFolder : folder;
}

void BatchDriver::prepareOutputFolder() {
    m_outputFolder = chosenOutputFolder();
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

void BatchDriver::fillJob(Slot& slot, int row, engine::ConversionJob& job, bool forceFrameServer) {
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
    slot.facade->SetForceFrameServer(forceFrameServer ? 1 : 0);
    job.progressDuration = job.duration;
    engine::applyProfileOptions(profile, &job);
    job.scriptPath = platform::userFilePlaces(m_programDirectory).scriptFile;
    job.outputNames = m_outputNames.get();
}

bool BatchDriver::switchEncoderFor(Slot& slot, const profiles::Profile* profile) {
    const bool realMedia = profile != nullptr && profile->isRealMedia();
    engine::EncoderInitRecord& record = *slot.record;
    if (realMedia && record.kind == engine::EncoderKind::Converter) {
        record.kind = engine::EncoderKind::RealMedia;
        return slot.facade->SwitchEncoder(&record) == 1;
    }
    if (!realMedia && record.kind == engine::EncoderKind::RealMedia) {
        record.kind = engine::EncoderKind::Converter;
        return slot.facade->RestoreEncoder() == 1;
    }
    return true;
}

BatchDriver::RowOutcome BatchDriver::beginRow(Slot& slot, RowRun& run, bool forceFrameServer) {
    const int row = run.row;
    m_view.showProgress(row, 0);
    run.job = m_view.job(row);
    if (run.job == nullptr) {
        conversionFailure(row, RowResult{kStatusFail, {}, run.seconds(), kNoJobReason});
        return RowOutcome::Failed;
    }
    fillJob(slot, row, *run.job, forceFrameServer);
    if (!switchEncoderFor(slot, run.job->profile)) {
        m_view.removeProgress(row);
        m_view.setCellText(row, kColumnStatus, kStatusFail);
        reportRow(row, RowResult{kStatusFail, {}, run.seconds(), kEncoderProblemText});
        m_failed.store(true);
        m_view.ask(Message{platform::translate("BatchDriver", kEncoderProblemText), "Error",
                           MessageIcon::Stop, MessageButtons::Ok});
        return RowOutcome::EncoderProblem;
    }
    return RowOutcome::Completed;
}

BatchDriver::RowOutcome BatchDriver::convertRow(int row, bool forceFrameServer) {
    Slot& slot = *m_slots.front();
    RowRun run{row, nullptr, std::chrono::steady_clock::now()};
    if (const auto begun = beginRow(slot, run, forceFrameServer); begun != RowOutcome::Completed) {
        return begun;
    }
    const std::int32_t converted = m_facade.bDoConvert(run.job);
    run.job->outputNames = nullptr; // the names live as long as the batch
    return finishRow(slot, run, converted);
}

void BatchDriver::showFoundLength(int row, engine::ConversionJob& job, const std::string& output) {
    // Only a whole file says how long its source is.
    if (job.startTime.view() != "00:00:00" || job.endTime.view() != endCellText(job.duration)) {
        return;
    }
    // Read by the media layer alone: asking the converter would start it once more for every row.
    media::MediaFacts facts;
    if (media::detectMediaFactsWithPlugin(output, facts) != media::kDetectOk || facts.duration <= 0.0) {
        return;
    }
    // A header can state far less than the file holds; the converter read all of it, so the row shows
    // the length the output has (plus one second, as every probed length). A second more or less is
    // the counting's own.
    const double length = facts.duration + 1.0;
    if (length > job.duration + 1.0) {
        job.duration = length;
        m_view.setCellText(row, kColumnEnd, endCellText(length));
    }
}

BatchDriver::RowOutcome BatchDriver::finishRow(const Slot& slot, const RowRun& run, std::int32_t converted) {
    const int row = run.row;
    const std::string output = resolvedOutputPath(m_outputFolder, run.job->outputPath.str());
    const bool checked = slot.record->kind == engine::EncoderKind::Converter;
    const engine::ConversionReport report = slot.facade->LastReport();
    const bool written = converted == 1 && (!checked || outputIsThere(output));
    // A row the user's stop caught while converting is not converted, and no failure either: it keeps
    // its check mark, so the next Start converts it again.
    if (report.outcome == engine::ConversionReport::Outcome::Stopped ||
        (m_abortRequested.load() && !written)) {
        m_view.removeProgress(row);
        m_view.setCellText(row, kColumnStatus, kStatusAbort);
        reportRow(row, RowResult{kStatusAbort,
                                 {},
                                 run.seconds(),
                                 report.reason.empty() ? kReasonStoppedWhileConverting : report.reason});
        return RowOutcome::Stopped;
    }
    if (converted != 1) {
        const auto trace = engine::writtenTraceFile();
        std::string reason = report.reason;
        if (reason.empty()) {
            reason = trace ? "the conversion failed (the trace file " + *trace + " tells why)"
                           : std::string("the conversion failed (no trace file could be written)");
        }
        conversionFailure(row, RowResult{kStatusFail, {}, run.seconds(), reason});
        return RowOutcome::Failed;
    }
    if (!written) {
        conversionFailure(row, RowResult{kStatusFail,
                                         {},
                                         run.seconds(),
                                         platform::withArguments(kMissingOutputReason, {output})});
        return RowOutcome::Failed;
    }
    showFoundLength(row, *run.job, output);
    m_view.removeProgress(row);
    m_view.setCellText(row, kColumnStatus, kStatusCompleted);
    m_view.setChecked(row, false);
    if (!report.warning.empty()) {
        std::string warning = m_view.cellText(row, kColumnFile) + ": " + engine::shownRunNote(report.warning);
        const std::lock_guard lock(m_slotMutex);
        m_warnings.push_back(std::move(warning));
    }
    reportRow(row, RowResult{kStatusCompleted, output, run.seconds(), {}, report.warning});
    return RowOutcome::Completed;
}

void BatchDriver::openSlots(int count) {
    for (int i = 1; i < count; ++i) {
        auto slot = std::make_unique<Slot>();
        slot->driver = this;
        slot->ownFacade = std::make_unique<engine::CQuillonMediaCntl>(m_facade.encoderFactory());
        slot->facade = slot->ownFacade.get();
        slot->ownRecord.forceFrameServer = m_record.forceFrameServer;
        slot->ownRecord.callback = &BatchDriver::progressCallback;
        slot->ownRecord.userData = slot.get();
        slot->ownRecord.kind = engine::EncoderKind::Converter;
        slot->ownRecord.programDirectory = m_record.programDirectory;
        slot->record = &slot->ownRecord;
        if (slot->facade->Init(slot->record) != 1) {
            engine::writeTraceLine("A further conversion could not be started; converting " +
                                   std::to_string(i) + " file(s) at once");
            break;
        }
        const std::lock_guard lock(m_slotMutex);
        m_slots.push_back(std::move(slot));
    }
}

void BatchDriver::closeSlots() {
    std::vector<std::unique_ptr<Slot>> closing;
    {
        const std::lock_guard lock(m_slotMutex);
        closing.assign(std::make_move_iterator(m_slots.begin() + 1), std::make_move_iterator(m_slots.end()));
        m_slots.resize(1);
    }
    for (auto& slot : closing) {
        slot->facade->Release();
    }
}

BatchDriver::Slot* BatchDriver::freeSlot(bool realMedia) {
    std::unique_lock lock(m_slotMutex);
    Slot* found = nullptr;
    m_slotEnded.wait(lock, [&] {
        if (m_abortRequested.load() || m_failed.load()) {
            return true;
        }
        // RealMedia rows take turns: the producer converts one file at a time.
        const bool realMediaRunning = std::any_of(m_slots.begin(), m_slots.end(),
                                                  [](const auto& s) { return s->running && s->realMedia; });
        if (realMedia && realMediaRunning) {
            return false;
        }
        const auto idle =
            std::find_if(m_slots.begin(), m_slots.end(), [](const auto& s) { return !s->running; });
        found = idle == m_slots.end() ? nullptr : idle->get();
        return found != nullptr;
    });
    if (m_abortRequested.load() || m_failed.load()) {
        return nullptr;
    }
    return found;
}

bool BatchDriver::waitForAnEnd() {
    const auto runningCount = [this] {
        return std::count_if(m_slots.begin(), m_slots.end(), [](const auto& s) { return s->running; });
    };
    std::unique_lock lock(m_slotMutex);
    const auto running = runningCount();
    if (running == 0) {
        return false;
    }
    // A while at most: rows added meanwhile may start in a free place.
    constexpr std::chrono::milliseconds kLookAgain{200};
    m_slotEnded.wait_for(lock, kLookAgain, [&] { return runningCount() < running; });
    return true;
}

BatchDriver::RowOutcome BatchDriver::startRow(Slot& slot, int row, bool forceFrameServer) {
    if (slot.thread.joinable()) {
        slot.thread.join(); // its last conversion has ended
    }
    slot.row.store(row);
    // Each conversion's trace and event-log lines carry its row.
    const engine::ScopedTraceTag tag(rowTraceTag(row));
    RowRun run{row, nullptr, std::chrono::steady_clock::now()};
    if (const auto begun = beginRow(slot, run, forceFrameServer); begun != RowOutcome::Completed) {
        slot.row.store(-1);
        return begun;
    }
    // Outputs are settled here, one row after another in list order, so a row's output name does
    // not depend on which conversion happens to get going first.
    engine::writeTraceLine("Converting \"" + run.job->sourcePath.str() + "\"");
    const std::int32_t prepared = slot.facade->bPrepareConvert(run.job);
    run.job->outputNames = nullptr;
    if (prepared != 1) {
        const RowOutcome outcome = finishRow(slot, run, 0);
        slot.row.store(-1);
        return outcome;
    }
    {
        const std::lock_guard lock(m_slotMutex);
        slot.running = true;
        slot.realMedia = slot.record->kind == engine::EncoderKind::RealMedia;
    }
    slot.thread = std::thread([this, &slot, run] {
        platform::makeThisThreadIdle();
        {
            const engine::ScopedTraceTag runTag(rowTraceTag(run.row));
            finishRow(slot, run, slot.facade->bRunPrepared(run.job));
        }
        slot.row.store(-1);
        {
            const std::lock_guard lock(m_slotMutex);
            slot.running = false;
        }
        m_slotEnded.notify_all();
    });
    return RowOutcome::Completed;
}

void BatchDriver::runSideBySide(int count, bool forceFrameServer) {
    openSlots(count);
    bool encoderProblem = false;
    for (int i = 0;;) {
        registerSources(); // rows added while the batch runs take part
        if (i >= m_view.rowCount()) {
            // Conversions still under way may be joined by rows added meanwhile.
            if (!waitForAnEnd()) {
                break;
            }
            continue;
        }
        if (!m_view.isChecked(i)) {
            ++i;
            continue;
        }
        const auto facts = m_view.rowFacts(i);
        Slot* slot = freeSlot(facts && facts->realMedia);
        // A stop ends the batch at the next row, whatever the stopped rows come to.
        if (m_abortRequested.load()) {
            abortRow(i);
            break;
        }
        // A failure ends the batch: what runs finishes, nothing more starts.
        if (slot == nullptr || m_failed.load()) {
            break;
        }
        const RowOutcome outcome = startRow(*slot, i, forceFrameServer);
        if (outcome == RowOutcome::EncoderProblem) {
            encoderProblem = true;
            break;
        }
        if (outcome == RowOutcome::Failed) {
            break;
        }
        ++i;
    }
    for (const auto& slot : m_slots) {
        if (slot->thread.joinable()) {
            slot->thread.join();
        }
    }
    closeSlots();
    if (encoderProblem) {
        endWithoutCompletion();
        return;
    }
    endOfBatch();
}

void BatchDriver::reportRow(int row, const RowResult& result) {
    // The trace tells how each row ended, and why, beside what the converter said.
    std::string line = "\"" + m_view.cellText(row, kColumnFile) + "\": " + result.status;
    const std::string& why = result.warning.empty() ? result.reason : result.warning;
    if (!why.empty()) {
        line += " (" + why + ")";
    }
    engine::writeTraceLine(line);
    m_view.rowFinished(row, result);
}

void BatchDriver::conversionFailure(int row, const RowResult& result) {
    m_view.removeProgress(row);
    m_view.setCellText(row, kColumnStatus, kStatusFail);
    reportRow(row, result);
    m_failed.store(true);
    {
        const std::lock_guard lock(m_slotMutex); // a batch waiting for a place hears of it
    }
    m_slotEnded.notify_all();
    m_view.ask(Message{conversionFailureMessage(engine::writtenTraceFile(), result.reason), "Error",
                       MessageIcon::Stop, MessageButtons::Ok});
}

void BatchDriver::endWithoutCompletion() {
    m_state.store(BatchState::Finished);
    m_view.batchFinished();
    m_view.setStartEnabled(true);
    m_view.setEditingEnabled(true);
}

void BatchDriver::endOfBatch() {
    // Finished before the view hears of it: a stop question asked after that is not asked at all, one
    // asked before is closed by the view.
    m_state.store(BatchState::Finished);
    m_view.batchFinished();
    m_view.setStartEnabled(true);
    // A batch the user stopped never powers the computer off, and is no success.
    const bool stopped = m_abortRequested.load();
    if (m_view.shutdownWhenDone() && !stopped) {
        shutDownAfterCountdown();
    }
    if (!m_failed.load() && !stopped) {
        std::vector<std::string> warnings;
        {
            const std::lock_guard lock(m_slotMutex);
            warnings = m_warnings;
        }
        m_view.ask(
            Message{missionAccomplishedMessage(warnings), "", MessageIcon::Information, MessageButtons::Ok});
    }
    if (m_view.openFolderWhenDone()) {
        m_view.openFolder(m_outputFolder);
    }
    m_view.setEditingEnabled(true);
}

void BatchDriver::shutDownAfterCountdown() {
    // The user may still keep the computer on: Cancel wins over the countdown.
    const MessageAnswer answer = m_view.ask(
        Message{shutdownCountdownText(kShutdownCountdownSeconds), "Shut down", MessageIcon::Warning,
                MessageButtons::ShutdownCountdown, kShutdownCountdownSeconds});
    if (answer != MessageAnswer::Yes) {
        engine::writeTraceLine("The computer is not shut down: the countdown was cancelled");
        return;
    }
    engine::writeTraceLine("Asking the system to power off");
    if (const auto refused = m_power.shutdown()) {
        engine::writeTraceLine("The computer could not be shut down: " + refused->reason);
        m_view.ask(
            Message{shutdownFailureText(refused->reason), "Error", MessageIcon::Stop, MessageButtons::Ok});
    }
}

} // namespace morvane::app
