#include "engine/ffmpeg_encoder.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "engine/command_builder.h"
#include "engine/engine_log.h"
#include "engine/file_guards.h"
#include "engine/media_probe.h"
#include "engine/progress.h"
#include "engine/trace_file.h"
#include "media/media_facts_record.h"
#include "media/remembered_facts.h"
#include "platform/fixed_text.h"
#include "platform/work_files.h"

namespace morvane::engine {

namespace {
// Progress lines are read from a buffer of this size; longer lines are cut.
constexpr std::size_t kProgressLineBuffer = 512;
constexpr std::string_view kConverterModeArgument = "ffmpeg-converter";
} // namespace

bool hasCommandRecipe(std::int32_t targetCode) {
    return targetCode >= 0 && targetCode <= 13 && targetCode != 6 && targetCode != 12;
}

std::string_view commandFromInput(std::string_view commandLine) {
    // Only arguments count: the program's own path may hold "-i" as well.
    const std::size_t mode = commandLine.find(kConverterModeArgument);
    std::size_t from = mode == std::string_view::npos ? 0 : mode + kConverterModeArgument.size();
    for (;;) {
        const std::size_t at = commandLine.find("-i", from);
        if (at == std::string_view::npos) {
            return commandLine;
        }
        const bool blankBefore = at > 0 && (commandLine[at - 1] == ' ' || commandLine[at - 1] == '\t');
        const std::size_t after = at + 2;
        const bool blankAfter =
            after == commandLine.size() || commandLine[after] == ' ' || commandLine[after] == '\t';
        if (blankBefore && blankAfter) {
            return commandLine.substr(at);
        }
        from = at + 1;
    }
}

std::string outputFolderOf(std::string_view outputPath) {
    const std::size_t slash = outputPath.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    return std::string(slash == 0 ? outputPath.substr(0, 1) : outputPath.substr(0, slash));
}

std::int32_t CFfmpegEncoder::Initialize(const EncoderInitRecord* record) {
    if (record == nullptr || record->callback == nullptr) {
        return 0;
    }
    m_callback = record->callback;
    m_userData = record->userData;
    m_forceFrameServer = record->forceFrameServer;
    m_programDirectory.assign(record->programDirectory.view());
    return 1;
}

std::int32_t CFfmpegEncoder::Shutdown() {
    return 1;
}

void CFfmpegEncoder::SetProcessHandle(ProcessHandle handle) {
    m_processHandle = handle;
}

void CFfmpegEncoder::SetForceFrameServer(std::int32_t flag) {
    m_forceFrameServer = flag;
}

std::int32_t CFfmpegEncoder::BuildCommand(ConversionJob& job, std::string& commandLine) {
    // The source may have gone or changed since it was added; a named pipe would hold the
    // converter (and the batch) forever.
    if (const auto problem = sourceProblem(job.sourcePath.str())) {
        const std::string text = *problem + "; nothing was converted";
        logModuleError(kEncoderModule, kLineSourceUnusable, text);
        writeTraceLine(text);
        m_report.reason = *problem;
        return 0;
    }
    const CommandContext context{m_programDirectory.view(), m_forceFrameServer, &m_scriptLock};
    return buildConversionCommand(context, &job, &commandLine);
}

std::int32_t CFfmpegEncoder::PrepareCommand(ConversionJob* job) {
    try {
        if (job == nullptr) {
            return 0;
        }
        m_job = *job;
        m_stopRequested = false;
        m_processHandle = 0;
        m_finished = false;
        m_error = false;
        m_lastPercent = 0;
        m_commandLine.clear();
        m_report = ConversionReport{};
        if (!hasCommandRecipe(job->targetCode)) {
            return failWith("this profile's target has no command recipe");
        }
        m_scriptLock.release();
        const std::int32_t result = BuildCommand(*job, m_commandLine);
        if (result != 1) {
            m_scriptLock.release(); // no converter will read the script
            failWith(m_report.reason.empty()
                         ? "the converter's command could not be made (the trace file tells why)"
                         : m_report.reason);
        }
        m_job.outputPath.assign(job->outputPath.view());
        if (result == 1) {
            logCommandLine(commandFromInput(m_commandLine));
        }
        return result;
    } catch (...) {
        logModuleError(kEncoderModule, kLinePrepareException, "Unable to get output video convert interface");
        return failWith("the conversion could not be prepared");
    }
}

std::int32_t CFfmpegEncoder::RunConversion(const char* /*outputPath*/, std::int32_t /*targetCode*/) {
    try {
        m_diagnostics.clear();
        m_convertedSeconds = -1;
        m_report = ConversionReport{};
        // The converter writes its output (and anything relative) into the output folder.
        const std::string outputPath = m_job.outputPath.str();
        const auto workFilesBefore = converterWorkFiles(outputPath);
        const auto outputBefore = platform::fileVersion(outputPath);
        std::vector<std::string> environment;
        if (const std::string facts = media::currentFactsRecord(m_job.sourcePath.str()); !facts.empty()) {
            environment.push_back(std::string(media::kSourceFactsVariable) + "=" + facts);
        }
        // A stop abandons the run: what was converted so far is no finished file.
        environment.push_back(std::string(platform::kDiscardOnStopVariable) + "=1");
        m_process.Init(m_commandLine, this, 0, outputFolderOf(outputPath), std::move(environment));
        if (m_stopRequested.load()) {
            m_process.RequestStop(); // the converter is told as soon as it runs
        }
        const std::int32_t started = m_process.Start();
        m_scriptLock.release(); // the converter has ended, so it reads no script any more
        if (started == 0) {
            const std::string& error = m_process.lastRun().io.error();
            return failWith("the converter could not be started" + (error.empty() ? "" : ": " + error));
        }
        return judgeRun(outputPath, workFilesBefore, outputBefore);
    } catch (...) {
        m_scriptLock.release();
        return failWith("the conversion met an unexpected error");
    }
}

std::int32_t CFfmpegEncoder::failWith(std::string reason) {
    m_report.outcome = ConversionReport::Outcome::Failed;
    m_report.reason = std::move(reason);
    return 0;
}

std::int32_t CFfmpegEncoder::judgeRun(const std::string& outputPath,
                                      const std::vector<std::string>& workFilesBefore,
                                      const std::optional<platform::FileVersion>& outputBefore) {
    const ConverterRun& run = m_process.lastRun();
    const ConverterVerdict verdict = judgeConverterExit(run.exit, run.stopRequested);
    const bool signalled = run.exit.kind == platform::ExitStatus::Kind::Signalled;
    if (verdict != ConverterVerdict::Succeeded && signalled) {
        // A converter killed outright cannot remove its half-written work file.
        for (const auto& removed : removeNewWorkFiles(outputPath, workFilesBefore)) {
            writeTraceLine("Removed the converter's unfinished work file \"" + removed + "\"");
        }
    }
    // A converter that ended by itself before the stop reached it has finished its file.
    if (verdict == ConverterVerdict::Stopped && !run.exit.success()) {
        writeTraceLine("Stopped on request; the unfinished output was discarded");
        m_report.outcome = ConversionReport::Outcome::Stopped;
        m_report.reason = "stopped on request while converting; nothing was kept";
        return 0;
    }
    if (verdict == ConverterVerdict::Failed) {
        // A partial output file must not pass for a finished conversion.
        const std::string why = "The converter failed: " + run.exit.describe();
        writeTraceLine(why);
        logErrorInfo(kRunnerModule, "RunConversion", why);
        if (signalled) {
            const char* name = ::strsignal(run.exit.code);
            return failWith("the converter was ended by a signal (" +
                            (name != nullptr ? std::string(name) : std::to_string(run.exit.code)) + ")");
        }
        const std::string said = converterFailureReason(m_diagnostics.lines());
        return failWith(said.empty() ? "the converter failed with " + run.exit.describe() : said);
    }
    if (outputBefore && platform::fileVersion(outputPath) == outputBefore) {
        // A run that wrote nothing new: the file there is an earlier one, not this run's.
        writeTraceLine("Nothing new was written to \"" + outputPath + "\"; the file already there was kept");
        return failWith("nothing new was written to \"" + outputPath + "\"");
    }
    if (m_error) {
        return failWith("the converter's output could not be read");
    }
    m_report.outcome = ConversionReport::Outcome::Converted;
    if (const auto expected = expectedOutputSeconds(m_job); expected && m_convertedSeconds >= 0) {
        if (auto warning = shortOutputWarning(*expected, m_convertedSeconds)) {
            writeTraceLine("Warning: " + *warning);
            m_report.warning = std::move(*warning);
        }
    }
    return 1;
}

std::int32_t CFfmpegEncoder::RequestStop() {
    try {
        m_stopRequested = true;
        m_process.RequestStop();
    } catch (...) {
    }
    return 1;
}

std::int32_t CFfmpegEncoder::bGetMediaFileContent(const char* path, ConversionJob* job) {
    try {
        return probeMediaFile(m_programDirectory.view(), path, job);
    } catch (...) {
        return 0;
    }
}

std::int32_t CFfmpegEncoder::OnConverterEvent(ConverterEvent code, const ConverterEventValue& value,
                                              std::int32_t /*userValue*/) {
    switch (code) {
    case ConverterEvent::StopRequested:
        return 1;
    case ConverterEvent::Started:
        m_processHandle = value.number;
        return 1;
    case ConverterEvent::Finished:
        m_finished = true;
        return m_error ? 0 : 1;
    case ConverterEvent::Line:
        // The converter reads its script before it says anything.
        m_scriptLock.release();
        break;
    }
    // Any other code carries a line as well.
    if (value.line.empty()) {
        return 1;
    }
    try {
        reportProgressLine(value.line);
        return m_error ? 0 : 1;
    } catch (...) {
        m_error = true;
        m_finished = true;
        logErrorInfo(kEncoderModuleNumber, "PostMessage",
                     platform::utf8Prefix(value.line, kProgressLineBuffer - 1));
        return 0;
    }
}

void CFfmpegEncoder::reportProgressLine(std::string_view line) {
    char buffer[kProgressLineBuffer];
    platform::copyText(buffer, sizeof buffer, line);
    const auto seconds = parseProgressSeconds(buffer, m_job.hasVideo != 0);
    if (!seconds) {
        m_diagnostics.add(line);
        logErrorInfo(kEncoderModuleNumber, "PostMessage", buffer);
        return;
    }
    m_convertedSeconds = std::max(m_convertedSeconds, *seconds);
    const ProgressStep step = progressStep(*seconds, m_job.progressDuration);
    // A length read from a header can be short of the real one: past it the conversion is still under
    // way, so the row holds at 99 % rather than starting again at 1 %; progress never goes back.
    const std::int32_t percent = std::max(m_lastPercent, step.reachedEnd ? 99 : step.percent);
    m_lastPercent = percent;
    if (m_callback != nullptr) {
        m_callback(percent, m_userData);
    }
    if (step.reachedEnd) {
        m_finished = true;
        logErrorInfo(kEncoderModuleNumber, "PostMessage", buffer);
    }
}

} // namespace morvane::engine
