#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/conversion_job.h"
#include "engine/converter_process.h"
#include "engine/file_guards.h"
#include "engine/frame_server_script.h"
#include "engine/media_encoder.h"
#include "engine/run_report.h"
#include "platform/file_identity.h"

namespace morvane::engine {

// The encoder that converts through the external converter "vec": it builds the command line for a
// job, runs the converter and turns its progress lines into percentages for the progress callback.
class CFfmpegEncoder : public CMediaEncoder {
public:
    CFfmpegEncoder() = default;

    // Copies the job, clears the run's state and builds the command line; completes the caller's
    // job->outputPath. 0 for target codes without a recipe (6, 12, below 0, above 13).
    std::int32_t PrepareCommand(ConversionJob* job) override;
    std::int32_t RequestStop() override;
    // Runs the prepared command in the output folder. 0 when the converter could not be started,
    // when it failed without a stop request, or when handling its output met an error.
    std::int32_t RunConversion(const char* outputPath, std::int32_t targetCode) override;
    std::int32_t Initialize(const EncoderInitRecord* record) override;
    std::int32_t Shutdown() override;
    std::int32_t bGetMediaFileContent(const char* path, ConversionJob* job) override;
    std::int32_t OnConverterEvent(ConverterEvent code, const ConverterEventValue& value,
                                  std::int32_t userValue) override;
    void SetProcessHandle(ProcessHandle handle) override;
    void SetForceFrameServer(std::int32_t flag) override;
    ConversionReport LastReport() const override { return m_report; }

    const std::string& commandLine() const { return m_commandLine; }
    const ConversionJob& job() const { return m_job; }
    bool finished() const { return m_finished; }
    bool failed() const { return m_error; }
    ProcessHandle processHandle() const { return m_processHandle; }
    std::int32_t forceFrameServer() const { return m_forceFrameServer; }
    std::string_view programDirectory() const { return m_programDirectory.view(); }
    const ConverterProcess& converterProcess() const { return m_process; }

protected:
    // Builds the command line for the caller's job through the command builders.
    virtual std::int32_t BuildCommand(ConversionJob& job, std::string& commandLine);

private:
    void reportProgressLine(std::string_view line);
    // Judges the ended converter run; the result of RunConversion.
    std::int32_t judgeRun(const std::string& outputPath, const std::vector<std::string>& workFilesBefore,
                          const std::optional<platform::FileVersion>& outputBefore);
    std::int32_t failWith(std::string reason);

    ConversionJob m_job;
    std::string m_commandLine;
    std::atomic<ProcessHandle> m_processHandle{0};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_error{false};
    // A stop requested after the command was prepared, before the converter runs, applies to its run.
    std::atomic<bool> m_stopRequested{false};
    std::atomic<std::int32_t> m_forceFrameServer{1};
    FixedText<kJobPathCapacity> m_programDirectory;
    ProgressCallback m_callback = nullptr;
    void* m_userData = nullptr;
    // The highest percentage reported in this run: progress never goes back.
    std::int32_t m_lastPercent = 0;
    ConverterProcess m_process;
    // What the converter said besides progress, the furthest time it reported, and the run's outcome;
    // all on the converting thread.
    DiagnosticLines m_diagnostics;
    int m_convertedSeconds = -1;
    ConversionReport m_report;
    // Held from writing the frame-server script until the converter has read it.
    FrameServerScriptLock m_scriptLock;
};

// True for the target codes that have a command recipe: 0 (the general path) and 1 to 13 but 6 and 12.
bool hasCommandRecipe(std::int32_t targetCode);

// The part of a converter command line from its input argument "-i" on (the whole line when it
// has none); what the event log records of every command.
std::string_view commandFromInput(std::string_view commandLine);

// The folder part of an output path (before its last separator); empty when it has none.
std::string outputFolderOf(std::string_view outputPath);

} // namespace morvane::engine
