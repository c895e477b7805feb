#include "app/cli_batch_view.h"

#include <algorithm>

#include "app/batch_cli.h"

namespace morvane::app {

CliBatchView::CliBatchView(FileList& list, std::string outputFolder, bool terminal, std::FILE* out,
                           std::FILE* err)
    : m_list(list), m_outputFolder(std::move(outputFolder)), m_terminal(terminal), m_out(out), m_err(err) {}

MessageAnswer CliBatchView::ask(const Message& message) {
    const std::lock_guard lock(m_mutex);
    endLiveLine();
    if (message.caption.empty()) {
        std::fprintf(m_err, "%s\n", message.text.c_str());
    } else {
        std::fprintf(m_err, "%s: %s\n", message.caption.c_str(), message.text.c_str());
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
    if (column == kColumnStatus) {
        const auto& name = m_list.row(row).cells[kColumnFile];
        endLiveLine();
        std::fprintf(m_out, "%s: %s\n", name.c_str(), text.c_str());
        std::fflush(m_out);
    }
}

engine::ConversionJob* CliBatchView::job(int row) {
    const std::lock_guard lock(m_mutex);
    return m_list.validRow(row) ? m_list.row(row).job.get() : nullptr;
}

void CliBatchView::showProgress(int row, int percent) {
    const std::lock_guard lock(m_mutex);
    m_rowStarted = std::chrono::steady_clock::now();
    m_lastPercent = -1;
    drawProgress(row, percent);
}

void CliBatchView::setProgress(int row, int percent) {
    const std::lock_guard lock(m_mutex);
    drawProgress(row, percent);
}

void CliBatchView::removeProgress(int row) {
    const std::lock_guard lock(m_mutex);
    if (m_list.validRow(row)) {
        m_list.row(row).progress.reset();
    }
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
    if (!m_list.validRow(row)) {
        return;
    }
    auto& entry = m_list.row(row);
    entry.progress = percent;
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - m_rowStarted)
            .count();
    if (m_terminal) {
        std::fprintf(m_out, "\r%s\x1b[K",
                     progressLine(entry.cells[kColumnFile], percent, elapsed, 80).c_str());
        m_liveLineOpen = true;
    } else if (percent != m_lastPercent) {
        std::fprintf(m_out, "%s: %d%%\n", entry.cells[kColumnFile].c_str(), percent);
    }
    m_lastPercent = percent;
    std::fflush(m_out);
}

void CliBatchView::endLiveLine() {
    if (m_liveLineOpen) {
        std::fprintf(m_out, "\n");
        m_liveLineOpen = false;
    }
}

std::string CliBatchView::resultTable() {
    const std::lock_guard lock(m_mutex);
    std::size_t nameWidth = 9;
    for (int i = 0; i < m_list.rowCount(); ++i) {
        nameWidth = std::max(nameWidth, m_list.row(i).cells[kColumnFile].size());
    }
    nameWidth = std::min<std::size_t>(nameWidth, 48);
    std::string table = padCell("File", nameWidth) + "  " + padCell("Target", 10) + "  " +
                        padCell("Start", 9) + "  " + padCell("End", 9) + "  Status\n";
    for (int i = 0; i < m_list.rowCount(); ++i) {
        const auto& cells = m_list.row(i).cells;
        table += padCell(cells[kColumnFile], nameWidth) + "  " + padCell(cells[kColumnTarget], 10) + "  " +
                 padCell(cells[kColumnStart], 9) + "  " + padCell(cells[kColumnEnd], 9) + "  " +
                 cells[kColumnStatus] + "\n";
    }
    return table;
}

} // namespace morvane::app
