#include "engine/media_probe.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "media/remembered_facts.h"
#include "platform/command_line.h"
#include "platform/event_log.h"
#include "platform/process.h"
#include "platform/text_rules.h"

namespace morvane::engine {

namespace {

using Clock = std::chrono::steady_clock;

// The converter's answer is read in pieces of this size.
constexpr std::size_t kInfoChunkBytes = 100;
// Lines longer than this are diagnostics, never the information line: they are skipped, not kept.
constexpr std::size_t kLongestInfoLine = 4096;
// A picture has no length of its own; it is shown for this many seconds.
constexpr int kStillPictureSeconds = 300;
constexpr unsigned kProbeModuleNumber = 16776961;

using platform::isBlank;

// Reads `line` against a pattern the way scanf would: a blank in the pattern skips any blanks, "%d"
// reads a signed decimal number, any other character must match. Gives how many numbers were read.
int scanNumbers(std::string_view line, std::string_view pattern, int* const* numbers, int count) {
    int read = 0;
    std::size_t at = 0;
    for (std::size_t p = 0; p < pattern.size(); ++p) {
        if (pattern[p] == ' ') {
            while (at < line.size() && isBlank(line[at])) {
                ++at;
            }
        } else if (pattern.substr(p, 2) == "%d") {
            ++p;
            bool negative = false;
            const std::size_t start =
                line.size() - platform::skipBlanksAndSign(line.substr(at), negative).size();
            // One sign at most, then digits: the magnitude is read unsigned so a second sign fails.
            if (start >= line.size() || line[start] < '0' || line[start] > '9' || read >= count) {
                return read;
            }
            unsigned long long magnitude = 0;
            const char* first = line.data() + start;
            const auto [end, error] = std::from_chars(first, line.data() + line.size(), magnitude);
            // Out of range numbers are held at the nearest value an int holds.
            const unsigned long long limit =
                negative ? static_cast<unsigned long long>(std::numeric_limits<int>::max()) + 1ULL
                         : static_cast<unsigned long long>(std::numeric_limits<int>::max());
            if (error == std::errc::result_out_of_range || magnitude > limit) {
                magnitude = limit;
            }
            const long long value =
                negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
            *numbers[read++] = static_cast<int>(value);
            at = static_cast<std::size_t>(end - line.data());
        } else {
            if (at >= line.size() || line[at] != pattern[p]) {
                return read;
            }
            ++at;
        }
    }
    return read;
}

// Collects the converter's output into lines and keeps the last information line it finds.
class InfoReader {
public:
    // Takes one piece of output; true once a line with a positive length was seen.
    bool take(std::string_view chunk) {
        for (const char c : chunk) {
            if (c == '\n') {
                if (!m_skipping && readLine(m_line)) {
                    return true;
                }
                m_line.clear();
                m_skipping = false;
            } else if (!m_skipping) {
                m_line.push_back(c);
                if (m_line.size() > kLongestInfoLine) {
                    m_line.clear();
                    m_skipping = true;
                }
            }
        }
        // A converter may print the line without its line feed and keep running.
        return !m_skipping && readLine(m_line);
    }

    const std::optional<ConverterInfo>& info() const { return m_info; }

private:
    bool readLine(std::string_view line) {
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (auto info = parseConverterInfoLine(line)) {
            m_info = info;
            return info->seconds > 0;
        }
        return false;
    }

