#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ffmpeg_encoder.h"
#include "engine/media_encoder.h"
#include "platform/event_log.h"
#include "tests/support/test_support.h"

namespace morvane::engine::test {

// A temporary program directory holding the fake converter as "vec". It becomes the program
// directory for the test's lifetime; the trace file is closed on both ends so none is shared.
class FakeProgramDir {
public:
    explicit FakeProgramDir(bool withConverter = true);
    ~FakeProgramDir();
    FakeProgramDir(const FakeProgramDir&) = delete;
    FakeProgramDir& operator=(const FakeProgramDir&) = delete;

    // Ends with "/".
    const std::string& dir() const { return m_dir; }
    std::string file(const std::string& name) const { return m_dir + name; }
    std::string converter() const { return m_dir + "vec"; }

    // The script the fake converter follows (see fake_converter.cpp).
    void script(const std::string& text) const;
    // The converter's command line: its path, "ffmpeg-converter" and `arguments`.
    std::string commandLine(const std::string& arguments = "-i \"in.avi\" -y \"out.avi\"") const;

    std::string args() const;       // one argument a line
    std::string stdinBytes() const; // what arrived on its standard input while it waited for "q"
    std::string workingDirectory() const;
    std::string trace() const;
    bool converterRan() const;

private:
    morvane::test::TempDir m_temp;
    std::string m_dir;
};

// Records event-log entries while alive.
class EventRecorder {
public:
    struct Entry {
        platform::EventType type;
        unsigned id;
        std::string message;
    };
    EventRecorder();
    ~EventRecorder();
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;

    std::vector<Entry> entries() const;
    std::vector<std::string> messages(unsigned id) const;

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

// An owner for the converter runner that records every event.
class RecordingOwner final : public CMediaEncoder {
public:
    struct Event {
        ConverterEvent code;
        std::int64_t number;
        std::string line;
        std::int32_t userValue;
    };

    std::int32_t PrepareCommand(ConversionJob*) override { return 1; }
    std::int32_t RequestStop() override { return 1; }
    std::int32_t RunConversion(const char*, std::int32_t) override { return 1; }
    std::int32_t Initialize(const EncoderInitRecord*) override { return 1; }
    std::int32_t Shutdown() override { return 1; }
    std::int32_t bGetMediaFileContent(const char*, ConversionJob*) override { return 0; }
    std::int32_t OnConverterEvent(ConverterEvent code, const ConverterEventValue& value,
                                  std::int32_t userValue) override;
    void SetProcessHandle(ProcessHandle handle) override { processHandle = handle; }
    void SetForceFrameServer(std::int32_t) override {}

    std::vector<Event> events() const;
    std::vector<std::string> lines() const;
    std::size_t lineCount() const;
    std::size_t longestLine() const;
    int count(ConverterEvent code) const;
    // Blocks until the first output line arrived (false after a few seconds without one).
    bool waitForFirstLine() const;

    // When false, lines are counted but not kept (for very long runs).
    bool keepLines = true;
    // Called for every line, on the thread that reads the converter.
    std::function<void()> onEachLine;
    std::int32_t reply = 1;
    bool throwOnLine = false;
    ProcessHandle processHandle = 0;

private:
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
    std::size_t m_lineCount = 0;
    std::size_t m_longest = 0;
};

// Collects what the progress callback receives.
class ProgressLog {
public:
    static void callback(std::int32_t percent, void* userData);

    std::vector<int> percents() const;
    // Blocks until the callback was called at least once (false after a few seconds).
    bool waitForProgress() const;

    // Called with every percentage, on the converting thread.
    std::function<void(int)> hook;

private:
    mutable std::mutex m_mutex;
    std::vector<int> m_percents;
};

// A record as the main window fills it, with `log` receiving the progress.
EncoderInitRecord makeInitRecord(ProgressLog& log, const std::string& programDirectory,
                                 EncoderKind kind = EncoderKind::Converter);

// The converter encoder with a scripted command builder in place of the real one.
class ScriptedEncoder : public CFfmpegEncoder {
public:
    std::string command;                 // what the builder writes
    std::string outputSuffix = "_x.avi"; // what it appends to the job's output path
    std::int32_t buildResult = 1;
    bool throwInBuild = false;
    int builds = 0;

protected:
    std::int32_t BuildCommand(ConversionJob& job, std::string& commandLine) override;
};

} // namespace morvane::engine::test
