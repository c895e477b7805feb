#include "converter/vec_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "converter/command_text.h"
#include "converter/old_arguments.h"
#include "converter/option_guard.h"
#include "converter/progress_formatter.h"
#include "converter/run_outcome.h"
#include "converter/script_reader.h"
#include "converter/translator.h"
#include "converter/work_output.h"
#include "platform/fd_io.h"
#include "platform/file_identity.h"
#include "platform/process.h"
#include "platform/signal_pipe.h"
#include "platform/unique_fd.h"
#include "platform/work_files.h"

#include "media/media_facts_record.h"
#include "media/media_plugin.h"

namespace morvane::converter {

namespace {

constexpr int kUsageExit = 2;
constexpr int kNotFoundExit = 127;
constexpr auto kStopGrace = std::chrono::seconds(30);
constexpr short kReadable = POLLIN | POLLHUP | POLLERR | POLLNVAL;

// Nobody reading us any more does not stop the conversion, so a failed write is let go.
void writeAll(int fd, std::string_view text) {
    [[maybe_unused]] const bool written = platform::writeAll(fd, text);
}

void say(std::string_view line) {
    writeAll(STDOUT_FILENO, std::string(line) + "\n");
}
void diagnose(std::string_view line) {
    writeAll(STDERR_FILENO, "vec: " + std::string(line) + "\n");
}

int usage() {
    diagnose("usage: vec ffmpeg-converter -info FILE\n"
             "       vec ffmpeg-converter -i INPUT [options of the old dialect] -y OUTPUT");
    return kUsageExit;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Why an input cannot be read when it exists but is no regular file (a named pipe or a device would
// hold FFmpeg or the probe until someone writes to it); nothing when it is one or does not exist.
std::optional<std::string> notARegularFile(const std::string& path) {
    const auto kind = platform::irregularFileKind(path);
    return kind ? std::optional("the input \"" + path + "\" is " + *kind) : std::nullopt;
}

long long fileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// The script's text, or nothing when it cannot be read.
std::optional<std::string> readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The script when the input is one, nothing when it is none; a failure says why a script cannot be
// used.
platform::Expected<std::optional<ScriptSource>> openScript(const std::string& input) {
    if (!isFrameServerScript(input)) {
        return std::optional<ScriptSource>();
    }
    const auto text = readText(input);
    if (!text) {
        return platform::Failure{"cannot read the script \"" + input + "\": " + std::strerror(errno)};
    }
    auto reading = readFrameServerScript(*text, folderOf(input));
    if (!reading) {
        return platform::Failure{"the script \"" + input +
                                 "\" is not one this converter reads: " + reading.error()};
    }
    return std::optional<ScriptSource>(*std::move(reading));
}

// Reads a file with the media layer's plugin, loaded on first use; the libraries' own messages would
// only disturb vec's lines, so they are silenced.
class MediaProbe {
public:
    MediaProbe() { media::setPluginMessageSink({}); }

    // The detector's status; `reason` says why when the file could not be read.
    int probe(const std::string& path, media::MediaFacts& facts, std::string& reason) {
        const int status = media::detectMediaFactsWithPlugin(path, facts);
        reason = status == media::kDetectOk ? std::string() : media::mediaPluginProblem();
        if (status != media::kDetectOk && reason.empty()) {
            reason = media::detectStatusText(status);
        }
        return status;
    }

    StreamFacts streamFacts(const std::string& path) {
        StreamFacts facts;
        media::MediaStreams found;
        if (media::readMediaStreamsWithPlugin(path, found) == media::kDetectOk) {
            facts.interlaced = found.interlaced;
            facts.tagStream = found.tagsOnStream == 1 ? 'a' : found.tagsOnStream == 2 ? 'v' : 0;
            facts.audioStream = found.audioStream;
            facts.videoStream = found.videoStream;
        }
        return facts;
    }
};

MediaProbe& mediaProbe() {
    static MediaProbe probe;
    return probe;
}

// Where two-pass logs go. A first pass writes its logs under the work file's name and they take
// their names only when the pass has succeeded; every pass finds them beside the output.
struct PassLogs {
    bool written = false;     // a first pass: FFmpeg writes the logs
    std::string publicPrefix; // "<output folder>/<passlogfile or ffmpeg2pass>"
};

std::string optionValue(const std::vector<OldOption>& options, std::string_view name) {
    std::string value;
    for (const auto& option : options) {
        if (option.name.substr(0, option.name.find(':')) == name) {
            value = option.value;
        }
    }
    return value;
}

PassLogs planPassLogs(const OldCommand& command) {
    PassLogs logs;
    const std::string pass = optionValue(command.options, "pass");
    if (pass.empty()) {
        return logs;
    }
    const std::string name = optionValue(command.options, "passlogfile");
    // Any first pass writes logs (per-stream passes may differ): they all go through the work file,
    // which at worst makes a second pass of the same command fail to find them, never half-writes one.
    logs.written = std::any_of(command.options.begin(), command.options.end(), [](const OldOption& option) {
        return option.name.substr(0, option.name.find(':')) == "pass" && option.value == "1";
    });
    logs.publicPrefix = folderOf(command.output) + "/" + (name.empty() ? "ffmpeg2pass" : name);
    return logs;
}

// Sends the pass logs to `prefix`, in place of what the command said.
void redirectPassLogs(OldCommand& command, const std::string& prefix) {
    auto& options = command.options;
    options.erase(std::remove_if(options.begin(), options.end(),
                                 [](const OldOption& option) {
                                     return option.name.substr(0, option.name.find(':')) == "passlogfile";
                                 }),
                  options.end());
    options.push_back(OldOption{"passlogfile", prefix, true, false});
}

class ConversionRun {
public:
    ConversionRun(std::string ffmpeg, std::vector<std::string> arguments, WorkOutput& work,
                  std::string output, PassLogs passLogs)
        : m_ffmpeg(std::move(ffmpeg)), m_arguments(std::move(arguments)), m_work(work),
          m_output(std::move(output)), m_passLogs(std::move(passLogs)) {}

    // `signals` carries the signals that end the converter: the run is abandoned and its partial
    // file removed.
    int run(platform::SignalPipe& signals);

    // Watches for an input that cannot seek to the start of the cut: FFmpeg then makes nothing useful,
    // so the run is ended early and seekFailed() tells the caller to cut on the output side instead.
    void watchSeeking() { m_watchSeek = true; }
    bool seekFailed() const { return m_seekFailed; }
    // Where the cut starts, and how to learn the source's length (asked only when nothing came out).
    void describeCut(double start, std::function<double()> sourceLength) {
        m_cutStart = start;
        m_sourceLength = std::move(sourceLength);
    }
    // How to learn which of the source's streams are sound and picture (asked only when packets did
    // not decode).
    void describeStreams(std::function<StreamFacts()> streams) { m_streams = std::move(streams); }

private:
    // Starts FFmpeg; on failure says why and gives the exit code.
    std::optional<int> start();
    // Passes FFmpeg's output on and our input and signals to it until its output ends.
    void pumpUntilClosed(platform::SignalPipe& signals);
    void pumpProgress(std::string_view bytes);
    void pumpDiagnostics(std::string_view bytes);
    void readStopRequests(std::string_view bytes);
    // Judges the ended run: the work file becomes the output or goes. Gives the exit code.
    int finish();

    std::string m_ffmpeg;
    std::vector<std::string> m_arguments;
    WorkOutput& m_work;
    std::string m_output;
    PassLogs m_passLogs;
    platform::ChildProcess m_child;
    LineSplitter m_progressLines;
    LineSplitter m_diagnosticLines;
    ProgressReader m_progress;
    bool m_progressSeen = false;
    bool m_mediaWritten = false;
    bool m_stopRequested = false;
    bool m_watchSeek = false;
    bool m_seekFailed = false;
    bool m_interruptSent = false;
    int m_abortSignal = 0;
    std::chrono::steady_clock::time_point m_stopDeadline{};
    double m_cutStart = 0.0;
    std::function<double()> m_sourceLength;
    std::function<StreamFacts()> m_streams;
    std::map<int, int> m_packetsLost; // input stream index -> packets that did not decode
    double m_writtenSeconds = 0.0;
};

void ConversionRun::pumpProgress(std::string_view bytes) {
    for (const auto& line : m_progressLines.feed(bytes)) {
        if (const auto update = m_progress.feedLine(line)) {
            m_progressSeen = true;
            m_mediaWritten = m_mediaWritten || update->frame > 0 || update->seconds > 0.0;
            m_writtenSeconds = std::max(m_writtenSeconds, update->seconds);
            writeAll(STDOUT_FILENO, formatProgressLine(*update));
        }
    }
}

void ConversionRun::pumpDiagnostics(std::string_view bytes) {
    for (const auto& line : m_diagnosticLines.feed(bytes)) {
        writeAll(STDERR_FILENO, line + "\n");
        // FFmpeg says so once for every packet that does not decode: "Error while decoding stream #0:1: ..."
        constexpr std::string_view kDecodeError = "Error while decoding stream #0:";
        if (const auto at = line.find(kDecodeError); at != std::string::npos) {
            ++m_packetsLost[std::atoi(line.c_str() + at + kDecodeError.size())];
        }
        if (m_watchSeek && !m_seekFailed && !m_stopRequested &&
            line.find("could not seek to position") != std::string::npos) {
            m_seekFailed = true;
            m_child.kill(SIGKILL); // its work file is ours and is written again
        }
    }
}

void ConversionRun::readStopRequests(std::string_view bytes) {
    // The program sends "q" and nine zero bytes; only the "q" matters.
    if (m_stopRequested || bytes.find('q') == std::string_view::npos) {
        return;
    }
    m_stopRequested = true;
    m_stopDeadline = std::chrono::steady_clock::now() + kStopGrace;
    m_child.writeStdin("q", 1);
}

int ConversionRun::run(platform::SignalPipe& signals) {
    if (const auto failed = start()) {
        return *failed;
    }
    pumpUntilClosed(signals);
    if (const auto rest = m_diagnosticLines.finish()) {
        writeAll(STDERR_FILENO, *rest + "\n");
    }
    if (const auto rest = m_progressLines.finish()) {
        pumpProgress(*rest + "\n");
    }
    return finish();
}

std::optional<int> ConversionRun::start() {
    platform::SpawnOptions options;
    options.stdinMode = platform::StdStream::Pipe;
    options.stdoutMode = platform::StdStream::Pipe;
    options.stderrMode = platform::StdStream::Pipe;
    options.dieWithParent = true;
    options.newProcessGroup = true; // a terminal's Ctrl-C reaches the converter, which decides
    options.passedDescriptor = m_work.passedDescriptor();
    std::vector<std::string> argv{m_ffmpeg};
    argv.insert(argv.end(), m_arguments.begin(), m_arguments.end());
    auto started = platform::ChildProcess::start(argv, options);
    if (started) {
        m_child = *std::move(started);
        return std::nullopt;
    }
    m_work.discard();
    diagnose(started.error() + "; nothing was written to \"" + m_output + "\"");
    return started.errorCode() == ENOENT ? kNotFoundExit : 1;
}

void ConversionRun::pumpUntilClosed(platform::SignalPipe& signals) {
    bool stdinOpen = true;
    bool progressOpen = true;
    bool diagnosticsOpen = true;
    std::array<char, 4096> buffer{};
    // Reads what a stream has into `pump`; false once it has ended.
    const auto drain = [&](ssize_t n, auto pump) {
        if (n <= 0) {
            return false;
        }
        (this->*pump)({buffer.data(), static_cast<std::size_t>(n)});
        return true;
    };
    while (progressOpen || diagnosticsOpen) {
        std::array<pollfd, 4> fds{};
        fds[0] = {progressOpen ? m_child.stdoutFd() : -1, POLLIN, 0};
        fds[1] = {diagnosticsOpen ? m_child.stderrFd() : -1, POLLIN, 0};
        fds[2] = {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0};
        fds[3] = {signals.fd(), POLLIN, 0};
        const int ready = ::poll(fds.data(), fds.size(), 250);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (m_stopRequested && !m_interruptSent && std::chrono::steady_clock::now() > m_stopDeadline) {
            // FFmpeg did not read its "q" (it was still opening the input): one interrupt also ends it
            // with a finished file.
            m_child.kill(SIGINT);
            m_interruptSent = true;
        }
        if (ready <= 0) {
            continue;
        }
        if ((fds[3].revents & POLLIN) != 0) {
            const int signal = signals.take();
            if (signal != 0 && m_abortSignal == 0) {
                m_abortSignal = signal;
                m_child.kill(SIGKILL);
            }
        }
        if ((fds[2].revents & kReadable) != 0) {
            const auto n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
            if (n > 0) {
                readStopRequests({buffer.data(), static_cast<std::size_t>(n)});
            } else if (n == 0 || errno != EINTR) {
                stdinOpen = false; // the end of our input is not a stop
            }
        }
        if ((fds[0].revents & kReadable) != 0) {
            progressOpen =
                drain(m_child.readStdout(buffer.data(), buffer.size()), &ConversionRun::pumpProgress);
        }
        if ((fds[1].revents & kReadable) != 0) {
            diagnosticsOpen =
                drain(m_child.readStderr(buffer.data(), buffer.size()), &ConversionRun::pumpDiagnostics);
        }
    }
}

int ConversionRun::finish() {
    if (m_seekFailed && m_abortSignal == 0) {
        m_child.wait();
        return 1;
    }
    m_seekFailed = false;
    RunFacts facts;
    facts.status = m_child.wait();
    facts.stopRequested = m_stopRequested;
    facts.interruptSent = m_interruptSent;
    facts.abortSignal = m_abortSignal;
    const char* discard = std::getenv(platform::kDiscardOnStopVariable);
    facts.discardOnStop = discard != nullptr && std::string_view(discard) == "1";
    facts.outputBytes = m_work.size();
    facts.progressSeen = m_progressSeen;
    facts.mediaWritten = m_mediaWritten;
    facts.cutStart = m_cutStart;
    if (((m_progressSeen && !m_mediaWritten) || !m_packetsLost.empty()) && m_sourceLength) {
        facts.sourceLength = m_sourceLength();
    }
    if (!m_packetsLost.empty()) {
        const StreamFacts streams = m_streams ? m_streams() : StreamFacts{};
        for (const auto& [index, count] : m_packetsLost) {
            (index == streams.videoStream ? facts.picturePacketsLost : facts.soundPacketsLost) += count;
        }
        facts.writtenSeconds = m_writtenSeconds;
    }
    RunVerdict verdict = judgeRun(facts, m_output);
    if (verdict.keepOutput) {
        // What a stopped run wrote is incomplete: it may take a free name, never a file that is there.
        const bool partial = facts.stopRequested || facts.interruptSent;
        // A stopped first pass wrote incomplete logs: the earlier ones stay.
        const int logError =
            m_passLogs.written && !partial ? m_work.placePassLogs(m_passLogs.publicPrefix) : 0;
        const int error = logError != 0 ? logError : m_work.place(!partial);
        if (error != 0) {
            verdict.keepOutput = false;
            verdict.exitCode = 1;
            verdict.message =
                logError != 0 ? "cannot put the two-pass log in place as \"" + m_passLogs.publicPrefix +
                                    "-*.log\": " + std::strerror(logError)
                : partial && error == EEXIST
                    ? "stopped on request; \"" + m_output +
                          "\" was there already and is kept; the partial result was discarded"
                    : "cannot put the result in place as \"" + m_output + "\": " + std::strerror(error);
        }
    }
    if (verdict.keepOutput && facts.soundPacketsLost + facts.picturePacketsLost > 0) {
        // Where packets did not decode, the times run on over the gaps: the file itself says how much
        // it holds.
        media::MediaFacts kept;
        if (std::string reason; mediaProbe().probe(m_output, kept, reason) == media::kDetectOk) {
            facts.writtenSeconds = kept.duration;
            verdict.message = judgeRun(facts, m_output).message;
        }
    }
    if (!verdict.keepOutput) {
        m_work.discard();
    }
    if (!verdict.message.empty()) {
        diagnose(verdict.message);
    }
    return verdict.exitCode;
}

// The information line of a file that was not read, and why.
int infoRefused(const std::string& reason) {
    say(formatInfoLine(media::MediaFacts{}));
    diagnose(reason + "; it was not read");
    return 1;
}

int runInfo(const std::string& path) {
    if (const auto reason = notARegularFile(path)) {
        return infoRefused(*reason);
    }
    const auto script = openScript(path);
    const std::string probed = script && script->has_value() ? (*script)->path : path;
    if (const auto reason = script ? notARegularFile(probed) : std::nullopt) {
        return infoRefused(*reason);
    }
    media::MediaFacts facts;
    std::string reason;
    const int status = script ? mediaProbe().probe(probed, facts, reason) : media::kDetectFailed;
    say(formatInfoLine(status == media::kDetectOk ? facts : media::MediaFacts{}));
    if (!script) {
        diagnose(script.error());
        return 1;
    }
    if (status != media::kDetectOk) {
        if (reason.empty()) {
            const long long size = fileSize(probed);
            reason = size < 0 ? std::strerror(ENOENT) : size == 0 ? "the file is empty" : "not a media file";
        }
        diagnose("cannot read \"" + probed + "\": " + reason);
        return 1;
    }
    return 0;
}

// Why the source is not read at all: a playlist or another list of further files, which would make
// FFmpeg read those files instead. Facts the program hands over were read from this very file by the
// same detector, which refuses such lists.
std::optional<std::string> listOfFilesRefusal(const std::string& path) {
    const char* record = std::getenv(media::kSourceFactsVariable);
    if (record != nullptr && media::mediaFactsFromRecord(record, path)) {
        return std::nullopt;
    }
    media::MediaFacts facts;
    std::string reason;
    if (mediaProbe().probe(path, facts, reason) != media::kDetectListOfFiles) {
        return std::nullopt;
    }
    return "the input \"" + path + "\" is not read: " + reason + "; nothing was converted";
}

// The command as the trace shows it: one anybody may run again to see the same conversion, so it
// names the output itself, never the descriptor or work file this run writes through.
std::string shownCommand(const std::string& ffmpeg, const std::vector<std::string>& arguments,
                         const std::string& output) {
    std::vector<std::string> shown{ffmpeg};
    shown.insert(shown.end(), arguments.begin(), arguments.end());
    if (shown.size() > 1) {
        shown.back() = fileUrl(output);
    }
    return "ffmpeg command: " + shellCommandLine(shown);
}

// A cut that starts where the source ends holds nothing (FFmpeg writes only an encoder's priming);
// when the source's length is known, it is refused before anything is written.
std::optional<std::string> cutBeyondTheEnd(double cutStart, const SourceFacts& source) {
    constexpr double kLastFrame = 0.05; // what is left after the start: less than one frame of any rate
    if (cutStart <= 0.0 || !source.known || source.lengthGuessed || source.duration <= 0.0 ||
        cutStart < source.duration - kLastFrame) {
        return std::nullopt;
    }
    char text[160];
    std::snprintf(text, sizeof text, "the cut starts at %.3f s, at or after the end of the %.3f s source",
                  cutStart, source.duration);
    return std::string(text);
}

// Refuses a command whose options reach beyond the input and the output; gives the exit code then.
std::optional<int> refusedOptions(const OldCommand& command) {
    for (const auto& option : command.options) {
        if (const auto refusal = refusedOption(option)) {
            diagnose(*refusal + "; nothing was converted");
            return kUsageExit;
        }
    }
    return std::nullopt;
}

// Refuses an input that cannot be converted into the output, and reads the script when the input is
// one; gives the exit code when it refuses.
std::optional<int> refusedInput(const OldCommand& command, TranslationRequest& request) {
    // FFmpeg would wait for ever for a writer on a named pipe, and a folder is nothing to convert.
    if (const auto reason = notARegularFile(command.input)) {
        diagnose(*reason + "; nothing was converted");
        return 1;
    }
    auto script = openScript(command.input);
    if (!script) {
        diagnose(script.error());
        return 1;
    }
    request.script = *std::move(script);
    const std::string source = request.script ? request.script->path : command.input;
    if (const auto reason = notARegularFile(source)) {
        diagnose(*reason + "; nothing was converted");
        return 1;
    }
    if (platform::sameFile(source, command.output) || platform::sameFile(command.input, command.output)) {
        diagnose("the output \"" + command.output +
                 "\" is the input itself; converting a file onto itself "
                 "would destroy it, so nothing was done");
        return 1;
    }
    return std::nullopt;
}

// Refuses a translation whose container writes beyond the output or whose cut holds nothing; gives
// the exit code then.
std::optional<int> refusedTranslation(const Translation& translation, const TranslationRequest& request) {
    // However the container is asked for (a format option, the output's extension), it writes the
    // output alone: segments, playlists, numbered pictures or a second output would land beside it.
    if (formatReachesBeyondTheOutput(translation.muxer)) {
        diagnose("refused the " + translation.muxer + " container for \"" + request.command.output +
                 "\": it writes other files than the output, or reaches a device; nothing was converted");
        return kUsageExit;
    }
    if (const auto beyond = translation.cutStart > 0.0
                                ? cutBeyondTheEnd(translation.cutStart, request.probe())
                                : std::nullopt) {
        diagnose(*beyond + "; nothing was written to \"" + request.command.output + "\"");
        return 1;
    }
    return std::nullopt;
}

// Runs FFmpeg on the translation; when the input cannot seek to the start of the cut, once more with
// the cut made on the output side.
int convert(const std::string& ffmpeg, const Translation& translation, TranslationRequest& request,
            WorkOutput& work, const PassLogs& passLogs, platform::SignalPipe& signals) {
    say(shownCommand(ffmpeg, translation.arguments, request.command.output));
    for (const auto& note : request.command.notes) {
        diagnose(note);
    }
    for (const auto& note : translation.notes) {
        diagnose(note);
    }
    // A length guessed from the bit rate says nothing about where the source ends.
    const auto sourceLength = [&request] {
        const SourceFacts facts = request.probe();
        return facts.known && !facts.lengthGuessed ? facts.duration : 0.0;
    };
    ConversionRun run(ffmpeg, translation.arguments, work, request.command.output, passLogs);
    run.describeCut(translation.cutStart, sourceLength);
    run.describeStreams(request.streamProbe);
    if (translation.seeksInput) {
        run.watchSeeking();
    }
    const int exitCode = run.run(signals);
    if (!run.seekFailed()) {
        return exitCode;
    }
    diagnose("the input cannot seek to the start of the cut; decoding it from its beginning instead");
    request.seekOnOutput = true;
    const auto again = translateCommand(request);
    if (!again) {
        diagnose(again.error());
        return kUsageExit;
    }
    say(shownCommand(ffmpeg, again->arguments, request.command.output));
    ConversionRun fromTheStart(ffmpeg, again->arguments, work, request.command.output, passLogs);
    fromTheStart.describeCut(again->cutStart, sourceLength);
    fromTheStart.describeStreams(request.streamProbe);
    return fromTheStart.run(signals);
}

int runConversion(const std::vector<std::string>& arguments) {
    auto parsed = parseOldCommand(arguments);
    if (!parsed) {
        diagnose(parsed.error());
        return kUsageExit;
    }
    OldCommand command = *std::move(parsed);
    if (const auto refused = refusedOptions(command)) {
        return *refused;
    }
    const auto ffmpeg = platform::findProgram("ffmpeg");
    if (!ffmpeg) {
        diagnose("ffmpeg was not found in PATH; it does the conversions (Debian package \"ffmpeg\")");
        return kNotFoundExit;
    }

    TranslationRequest request;
    if (const auto refused = refusedInput(command, request)) {
        return *refused;
    }
    const std::string source = request.script ? request.script->path : command.input;
    if (const auto refusal = listOfFilesRefusal(source)) {
        diagnose(*refusal);
        return 1;
    }
    request.probe = [source] { return probeSource(source); };
    request.streamProbe = [source] { return mediaProbe().streamFacts(source); };
    request.outputPath = command.output;

    // From here on a signal must not leave a partial file behind: it is handled by the run.
    platform::SignalPipe signals = platform::SignalPipe::install({SIGTERM, SIGINT, SIGHUP});
    for (const auto& removed : removeAbandonedWorkFiles(folderOf(command.output), {command.input, source})) {
        diagnose("removed \"" + removed + "\", left by a conversion that was ended before it finished");
    }
    const PassLogs passLogs = planPassLogs(command);
    request.command = std::move(command);
    // A first pass's logs are named after the work file, so it needs a name from the start.
    auto work = WorkOutput::create(request.command.output, passLogs.written);
    platform::Expected<Translation> translation = Translation{};
    for (;;) {
        if (!work) {
            diagnose("cannot write into the folder of \"" + request.command.output + "\": " + work.error());
            return 1;
        }
        if (!passLogs.publicPrefix.empty()) {
            redirectPassLogs(request.command,
                             passLogs.written ? work->passLogPrefix() : passLogs.publicPrefix);
        }
        request.writePath = work->ffmpegPath();
        request.unnamedWrite = work->kind() == WorkOutput::Kind::Unnamed;
        translation = translateCommand(request);
        if (!request.unnamedWrite || !translation || !translation->muxer.empty()) {
            break;
        }
        // Only FFmpeg knows the container for this name: the work file must carry it.
        work = WorkOutput::create(request.command.output, true);
    }
    if (!translation) {
        diagnose(translation.error());
        return kUsageExit;
    }
    if (const auto refused = refusedTranslation(*translation, request)) {
        return *refused;
    }
    return convert(*ffmpeg, *translation, request, *work, passLogs, signals);
}

} // namespace

SourceFacts probeSource(const std::string& path) {
    media::MediaFacts facts;
    SourceFacts source;
    // The program hands over the facts it has just read of the input: loading the FFmpeg libraries
    // to read the file once more would add tens of milliseconds to every file of a batch. They count
    // only for the very version of the file they were read from.
    const char* record = std::getenv(media::kSourceFactsVariable);
    if (auto handed = record != nullptr ? media::mediaFactsFromRecord(record, path) : std::nullopt) {
        facts = *handed;
    } else if (std::string reason; mediaProbe().probe(path, facts, reason) != media::kDetectOk) {
        return source;
    }
    source.known = true;
    source.hasVideo = facts.hasVideo != 0;
    source.hasAudio = facts.hasAudio != 0;
    source.still = facts.still;
    source.width = facts.width;
    source.height = facts.height;
    source.sampleRate = facts.sampleRate;
    source.channels = facts.channels;
    source.duration = facts.duration;
    source.displayAspect = facts.displayAspect;
    source.lengthGuessed = facts.lengthGuessed;
    return source;
}

std::string formatInfoLine(const media::MediaFacts& facts) {
    // A length tag can say anything: not a number counts as none, beyond the counter as its end.
    const double length = std::isnan(facts.duration) ? 0.0 : std::max(facts.duration, 0.0);
    const double whole = std::min(std::floor(length), static_cast<double>(std::numeric_limits<int>::max()));
    int seconds = static_cast<int>(whole);
    if (seconds == 0 && length > 0.0 && !facts.still) {
        seconds = 1;
    }
    char line[160];
    std::snprintf(line, sizeof line, "Duration:%d Width:%d Height:%d Video:%d Audio:%d", seconds, facts.width,
                  facts.height, facts.hasVideo != 0 ? 1 : 0, facts.hasAudio != 0 ? 1 : 0);
    return line;
}

std::string temporaryOutputName(const std::string& outputPath, const std::string& tag) {
    return platform::workFileName(outputPath, platform::kConverterWorkMark, tag);
}

int vecMain(const std::vector<std::string>& arguments) {
    ::signal(SIGPIPE, SIG_IGN);
    if (arguments.empty() || arguments.front() != "ffmpeg-converter") {
        return usage();
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (!rest.empty() && rest.front() == "-info") {
        if (rest.size() != 2) {
            return usage();
        }
        return runInfo(rest[1]);
    }
    if (rest.empty()) {
        return usage();
    }
    try {
        return runConversion(rest);
    } catch (const std::exception& error) {
        diagnose(std::string("internal error: ") + error.what());
        return 1;
    }
}

} // namespace morvane::converter
