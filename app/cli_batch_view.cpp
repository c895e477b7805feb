#include "app/cli_batch_view.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <utility>

#include <nlohmann/json.hpp>

#include "app/batch_cli.h"
#include "app/batch_driver.h"
#include "engine/run_report.h"
#include "platform/fixed_text.h"

namespace morvane::app {

namespace {

using Json = nlohmann::ordered_json;

// One event line; texts that are not valid UTF-8 (file names can be any bytes) are replaced, not refused.
std::string eventLine(const Json& event) {
    return event.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace

std::string profileListEntry(const std::string& name, const std::string& path,
                             const std::string& unavailable) {
    Json entry{{"id", profileIdOf(path)}, {"name", name}, {"file", path}};
    if (!unavailable.empty()) {
        entry["unavailable"] = unavailable;
    }
    std::string line = eventLine(entry);
    line.pop_back();
    return line;
}

CliBatchView::CliBatchView(FileList& list, std::string outputFolder, bool terminal, std::FILE* out,
                           std::FILE* err, Style style)
    : m_list(list), m_outputFolder(std::move(outputFolder)), m_terminal(terminal && style == Style::Text),
      m_out(out), m_err(err), m_style(style) {}

void CliBatchView::emitEvent(const std::string& line) {
    std::fputs(line.c_str(), m_out);
    std::fflush(m_out);
}

void CliBatchView::rowAdded(int row, const std::string& profileName) {
    const std::lock_guard lock(m_mutex);
    if (!json() || !m_list.validRow(row)) {
        return;
    }
    const auto& entry = m_list.row(row);
    emitEvent(eventLine(Json{{"event", "added"},
                             {"row", row},
                             {"file", entry.job ? entry.job->sourcePath.str() : std::string()},
                             {"name", entry.cells[kColumnFile]},
                             {"profile", profileName},
                             {"duration", entry.job ? entry.job->duration : 0.0}}));
}

void CliBatchView::fileSkipped(const std::string& path, const std::string& reason) {
    const std::lock_guard lock(m_mutex);
    if (json()) {
        emitEvent(eventLine(Json{{"event", "skipped"}, {"file", path}, {"reason", reason}}));
    }
}

void CliBatchView::rowFinished(int row, const RowResult& result) {
    const std::lock_guard lock(m_mutex);
    if (m_outcomeRecorder) {
        m_outcomeRecorder(row, result);
    }
    if (m_batch) {
        m_batch->rowDone(row, BatchProgress::Clock::now());
    }
    if (!m_list.validRow(row)) {
        return;
    }
    if (!json()) {
        if (!result.warning.empty()) {
            endLiveLine();
            std::fprintf(m_err, "%s: %s: %s\n", shownCaption("Warning").c_str(),
                         m_list.row(row).cells[kColumnFile].c_str(),
                         engine::shownRunNote(result.warning).c_str());
            std::fflush(m_err);
        }
        return;
    }
    const auto& entry = m_list.row(row);
    emitEvent(eventLine(Json{{"event", "finished"},
                             {"row", row},
                             {"file", entry.job ? entry.job->sourcePath.str() : std::string()},
                             {"name", entry.cells[kColumnFile]},
                             {"status", result.status},
                             {"output", result.outputPath.empty() ? Json(nullptr) : Json(result.outputPath)},
                             {"seconds", result.seconds},
                             {"reason", result.reason},
                             {"warning", result.warning.empty() ? Json(nullptr) : Json(result.warning)}}));
}

void CliBatchView::fileDoneBefore(const std::string& path, const std::string& output) {
    const std::lock_guard lock(m_mutex);
    if (json()) {
        emitEvent(eventLine(Json{{"event", "skipped"},
                                 {"file", path},
                                 {"reason", "already converted (journal)"},
                                 {"output", output}}));
        return;
    }
    std::fprintf(
        m_out, "%s\n",
        platform::withArguments(platform::translate("CliBatchView", "Already converted (journal): %1 -> %2"),
                                {path, output})
            .c_str());
    std::fflush(m_out);
}

void CliBatchView::batchEnded(int exitCode, bool stopped) {
    const std::lock_guard lock(m_mutex);
    if (!json()) {
        return;
    }
    int completed = 0;
    for (int i = 0; i < m_list.rowCount(); ++i) {
        completed += m_list.row(i).cells[kColumnStatus] == kStatusCompleted ? 1 : 0;
    }
    emitEvent(eventLine(Json{{"event", "end"},
                             {"rows", m_list.rowCount()},
                             {"completed", completed},
                             {"stopped", stopped},
                             {"exit", exitCode}}));
}

namespace {

std::vector<std::string_view> traceLines(std::string_view trace) {
    std::vector<std::string_view> lines;
    while (!trace.empty()) {
        const auto end = std::min(trace.find('\n'), trace.size());
        std::string_view line = trace.substr(0, end);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
        trace.remove_prefix(std::min(end + 1, trace.size()));
    }
    return lines;
}

// The message that a conversion failed, in the user's language: it begins as one of its two
// patterns does, up to the first quote.
bool isConversionFailureText(const std::string& text) {
    for (const char* pattern : {kConversionFailedText, kConversionFailedNoTraceText}) {
        const std::string shown = platform::translate("BatchDriver", pattern);
        if (text.rfind(shown.substr(0, shown.find('"')), 0) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string failureReasonFromTrace(std::string_view trace) {
    auto lines = traceLines(trace);
    const auto command = std::find_if(lines.rbegin(), lines.rend(), [](std::string_view line) {
        return line.find("ffmpeg-converter") != std::string_view::npos;
    });
    if (command != lines.rend()) {
        lines.erase(lines.begin(), command.base());
    }
    return engine::converterFailureReason(std::deque<std::string>(lines.begin(), lines.end()));
}

std::string conversionTraceLines(std::string_view trace, std::string_view tag) {
    std::string lines;
    for (std::size_t at = 0; !tag.empty() && at < trace.size();) {
        const auto end = std::min(trace.find('\n', at), trace.size());
        const std::string_view line = trace.substr(at, end - at + (end < trace.size() ? 1 : 0));
        if (line.substr(0, tag.size()) == tag) {
            lines.append(line.substr(tag.size()));
        }
        at = end + 1;
    }
    return lines.empty() ? std::string(trace) : lines;
}

MessageAnswer CliBatchView::ask(const Message& message) {
    const std::lock_guard lock(m_mutex);
    endLiveLine();
    std::string text = message.text;
    std::string reason;
    const std::string accomplished = platform::translate("BatchDriver", kMissionAccomplishedText);
    if (isConversionFailureText(text)) {
        // The box's second line says why; here it follows as a line of its own.
        if (const auto lineBreak = text.find('\n'); lineBreak != std::string::npos) {
            reason = text.substr(lineBreak + 1);
            text.erase(lineBreak);
        }
    } else if (text.rfind(accomplished, 0) == 0) {
        text = accomplished; // each warning was told with its file
    }
    if (message.caption.empty()) {
        std::fprintf(m_err, "%s\n", text.c_str());
    } else {
        std::fprintf(m_err, "%s: %s\n", shownCaption(message.caption).c_str(), text.c_str());
    }
    if (!reason.empty()) {
        std::fprintf(
            m_err, "%s\n",
            platform::withArguments(platform::translate("CliBatchView", "Reason: %1"), {reason}).c_str());
    }
    std::fflush(m_err);
    // Nobody is there to answer: a question is taken as confirmed (only a confirmed Ctrl-C asks).
    return message.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

int CliBatchView::rowCount() {
    const std::lock_guard lock(m_mutex);
    return m_list.rowCount();
}

bool CliBatchView::isChecked(int row) {
    const std::lock_guard lock(m_mutex);
    return m_list.validRow(row) && m_list.row(row).checked;
}

void CliBatchView::setChecked(int row, bool checked) {
    const std::lock_guard lock(m_mutex);
    if (m_list.validRow(row)) {
        m_list.row(row).checked = checked;
    }
}

std::string CliBatchView::cellText(int row, int column) {
    const std::lock_guard lock(m_mutex);
    if (!m_list.validRow(row) || column < 0 || column >= kColumnCount) {
        return {};
    }
    return m_list.row(row).cells[static_cast<std::size_t>(column)];
}

void CliBatchView::setCellText(int row, int column, const std::string& text) {
    const std::lock_guard lock(m_mutex);
    if (!m_list.validRow(row) || column < 0 || column >= kColumnCount) {
        return;
    }
    m_list.row(row).cells[static_cast<std::size_t>(column)] = text;
    if (column == kColumnStatus && !json()) {
        const auto& name = m_list.row(row).cells[kColumnFile];
        endLiveLine();
        std::fprintf(m_out, "%s: %s\n", name.c_str(), platform::translate("FileList", text.c_str()).c_str());
        std::fflush(m_out);
    }
}

engine::ConversionJob* CliBatchView::job(int row) {
    const std::lock_guard lock(m_mutex);
    return m_list.validRow(row) ? m_list.row(row).job.get() : nullptr;
}

void CliBatchView::showProgress(int row, int percent) {
    const std::lock_guard lock(m_mutex);
    m_running[row] = RowClock{std::chrono::steady_clock::now(), -1};
    trackProgress(row, percent);
    drawProgress(row, percent);
}

void CliBatchView::setProgress(int row, int percent) {
    const std::lock_guard lock(m_mutex);
    trackProgress(row, percent);
    drawProgress(row, percent);
}

void CliBatchView::trackProgress(int row, int percent) {
    if (!m_list.validRow(row) || m_running.count(row) == 0) {
        return;
    }
    const auto now = BatchProgress::Clock::now();
    const auto join = [&](int index) {
        const auto& entry = m_list.row(index);
        m_batch->addRow(index, rowWork(entry.job.get(), entry.cells[kColumnStart], entry.cells[kColumnEnd]),
                        now);
    };
    if (!m_batch) {
        m_batch.emplace(now);
        for (int i = 0; i < m_list.rowCount(); ++i) {
            if (m_list.row(i).checked) {
                join(i);
            }
        }
    }
    if (!m_batch->contains(row)) {
        join(row);
    }
    m_batch->rowProgress(row, percent, now);
}

void CliBatchView::removeProgress(int row) {
    const std::lock_guard lock(m_mutex);
    if (m_list.validRow(row)) {
        m_list.row(row).progress.reset();
    }
    m_running.erase(row);
}

std::string CliBatchView::outputText() {
    const std::lock_guard lock(m_mutex);
    return m_outputFolder;
}

void CliBatchView::setOutputText(const std::string& text) {
    const std::lock_guard lock(m_mutex);
    m_outputFolder = text;
}

void CliBatchView::drawProgress(int row, int percent) {
    const auto running = m_running.find(row);
    // A late report for a row that has ended changes nothing.
    if (!m_list.validRow(row) || running == m_running.end()) {
        return;
    }
    auto& entry = m_list.row(row);
    entry.progress = percent;
    auto& clock = running->second;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - clock.started).count();
    const bool changed = percent != clock.lastPercent;
    clock.lastPercent = percent;
    if (json()) {
        if (changed) {
            // The whole batch's share and the seconds it has left (null until they can be told).
            const auto left = m_batch->secondsLeft(BatchProgress::Clock::now());
            emitEvent(
                eventLine(Json{{"event", "progress"},
                               {"row", row},
                               {"name", entry.cells[kColumnFile]},
                               {"percent", percent},
                               {"seconds", seconds},
                               {"batch_percent", m_batch->percent()},
                               {"batch_seconds_left", left ? Json(std::llround(*left)) : Json(nullptr)}}));
        }
        return;
    }
    if (m_terminal) {
        std::fprintf(m_out, "\r%s\x1b[K", liveLine().c_str());
        m_liveLineOpen = true;
    } else if (changed) {
        std::fprintf(m_out, "%s: %d%%\n", entry.cells[kColumnFile].c_str(), percent);
    }
    std::fflush(m_out);
}

std::string CliBatchView::liveLine() {
    constexpr std::size_t kWidth = 80;
    const auto now = std::chrono::steady_clock::now();
    // The whole batch at the end of the line, in room of its own so that the files' columns stay put.
    constexpr std::size_t kBatchWidth = 37; // " | all 100% - less than a minute left"
    const std::string batch = platform::translate("CliBatchView", " | all ") +
                              batchProgressText(m_batch->percent(), m_batch->secondsLeft(now));
    const std::size_t width = kWidth - kBatchWidth;
    if (m_running.size() == 1) {
        const auto& [row, clock] = *m_running.begin();
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - clock.started).count();
        return progressLine(m_list.row(row).cells[kColumnFile], clock.lastPercent, elapsed, width, 10) +
               batch;
    }
    // Several files at once: each with its percentage, the names shortened so that every percentage fits.
    const auto files = static_cast<long>(m_running.size());
    const long each = (static_cast<long>(width) - 3 * (files - 1)) / files;
    const auto nameWidth = static_cast<std::size_t>(std::clamp<long>(each, 8, 21) - 5);
    std::string line;
    for (const auto& [row, clock] : m_running) {
        char percent[8];
        std::snprintf(percent, sizeof percent, "%4d%%", std::clamp(clock.lastPercent, 0, 100));
        line +=
            (line.empty() ? "" : " | ") + padCell(m_list.row(row).cells[kColumnFile], nameWidth) + percent;
    }
    return padCell(line, width) + batch;
}

void CliBatchView::endLiveLine() {
    if (m_liveLineOpen) {
        std::fprintf(m_out, "\n");
        m_liveLineOpen = false;
    }
}

std::string CliBatchView::resultTable() {
    const std::lock_guard lock(m_mutex);
    const std::string fileHeading = platform::translate("CliBatchView", "File");
    std::size_t nameWidth = std::max<std::size_t>(9, fileHeading.size());
    for (int i = 0; i < m_list.rowCount(); ++i) {
        nameWidth = std::max(nameWidth, m_list.row(i).cells[kColumnFile].size());
    }
    nameWidth = std::min<std::size_t>(nameWidth, 48);
    std::string table = padCell(fileHeading, nameWidth) + "  " +
                        padCell(platform::translate("CliBatchView", "Target"), 10) + "  " +
                        padCell(platform::translate("CliBatchView", "Start"), 9) + "  " +
                        padCell(platform::translate("CliBatchView", "End"), 9) + "  " +
                        platform::translate("CliBatchView", "Status") + "\n";
    for (int i = 0; i < m_list.rowCount(); ++i) {
        const auto& cells = m_list.row(i).cells;
        table += padCell(cells[kColumnFile], nameWidth) + "  " + padCell(cells[kColumnTarget], 10) + "  " +
                 padCell(cells[kColumnStart], 9) + "  " + padCell(cells[kColumnEnd], 9) + "  " +
                 platform::translate("FileList", cells[kColumnStatus].c_str()) + "\n";
    }
    return table;
}

} // namespace morvane::app