    std::string m_line;
    bool m_skipping = false;
    std::optional<ConverterInfo> m_info;
};

// Waits for output until the deadline; false when none came in time.
bool waitReadable(int fd, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

void logProbeException() {
    char message[64];
    std::snprintf(message, sizeof message, "Module:%x,bGetMediaFileContent raise exception",
                  kProbeModuleNumber);
    platform::reportEvent(platform::EventType::Error, 1, message);
}

// The detector through its plugin, remembering what it read (MediaDetectorFunction's signature).
int detectRemembering(std::string_view path, double* duration, int* hasVideo, int* hasAudio,
                      double* frameRate, int* width, int* height, int* videoBitrate, double* audioBitrate,
                      double* sampleRate, int* channels) {
    media::MediaFacts facts;
    const int status = media::detectMediaFactsRemembering(std::string(path), facts);
    media::spreadMediaFacts(status == media::kDetectOk ? facts : media::MediaFacts{}, duration, hasVideo,
                            hasAudio, frameRate, width, height, videoBitrate, audioBitrate, sampleRate,
                            channels);
    return status;
}

} // namespace

std::optional<ConverterInfo> parseConverterInfoLine(std::string_view line) {
    while (!line.empty() && isBlank(line.front())) {
        line.remove_prefix(1);
    }
    ConverterInfo info;
    int* const numbers[] = {&info.seconds, &info.width, &info.height, &info.video, &info.audio};
    if (scanNumbers(line, "Duration:%d Width:%d Height:%d Video:%d Audio:%d", numbers, 5) != 5) {
        return std::nullopt;
    }
    return info;
}

std::int32_t probeWithConverter(std::string_view programDirectory, std::string_view path, int* seconds,
                                int* width, int* height, int* video, int* audio,
                                std::chrono::milliseconds timeLimit) {
    if (seconds == nullptr || width == nullptr || height == nullptr || video == nullptr || audio == nullptr) {
        return 0;
    }
    std::string converter(programDirectory);
    converter += "vec";
    std::string commandLine = platform::quoteArgument(converter);
    commandLine += " ";
    commandLine += "ffmpeg-converter";
    commandLine += " ";
    commandLine += "-info";
    commandLine += " ";
    commandLine += platform::quoteArgument(path);

    platform::SpawnOptions options;
    options.stdinMode = platform::StdStream::Closed;
    options.stdoutMode = platform::StdStream::Pipe;
    options.stderrMode = platform::StdStream::MergeWithStdout;
    // The converter is not waited for: once it has answered it is ended with the probe.
    platform::ChildProcess child = platform::ChildProcess::spawnCommandLine(commandLine, options);
    if (!child.valid()) {
        return 0;
    }

    const auto deadline = Clock::now() + timeLimit;
    InfoReader reader;
    char chunk[kInfoChunkBytes + 1];
    for (;;) {
        if (!waitReadable(child.stdoutFd(), deadline)) {
            break;
        }
        const ssize_t got = child.readStdout(chunk, kInfoChunkBytes);
        if (got <= 0) {
            break;
        }
        chunk[got] = '\0';
        if (reader.take(std::string_view(chunk, static_cast<std::size_t>(got)))) {
            break;
        }
    }
    if (!reader.info()) {
        return 0;
    }
    ConverterInfo info = *reader.info();
    if (info.seconds == 0 && info.video == 1 && info.width > 0 && info.height > 0) {
        info.seconds = kStillPictureSeconds;
    }
    *seconds = info.seconds;
    *width = info.width;
    *height = info.height;
    *video = info.video;
    *audio = info.audio;
    return info.seconds > 0 ? 1 : 0;
}

std::int32_t probeMediaFile(std::string_view programDirectory, const char* path, ConversionJob* job,
                            MediaDetectorFunction detector) {
    if (path == nullptr || job == nullptr || detector == nullptr) {
        return 0;
    }
    try {
        detector(path, &job->duration, &job->hasVideo, &job->hasAudio, &job->sourceFrameRate,
                 &job->sourceWidth, &job->sourceHeight, &job->sourceVideoBitrate, &job->sourceAudioBitrate,
                 &job->sourceSampleRate, &job->sourceChannels);
        // The detector's status is not needed: what it could read shows in the facts.
        if (job->duration > 0.0 && job->sourceWidth > 0 && job->sourceHeight > 0) {
            job->useFrameServer = 1;
            job->duration += 1.0;
            return 1;
        }
        int seconds = 0;
        if (probeWithConverter(programDirectory, path, &seconds, &job->sourceWidth, &job->sourceHeight,
                               &job->hasVideo, &job->hasAudio) == 1) {
            job->useFrameServer = 0;
            job->duration = seconds + 1.0;
            return 1;
        }
        return 0;
    } catch (...) {
    }
    try {
        int seconds = 0;
        if (probeWithConverter(programDirectory, path, &seconds, &job->sourceWidth, &job->sourceHeight,
                               &job->hasVideo, &job->hasAudio) == 1) {
            job->useFrameServer = 0;
            job->duration = seconds;
            return 1;
        }
    } catch (...) {
    }
    logProbeException();
    return 0;
}

std::int32_t probeMediaFile(std::string_view programDirectory, const char* path, ConversionJob* job) {
    return probeMediaFile(programDirectory, path, job, &detectRemembering);
}

} // namespace morvane::engine
