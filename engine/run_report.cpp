#include "engine/run_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "engine/command_pieces.h"
#include "platform/time_text.h"
#include "platform/translation.h"

namespace morvane::engine {

namespace {

bool isProgressOrCommand(std::string_view line) {
    for (const std::string_view start : {"frame=", "size=", "ffmpeg command:"}) {
        if (line.substr(0, start.size()) == start) {
            return true;
        }
    }
    return false;
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f s", value); // progress is told in whole seconds
    return text;
}

// Texts of a failure's last lines and what they mean, in a user's words.
const std::array<std::pair<std::string_view, const char*>, 10>& knownFailures() {
    static const std::array<std::pair<std::string_view, const char*>, 10> known = {{
        {"conversion interrupted by signal",
         QT_TRANSLATE_NOOP("RunReport", "the converter was ended by a signal")},
        {"No space left on device",
         QT_TRANSLATE_NOOP("RunReport", "the disk of the output folder is full (No space left on device)")},
        {"does not contain any stream",
         QT_TRANSLATE_NOOP("RunReport", "the source has no stream this profile converts (an audio profile "
                                        "needs an audio stream, a video profile a picture)")},
        {"is not above zero; there is nothing to convert",
         QT_TRANSLATE_NOOP("RunReport", "the cut starts at or after its end")},
        {"at or after the end of the",
         QT_TRANSLATE_NOOP("RunReport",
                           "nothing was converted: the cut starts at or after the end of the source")},
        {"too short for one frame of the target's encoder",
         QT_TRANSLATE_NOOP(
             "RunReport",
             "nothing was converted: the source is too short for one frame of this profile's encoder")},
        {"wrote no video frame and no audio sample",
         QT_TRANSLATE_NOOP("RunReport",
                           "nothing was converted: the output would hold no picture and no sound")},
        {"is the input itself", QT_TRANSLATE_NOOP("RunReport", "the output would replace the source")},
        {"Not a directory", QT_TRANSLATE_NOOP("RunReport", "the output folder is a file, not a folder")},
        {"Is a directory", QT_TRANSLATE_NOOP("RunReport", "the output name is a folder")},
    }};
    return known;
}

// The other notes of a run the user reads (patterns with %1 ..), kept in English in the trace and the
// JSON events and shown in the user's language.
constexpr const char* kShortOutputWarning = QT_TRANSLATE_NOOP(
    "RunReport",
    "the source ended early: the output holds %1 of the %2 its header gives (is the file complete?)");
constexpr const char* kRunNotes[] = {
    kShortOutputWarning,
    QT_TRANSLATE_NOOP("RunReport", "The converter failed: %1"),
    QT_TRANSLATE_NOOP("RunReport", "this profile's target has no command recipe"),
    QT_TRANSLATE_NOOP("RunReport", "the converter's command could not be made (the trace file tells why)"),
    QT_TRANSLATE_NOOP("RunReport", "stopped on request while converting; nothing was kept"),
    QT_TRANSLATE_NOOP("RunReport", "the conversion could not be prepared"),
    QT_TRANSLATE_NOOP("RunReport", "the converter could not be started"),
    QT_TRANSLATE_NOOP("RunReport", "the converter could not be started: %1"),
    QT_TRANSLATE_NOOP("RunReport", "the conversion met an unexpected error"),
    QT_TRANSLATE_NOOP("RunReport", "the converter was ended by a signal (%1)"),
    QT_TRANSLATE_NOOP("RunReport", "the converter failed with %1"),
    QT_TRANSLATE_NOOP("RunReport", "nothing new was written to \"%1\""),
    QT_TRANSLATE_NOOP("RunReport", "the converter's output could not be read"),
    QT_TRANSLATE_NOOP("RunReport", "the conversion failed (the trace file %1 tells why)"),
    QT_TRANSLATE_NOOP("RunReport", "the conversion failed (no trace file could be written)"),
    QT_TRANSLATE_NOOP("RunReport",
                      "the output name part \"%1\" holds a path separator, which would put the "
                      "output outside the output folder (a codec or extension value of the profile)"),
    QT_TRANSLATE_NOOP("RunReport",
                      "the output name part \"%1\" holds a zero byte, which would put the output "
                      "outside the output folder (a codec or extension value of the profile)"),
    QT_TRANSLATE_NOOP("RunReport", "the output name \"%1\" names no file in the output folder"),
    QT_TRANSLATE_NOOP("RunReport", "RealMedia producer: %1 stopped on request"),
    QT_TRANSLATE_NOOP("RunReport", "RealMedia producer: %1 failed (status %2)"),
};

} // namespace

void DiagnosticLines::add(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.remove_suffix(1);
    }
    if (line.empty()) {
        return;
    }
    if (m_lines.size() == kCapacity) {
        m_lines.pop_front();
    }
    m_lines.emplace_back(line);
}

std::string converterFailureReason(const std::deque<std::string>& lines) {
    const auto& known = knownFailures();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        for (const auto& [text, reason] : known) {
            if (line->find(text) != std::string::npos) {
                return reason;
            }
        }
    }
    // FFmpeg's own last word before the converter's verdict, else the converter's.
    std::string_view verdict;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const std::string_view text = *line;
        if (isProgressOrCommand(text)) {
            continue;
        }
        const bool converter = text.substr(0, 5) == "vec: ";
        const bool summary = (converter && (text.find("ffmpeg failed with") != std::string_view::npos ||
                                            text.find("ffmpeg wrote no data") != std::string_view::npos)) ||
                             text.substr(0, 22) == "The converter failed: ";
        if (!summary) {
            return std::string(converter ? text.substr(5) : text);
        }
        if (verdict.empty()) {
            verdict = converter ? text.substr(5) : text;
        }
    }
    return std::string(verdict);
}

std::optional<double> expectedOutputSeconds(const ConversionJob& job) {
    // The probe gives the length plus one second.
    const double length = job.duration - 1.0;
    if (!std::isfinite(length) || length <= 0.0) {
        return std::nullopt;
    }
    const auto start =
        job.startTime.empty() ? std::optional<long long>(0) : platform::parseTimeText(job.startTime.view());
    if (!start || static_cast<double>(*start) >= length) {
        return std::nullopt;
    }
    double expected = length - static_cast<double>(*start);
    if (!job.endTime.empty() && platform::parseTimeText(job.endTime.view())) {
        expected = std::min(expected,
                            static_cast<double>(cutLengthSeconds(job.startTime.view(), job.endTime.view())));
    }
    return expected > 0.0 ? std::optional<double>(expected) : std::nullopt;
}

std::optional<std::string> shortOutputWarning(double expectedSeconds, double convertedSeconds) {
    constexpr double kShortestMissing = 2.0; // progress is told in whole seconds
    constexpr double kShareMissing = 0.1;
    const double missing = expectedSeconds - convertedSeconds;
    if (!(missing >= kShortestMissing && missing >= kShareMissing * expectedSeconds)) {
        return std::nullopt;
    }
    return platform::withArguments(kShortOutputWarning,
                                   {seconds(std::max(convertedSeconds, 0.0)), seconds(expectedSeconds)});
}

std::string shownRunNote(const std::string& note) {
    for (const auto& [text, reason] : knownFailures()) {
        if (note == reason) {
            return platform::translate("RunReport", reason);
        }
    }
    for (const char* pattern : kRunNotes) {
        if (const auto arguments = platform::argumentsOf(pattern, note)) {
            return platform::withArguments(platform::translate("RunReport", pattern), *arguments);
        }
    }
    return note;
}

} // namespace morvane::engine
