#include "tests/app/batch_fakes.h"

#include <chrono>
#include <fstream>
#include <memory>

#include "engine/output_names.h"
#include "platform/time_text.h"

namespace morvane::app::test {

MessageAnswer RecordingView::ask(const Message& message) {
    const std::lock_guard lock(m_mutex);
    m_messages.push_back(message);
    m_calls.push_back("ask " + message.caption);
    orderLocked("ask " + message.caption);
    switch (message.buttons) {
    case MessageButtons::YesNo:
        return stopAnswer;
    case MessageButtons::ShutdownCountdown:
        return shutdownAnswer;
    case MessageButtons::Ok:
        break;
    }
    return MessageAnswer::Ok;
}

int RecordingView::rowCount() {
    const std::lock_guard lock(m_mutex);
    return list.rowCount();
}

bool RecordingView::isChecked(int row) {
    const std::lock_guard lock(m_mutex);
    return list.validRow(row) && list.row(row).checked;
}

void RecordingView::setChecked(int row, bool checked) {
    const std::lock_guard lock(m_mutex);
    orderLocked("checked " + std::to_string(row) + (checked ? " 1" : " 0"));
    list.row(row).checked = checked;
}

std::string RecordingView::cellText(int row, int column) {
    const std::lock_guard lock(m_mutex);
    return list.row(row).cells[static_cast<std::size_t>(column)];
}

void RecordingView::setCellText(int row, int column, const std::string& text) {
    const std::lock_guard lock(m_mutex);
    list.row(row).cells[static_cast<std::size_t>(column)] = text;
    m_calls.push_back("cell " + std::to_string(row) + " " + text);
    orderLocked("cell " + std::to_string(row) + " " + text);
}

engine::ConversionJob* RecordingView::job(int row) {
    const std::lock_guard lock(m_mutex);
    return list.row(row).job.get();
}

void RecordingView::showProgress(int row, int percent) {
    const std::lock_guard lock(m_mutex);
    orderLocked("show " + std::to_string(row) + " " + std::to_string(percent));
    list.row(row).progress = percent;
    m_progress.resize(static_cast<std::size_t>(list.rowCount()));
    m_progress[static_cast<std::size_t>(row)].push_back(percent);
}

void RecordingView::setProgress(int row, int percent) {
    const std::lock_guard lock(m_mutex);
    orderLocked("progress " + std::to_string(row) + " " + std::to_string(percent));
    list.row(row).progress = percent;
    m_progress.resize(static_cast<std::size_t>(list.rowCount()));
    m_progress[static_cast<std::size_t>(row)].push_back(percent);
}

void RecordingView::removeProgress(int row) {
    const std::lock_guard lock(m_mutex);
    orderLocked("remove " + std::to_string(row));
    list.row(row).progress.reset();
}

std::string RecordingView::outputText() {
    const std::lock_guard lock(m_mutex);
    return output;
}

void RecordingView::setOutputText(const std::string& text) {
    const std::lock_guard lock(m_mutex);
    output = text;
    m_calls.push_back("output " + text);
    orderLocked("output");
}

void RecordingView::setEditingEnabled(bool enabled) {
    record(enabled ? "enable" : "disable");
}
void RecordingView::setStartEnabled(bool enabled) {
    record(enabled ? "start on" : "start off");
}
void RecordingView::stopPreview() {
    record("stop preview");
}
void RecordingView::storePanelEdits() {
    record("store edits");
}
void RecordingView::openFolder(const std::string& folder) {
    record("open " + folder);
}

void RecordingView::rowFinished(int row, const RowResult& result) {
    const std::lock_guard lock(m_mutex);
    orderLocked("finished " + std::to_string(row) + " " + result.status);
    m_results.emplace_back(row, result);
}

void RecordingView::clearResults() {
    const std::lock_guard lock(m_mutex);
    m_results.clear();
}

std::vector<std::pair<int, RowResult>> RecordingView::results() {
    const std::lock_guard lock(m_mutex);
    return m_results;
}

void RecordingView::record(const std::string& call) {
    const std::lock_guard lock(m_mutex);
    m_calls.push_back(call);
    orderLocked(call);
}

std::vector<std::string> RecordingView::order() {
    const std::lock_guard lock(m_mutex);
    return m_order;
}

void RecordingView::note(const std::string& event) {
    const std::lock_guard lock(m_mutex);
    orderLocked(event);
}

int RecordingView::addRow(const std::string& source, const std::string& format, const std::string& mediaType,
                          double duration) {
    auto job = std::make_unique<engine::ConversionJob>();
    job->sourcePath = source;
    job->duration = duration;
    job->hasVideo = 1;
    job->hasAudio = 1;
    job->targetCode = 99; // shows whether the driver replaced it
    auto profile = std::make_unique<profiles::Profile>();
    profile->name = format + " profile";
    profile->Format = format;
    profile->MediaType = mediaType;
    const std::lock_guard lock(m_mutex);
    return list.append(std::move(job), std::move(profile));
}

std::string RecordingView::status(int row) {
    return cellText(row, kColumnStatus);
}

std::vector<Message> RecordingView::messages() {
    const std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<std::string> RecordingView::calls() {
    const std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<int> RecordingView::progressOf(int row) {
    const std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(row) < m_progress.size() ? m_progress[static_cast<std::size_t>(row)]
                                                             : std::vector<int>{};
}

void FakeEncoderLog::note(const std::string& event) {
    {
        const std::lock_guard lock(mutex);
        events.push_back(event);
    }
    observe(event);
}

void FakeEncoderLog::observe(const std::string& event) const {
    if (observer) {
        observer(event);
    }
}

bool FakeEncoderLog::waitUntilRunning(int count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return running >= count; });
}

void FakeEncoderLog::openGate() {
    const std::lock_guard lock(mutex);
    gateOpen = true;
    changed.notify_all();
}

namespace {

void writeOutput(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class FakeEncoder final : public engine::CMediaEncoder {
public:
    FakeEncoder(FakeEncoderLog& log, engine::EncoderKind kind) : m_log(log), m_kind(static_cast<int>(kind)) {}

    std::int32_t PrepareCommand(engine::ConversionJob* job) override {
        {
            const std::lock_guard lock(m_log.mutex);
            m_log.jobs.push_back(*job);
            m_stop = false;
        }
        m_report = {};
        job->outputPath.append(".out");
        // Outputs of a batch take free names, as the converter encoder's do.
        if (job->outputNames != nullptr) {
            job->outputPath = job->outputNames->claim(job->outputPath.str());
        }
        m_output = job->outputPath.str();
        m_log.observe("prepare " + m_output.substr(m_output.rfind('/') + 1));
        return 1;
    }
    std::int32_t RequestStop() override {
        const std::lock_guard lock(m_log.mutex);
        ++m_log.stopRequests;
        m_stop = true;
        m_log.changed.notify_all();
        m_log.observe("stop");
        return 1;
    }
    std::int32_t RunConversion(const char* outputPath, std::int32_t targetCode) override {
        const auto start = std::chrono::steady_clock::now();
        m_log.observe("run " + std::to_string(m_kind));
        const std::int32_t result = run(outputPath, targetCode);
        const std::lock_guard lock(m_log.mutex);
        m_log.spans.push_back({m_output, start, std::chrono::steady_clock::now()});
        return result;
    }
    std::int32_t run(const char*, std::int32_t) {
        FakeRun run = FakeRun::Writes;
        {
            const std::lock_guard lock(m_log.mutex);
            if (const auto it = m_log.byOutput.find(m_output.substr(m_output.rfind('/') + 1));
                it != m_log.byOutput.end()) {
                run = it->second;
            } else if (!m_log.script.empty()) {
                run = m_log.script.front();
                m_log.script.pop_front();
            }
            m_log.events.push_back("convert " + std::to_string(m_kind));
        }
        if (m_record.callback != nullptr) {
            for (const int p : {1, 50, 99}) {
                m_record.callback(p, m_record.userData);
            }
        }
        using Outcome = engine::ConversionReport::Outcome;
        m_report = {Outcome::Converted, {}, {}};
        switch (run) {
        case FakeRun::Writes:
            writeOutput(m_output, "converted");
            return 1;
        case FakeRun::WritesShort:
            writeOutput(m_output, "converted");
            m_report.warning = "the source ended early";
            return 1;
        case FakeRun::WritesEmpty:
            writeOutput(m_output, "");
            return 1;
        case FakeRun::WritesNothing:
            return 1;
        case FakeRun::Fails:
            m_report = {Outcome::Failed, kFakeFailureReason, {}};
            return 0;
        case FakeRun::WaitsForGate: {
            std::unique_lock lock(m_log.mutex);
            ++m_log.running;
            m_log.changed.notify_all();
            m_log.changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_log.gateOpen; });
            --m_log.running;
            lock.unlock();
            writeOutput(m_output, "converted");
            return 1;
        }
        case FakeRun::WaitsForStop:
        case FakeRun::WaitsForStopThenFails:
        case FakeRun::WaitsForStopButFinishes: {
            std::unique_lock lock(m_log.mutex);
            ++m_log.running;
            m_log.changed.notify_all();
            m_log.changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_stop; });
            --m_log.running;
            lock.unlock();
            if (run == FakeRun::WaitsForStopButFinishes) {
                writeOutput(m_output, "converted");
                return 1;
            }
            // The converter encoder discards what a stopped run wrote.
            m_report =
                run == FakeRun::WaitsForStop
                    ? engine::ConversionReport{Outcome::Stopped, "stopped on request", {}}
                    : engine::ConversionReport{Outcome::Failed, "the converter was ended by a signal", {}};
            return 0;
        }
        }
        return 1;
    }
    std::int32_t Initialize(const engine::EncoderInitRecord* record) override {
        m_record.callback = record->callback;
        m_record.userData = record->userData;
        m_log.note("init " + std::to_string(m_kind));
        return 1;
    }
    std::int32_t Shutdown() override {
        m_log.note("shutdown " + std::to_string(m_kind));
        return 1;
    }
    std::int32_t bGetMediaFileContent(const char* path, engine::ConversionJob* job) override {
        const std::string p(path);
        if (p.find("bad") != std::string::npos) {
            return 0;
        }
        job->duration = 11.0;
        job->hasVideo = 1;
        job->hasAudio = 1;
        job->sourceWidth = 320;
        job->sourceHeight = 240;
        return 1;
    }
    std::int32_t OnConverterEvent(engine::ConverterEvent, const engine::ConverterEventValue&,
                                  std::int32_t) override {
        return 1;
    }
    void SetProcessHandle(engine::ProcessHandle) override {}
    engine::ConversionReport LastReport() const override { return m_report; }
    void SetForceFrameServer(std::int32_t flag) override {
        {
            const std::lock_guard lock(m_log.mutex);
            m_log.forceFlags.push_back(flag);
        }
        m_log.observe("force " + std::to_string(flag));
    }

private:
    FakeEncoderLog& m_log;
    int m_kind = 0;
    std::string m_output;
    bool m_stop = false;
    engine::ConversionReport m_report;
    engine::EncoderInitRecord m_record;
};

} // namespace

engine::EncoderFactory fakeFactory(FakeEncoderLog& log) {
    return [&log](engine::EncoderKind kind) -> std::unique_ptr<engine::CMediaEncoder> {
        if (kind == engine::EncoderKind::RealMedia) {
            const std::lock_guard lock(log.mutex);
            if (log.failSwitch) {
                return nullptr;
            }
        }
        return std::make_unique<FakeEncoder>(log, kind);
    };
}

} // namespace morvane::app::test
