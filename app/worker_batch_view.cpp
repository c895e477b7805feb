#include "app/worker_batch_view.h"

#include <memory>
#include <optional>

namespace morvane::app {

WorkerBatchView::WorkerBatchView(BatchView& window, Post post)
    : m_window(window), m_post(std::move(post)), m_windowThread(std::this_thread::get_id()) {}

WorkerBatchView::Row WorkerBatchView::copyOf(const FileRow& row) {
    Row copy;
    copy.checked = row.checked;
    copy.cells = row.cells;
    if (row.job) {
        copy.job = *row.job;
    }
    if (row.profile) {
        copy.profile = *row.profile;
    }
    copy.job.profile = nullptr; // linked when the worker takes the row: the deque may still move it
    return copy;
}

void WorkerBatchView::begin(const FileList& rows, std::string outputFolder, bool shutdownChoice,
                            bool openFolderChoice) {
    std::deque<Row> copies;
    for (int i = 0; i < rows.rowCount(); ++i) {
        copies.push_back(copyOf(rows.row(i)));
    }
    const std::lock_guard lock(m_mutex);
    m_rows = std::move(copies);
    m_outputFolder = std::move(outputFolder);
    m_shutdownChoice.store(shutdownChoice);
    m_openFolderChoice.store(openFolderChoice);
}

void WorkerBatchView::rowAdded(const FileRow& row) {
    Row copy = copyOf(row);
    const std::lock_guard lock(m_mutex);
    m_rows.push_back(std::move(copy));
}

WorkerBatchView::Row* WorkerBatchView::rowAt(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size()) {
        return nullptr;
    }
    return &m_rows[static_cast<std::size_t>(row)];
}

void WorkerBatchView::rowChecked(int row, bool checked) {
    const std::lock_guard lock(m_mutex);
    if (auto* r = rowAt(row)) {
        r->checked = checked;
    }
}

void WorkerBatchView::rowCutChanged(int row, const std::string& start, const std::string& end) {
    const std::lock_guard lock(m_mutex);
    if (auto* r = rowAt(row)) {
        r->cells[kColumnStart] = start;
        r->cells[kColumnEnd] = end;
    }
}

void WorkerBatchView::rowProfileChanged(int row, const profiles::Profile& profile) {
    profiles::Profile copy = profile;
    const std::lock_guard lock(m_mutex);
    if (auto* r = rowAt(row); r != nullptr && !r->taken) {
        r->profile = std::move(copy);
        r->cells[kColumnTarget] = r->profile.targetText();
    }
}

void WorkerBatchView::closeDown() {
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_answered.notify_all();
}

MessageAnswer WorkerBatchView::defaultAnswer(const Message& message) {
    // A stop question nobody answers does not stop anything, nor does a countdown power anything off.
    return message.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
}

MessageAnswer WorkerBatchView::ask(const Message& message) {
    if (onWindowThread()) {
        return m_window.ask(message);
    }
    // The answer lives apart from the view so that a posted call that runs late finds it.
    struct Pending {
        std::optional<MessageAnswer> answer;
    };
    const auto pending = std::make_shared<Pending>();
    {
        const std::lock_guard lock(m_mutex);
        if (m_closing) {
            return defaultAnswer(message);
        }
    }
    m_post([this, pending, message] {
        const MessageAnswer answer = m_window.ask(message);
        {
            const std::lock_guard lock(m_mutex);
            pending->answer = answer;
        }
        m_answered.notify_all();
    });
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [&] { return pending->answer.has_value() || m_closing; });
    return pending->answer.value_or(defaultAnswer(message));
}

int WorkerBatchView::rowCount() {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

bool WorkerBatchView::isChecked(int row) {
    const std::lock_guard lock(m_mutex);
    const auto* r = rowAt(row);
    return r != nullptr && r->checked;
}

void WorkerBatchView::setChecked(int row, bool checked) {
    rowChecked(row, checked);
    toWindow([this, row, checked] { m_window.setChecked(row, checked); });
}

std::string WorkerBatchView::cellText(int row, int column) {
    const std::lock_guard lock(m_mutex);
    const auto* r = rowAt(row);
    if (r == nullptr || column < 0 || column >= kColumnCount) {
        return {};
    }
    return r->cells[static_cast<std::size_t>(column)];
}

void WorkerBatchView::setCellText(int row, int column, const std::string& text) {
    {
        const std::lock_guard lock(m_mutex);
        if (auto* r = rowAt(row); r != nullptr && column >= 0 && column < kColumnCount) {
            r->cells[static_cast<std::size_t>(column)] = text;
        }
    }
    toWindow([this, row, column, text] { m_window.setCellText(row, column, text); });
}

engine::ConversionJob* WorkerBatchView::job(int row) {
    const std::lock_guard lock(m_mutex);
    auto* r = rowAt(row);
    if (r == nullptr) {
        return nullptr;
    }
    r->taken = true;
    r->job.profile = &r->profile;
    return &r->job;
}

std::optional<RowFacts> WorkerBatchView::rowFacts(int row) {
    const std::lock_guard lock(m_mutex);
    const auto* r = rowAt(row);
    if (r == nullptr) {
        return std::nullopt;
    }
    return RowFacts{r->job.sourcePath.str(), r->profile.name, r->profile.isRealMedia()};
}

void WorkerBatchView::showProgress(int row, int percent) {
    toWindow([this, row, percent] { m_window.showProgress(row, percent); });
}

void WorkerBatchView::setProgress(int row, int percent) {
    toWindow([this, row, percent] { m_window.setProgress(row, percent); });
}

void WorkerBatchView::removeProgress(int row) {
    toWindow([this, row] { m_window.removeProgress(row); });
}

std::string WorkerBatchView::outputText() {
    const std::lock_guard lock(m_mutex);
    return m_outputFolder;
}

void WorkerBatchView::setOutputText(const std::string& text) {
    {
        const std::lock_guard lock(m_mutex);
        m_outputFolder = text;
    }
    toWindow([this, text] { m_window.setOutputText(text); });
}

void WorkerBatchView::setEditingEnabled(bool enabled) {
    toWindow([this, enabled] { m_window.setEditingEnabled(enabled); });
}

void WorkerBatchView::setStartEnabled(bool enabled) {
    toWindow([this, enabled] { m_window.setStartEnabled(enabled); });
}

void WorkerBatchView::stopPreview() {
    toWindow([this] { m_window.stopPreview(); });
}

void WorkerBatchView::openFolder(const std::string& folder) {
    toWindow([this, folder] { m_window.openFolder(folder); });
}

void WorkerBatchView::rowFinished(int row, const RowResult& result) {
    toWindow([this, row, result] { m_window.rowFinished(row, result); });
}

void WorkerBatchView::batchFinished() {
    toWindow([this] { m_window.batchFinished(); });
}

void WorkerBatchView::toWindow(std::function<void()> call) {
    if (onWindowThread()) {
        call();
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_closing) {
            return;
        }
    }
    m_post(std::move(call));
}

} // namespace morvane::app
