#include "app/batch_progress.h"

#include <algorithm>
#include <cmath>

#include "engine/conversion_job.h"
#include "platform/time_text.h"
#include "platform/translation.h"
#include "profiles/profile.h"

namespace morvane::app {

namespace {

double secondsBetween(BatchProgress::Clock::time_point from, BatchProgress::Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

bool usable(double seconds) {
    return std::isfinite(seconds) && seconds > 0.0;
}

} // namespace

RowWork rowWork(const engine::ConversionJob* job, const std::string& startCell, const std::string& endCell) {
    if (job == nullptr) {
        return {};
    }
    const double duration = usable(job->duration) ? job->duration : 0.0;
    const auto start = platform::parseTimeText(startCell);
    const auto end = platform::parseTimeText(endCell);
    double seconds = duration;
    if (start && end && *end > *start) {
        // The End cell holds the duration cut to whole seconds: at or past it the cut runs to the end.
        const double to =
            duration > 0.0 && *end >= static_cast<long long>(duration) ? duration : static_cast<double>(*end);
        seconds = std::max(0.0, to - static_cast<double>(*start));
    }
    // The producer reports its own share of the work; the converter counts against the whole file.
    const bool ownShare = job->profile != nullptr && job->profile->isRealMedia();
    return RowWork{seconds, ownShare || duration <= 0.0 ? seconds : duration};
}

void BatchProgress::addRow(int row, RowWork work, Clock::time_point now) {
    auto& entry = m_rows[row];
    if (entry.percent >= 0 || entry.done) {
        return;
    }
    entry.work = work;
    estimate(now);
}

void BatchProgress::dropRow(int row, Clock::time_point now) {
    const auto it = m_rows.find(row);
    if (it == m_rows.end() || it->second.percent >= 0 || it->second.done) {
        return;
    }
    m_rows.erase(it);
    estimate(now);
}

void BatchProgress::rowProgress(int row, int percent, Clock::time_point now) {
    auto& entry = m_rows[row];
    entry.percent = std::max(entry.percent, std::clamp(percent, 0, 100));
    estimate(now);
}

void BatchProgress::rowDone(int row, Clock::time_point now) {
    m_rows[row].done = true;
    estimate(now);
}

BatchProgress::Totals BatchProgress::totals() const {
    // A row of unknown length weighs as much as an average row of known length.
    double known = 0.0;
    int knownRows = 0;
    for (const auto& [index, row] : m_rows) {
        if (usable(row.work.seconds)) {
            known += row.work.seconds;
            ++knownRows;
        }
    }
    const double average = knownRows > 0 ? known / knownRows : 1.0;
    Totals totals;
    for (const auto& [index, row] : m_rows) {
        const bool hasLength = usable(row.work.seconds);
        const double weight = hasLength ? row.work.seconds : average;
        double share = 0.0;
        if (row.done) {
            share = 1.0;
        } else if (row.percent > 0) {
            const double base = usable(row.work.percentBase) && hasLength ? row.work.percentBase : weight;
            share = std::min(1.0, row.percent / 100.0 * base / weight);
        }
        totals.all += weight;
        totals.converted += weight * share;
    }
    return totals;
}

int BatchProgress::percent() const {
    const bool allDone =
        std::all_of(m_rows.begin(), m_rows.end(), [](const auto& entry) { return entry.second.done; });
    if (m_rows.empty() || allDone) {
        return m_rows.empty() ? 0 : 100;
    }
    const auto [all, converted] = totals();
    return std::min(99, static_cast<int>(converted / all * 100.0));
}

void BatchProgress::estimate(Clock::time_point now) {
    const auto [all, converted] = totals();
    const double elapsed = secondsBetween(m_started, now);
    if (converted <= 0.0 || elapsed <= 0.0) {
        return;
    }
    const bool ready =
        elapsed >= static_cast<double>(kEstimateAfter.count()) &&
        (converted / all >= kEstimateFromShare || elapsed >= static_cast<double>(kEstimateLate.count()));
    if (!m_estimate && !ready) {
        return;
    }
    // The pace of the batch so far, in seconds of media per second, converts what is left.
    const double raw = (all - converted) * elapsed / converted;
    if (!m_estimate) {
        m_estimate = Estimate{now, raw};
        return;
    }
    // The last estimate, counted down to now, moves toward the new one by how much time has passed.
    const double since = std::max(0.0, secondsBetween(m_estimate->at, now));
    const double predicted = std::max(0.0, m_estimate->seconds - since);
    const double weight = 1.0 - std::exp(-since / kSmoothingSeconds);
    m_estimate = Estimate{now, all - converted <= 0.0 ? 0.0 : predicted + weight * (raw - predicted)};
}

std::optional<double> BatchProgress::secondsLeft(Clock::time_point now) const {
    if (!m_estimate) {
        return std::nullopt;
    }
    return std::max(0.0, m_estimate->seconds - std::max(0.0, secondsBetween(m_estimate->at, now)));
}

std::string timeLeftText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 60.0) {
        return platform::translate("BatchProgress", "less than a minute left");
    }
    const long long minutes = std::llround(seconds / 60.0);
    if (minutes < 60) {
        return platform::withArguments(platform::translate("BatchProgress", "about %1 min left"),
                                       {std::to_string(minutes)});
    }
    if (minutes % 60 == 0) {
        return platform::withArguments(platform::translate("BatchProgress", "about %1 h left"),
                                       {std::to_string(minutes / 60)});
    }
    return platform::withArguments(platform::translate("BatchProgress", "about %1 h %2 min left"),
                                   {std::to_string(minutes / 60), std::to_string(minutes % 60)});
}

std::string batchProgressText(int percent, std::optional<double> secondsLeft) {
    std::string text = std::to_string(std::clamp(percent, 0, 100)) + "%";
    if (secondsLeft) {
        text += " - " + timeLeftText(*secondsLeft);
    }
    return text;
}

BatchNotice batchEndNotice(const BatchCounts& counts) {
    BatchNotice notice;
    notice.problem = counts.failed > 0;
    notice.summary = notice.problem       ? platform::translate("BatchProgress", "Conversion failed")
                     : counts.stopped > 0 ? platform::translate("BatchProgress", "Conversion stopped")
                                          : platform::translate("BatchProgress", "Conversion finished");
    notice.body = counts.completed == 1
                      ? platform::translate("BatchProgress", "1 file converted")
                      : platform::withArguments(platform::translate("BatchProgress", "%1 files converted"),
                                                {std::to_string(counts.completed)});
    if (counts.failed > 0) {
        notice.body += platform::withArguments(platform::translate("BatchProgress", ", %1 failed"),
                                               {std::to_string(counts.failed)});
    }
    if (counts.stopped > 0) {
        notice.body += platform::withArguments(platform::translate("BatchProgress", ", %1 stopped"),
                                               {std::to_string(counts.stopped)});
    }
    return notice;
}

} // namespace morvane::app
