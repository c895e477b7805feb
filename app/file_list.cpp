#include "app/file_list.h"

#include <algorithm>
#include <cmath>

#include "platform/time_text.h"

namespace morvane::app {

std::string targetCellText(const profiles::Profile& profile) {
    return profile.targetText();
}

std::string endCellText(double durationSeconds) {
    if (!std::isfinite(durationSeconds) || durationSeconds < 0) {
        durationSeconds = 0;
    }
    return platform::formatTimeText(static_cast<long long>(durationSeconds));
}

int FileList::append(std::unique_ptr<engine::ConversionJob> job, std::unique_ptr<profiles::Profile> profile) {
    FileRow row;
    row.checked = true;
    row.cells[kColumnFile] = platform::fileNameOfPath(job->sourcePath.view()).value_or(std::string());
    row.cells[kColumnTarget] = profile ? profile->targetText() : std::string();
    row.cells[kColumnStart] = "00:00:00";
    row.cells[kColumnEnd] = endCellText(job->duration);
    row.cells[kColumnStatus] = kStatusReady;
    job->profile = profile.get();
    row.profile = std::move(profile);
    row.job = std::move(job);
    m_rows.push_back(std::move(row));
    return rowCount() - 1;
}

int FileList::appendRow(FileRow row) {
    m_rows.push_back(std::move(row));
    return rowCount() - 1;
}

bool FileList::remove(int row) {
    if (!validRow(row)) {
        return false;
    }
    m_rows.erase(m_rows.begin() + row);
    return true;
}

void FileList::removeAll() {
    // Last to first, as the list deletes its rows.
    while (!m_rows.empty()) {
        m_rows.pop_back();
    }
}

bool FileList::moveUp(int row) {
    if (!validRow(row) || row == 0) {
        return false;
    }
    std::swap(m_rows[static_cast<std::size_t>(row)], m_rows[static_cast<std::size_t>(row - 1)]);
    return true;
}

bool FileList::moveDown(int row) {
    if (!validRow(row) || row == rowCount() - 1) {
        return false;
    }
    std::swap(m_rows[static_cast<std::size_t>(row)], m_rows[static_cast<std::size_t>(row + 1)]);
    return true;
}

void FileList::checkAll(bool checked) {
    for (auto& row : m_rows) {
        row.checked = checked;
    }
}

int FileList::firstChecked() const {
    const auto it = std::find_if(m_rows.begin(), m_rows.end(), [](const FileRow& r) { return r.checked; });
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

} // namespace morvane::app
