#include "tests/engine/engine_test_env.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "engine/trace_file.h"
#include "platform/command_line.h"
#include "platform/program_dir.h"

namespace morvane::engine::test {

FakeProgramDir::FakeProgramDir(bool withConverter) : m_dir(m_temp.path() + "/") {
    closeTraceFile();
    if (withConverter) {
        std::filesystem::create_symlink(MORVANE_FAKE_CONVERTER, converter());
    }
    platform::setProgramDirectory(m_dir);
}

FakeProgramDir::~FakeProgramDir() {
    closeTraceFile();
}

void FakeProgramDir::script(const std::string& text) const {
    morvane::test::writeFile(file("vec-script.txt"), text);
}

std::string FakeProgramDir::commandLine(const std::string& arguments) const {
    return platform::quoteArgument(converter()) + " ffmpeg-converter " + arguments;
}

std::string FakeProgramDir::args() const {
    return morvane::test::readFile(file("vec-args.txt"));
}

std::string FakeProgramDir::stdinBytes() const {
    return morvane::test::readFile(file("vec-stdin.bin"));
}

std::string FakeProgramDir::workingDirectory() const {
    return morvane::test::readFile(file("vec-cwd.txt"));
}

std::string FakeProgramDir::trace() const {
    return morvane::test::readFile(file("trace.flt"));
}

bool FakeProgramDir::converterRan() const {
    return morvane::test::fileExists(file("vec-args.txt"));
}

EventRecorder::EventRecorder() {
    platform::setEventSink([this](platform::EventType type, unsigned id, const std::string& message) {
        const std::lock_guard lock(m_mutex);
        m_entries.push_back({type, id, message});
    });
}

EventRecorder::~EventRecorder() {
    platform::setEventSink({});
}

std::vector<EventRecorder::Entry> EventRecorder::entries() const {
    const std::lock_guard lock(m_mutex);
    return m_entries;
}

std::vector<std::string> EventRecorder::messages(unsigned id) const {
    std::vector<std::string> result;
    for (const auto& entry : entries()) {
        if (entry.id == id) {
            result.push_back(entry.message);
        }
    }
    return result;
}

std::int32_t RecordingOwner::OnConverterEvent(ConverterEvent code, const ConverterEventValue& value,
                                              std::int32_t userValue) {
    if (code == ConverterEvent::Line && onEachLine) {
        onEachLine();
    }
    if (code == ConverterEvent::Line && throwOnLine) {
        throw std::runtime_error("cannot take the line");
    }
    const std::lock_guard lock(m_mutex);
    if (code == ConverterEvent::Line) {
        ++m_lineCount;
        m_longest = std::max(m_longest, value.line.size());
        if (!keepLines) {
            return reply;
        }
    }
    m_events.push_back({code, value.number, std::string(value.line), userValue});
    return reply;
}

std::vector<RecordingOwner::Event> RecordingOwner::events() const {
    const std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<std::string> RecordingOwner::lines() const {
    std::vector<std::string> result;
    for (const auto& event : events()) {
        if (event.code == ConverterEvent::Line) {
            result.push_back(event.line);
        }
    }
    return result;
}

std::size_t RecordingOwner::lineCount() const {
    const std::lock_guard lock(m_mutex);
    return m_lineCount;
}

std::size_t RecordingOwner::longestLine() const {
    const std::lock_guard lock(m_mutex);
    return m_longest;
}

int RecordingOwner::count(ConverterEvent code) const {
    int n = 0;
    for (const auto& event : events()) {
        n += event.code == code ? 1 : 0;
    }
    return n;
}

bool RecordingOwner::waitForFirstLine() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (lineCount() == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void ProgressLog::callback(std::int32_t percent, void* userData) {
    auto* log = static_cast<ProgressLog*>(userData);
    {
        const std::lock_guard lock(log->m_mutex);
        log->m_percents.push_back(percent);
    }
    if (log->hook) {
        log->hook(percent);
    }
}

std::vector<int> ProgressLog::percents() const {
    const std::lock_guard lock(m_mutex);
    return m_percents;
}

bool ProgressLog::waitForProgress() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (percents().empty()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

EncoderInitRecord makeInitRecord(ProgressLog& log, const std::string& programDirectory, EncoderKind kind) {
    EncoderInitRecord record;
    record.forceFrameServer = 0;
    record.callback = &ProgressLog::callback;
    record.userData = &log;
    record.kind = kind;
    record.programDirectory.assign(programDirectory);
    return record;
}

std::int32_t ScriptedEncoder::BuildCommand(ConversionJob& job, std::string& commandLine) {
    ++builds;
    if (throwInBuild) {
        throw std::runtime_error("the builder failed");
    }
    commandLine = command;
    job.outputPath.append(outputSuffix);
    return buildResult;
}

} // namespace morvane::engine::test
