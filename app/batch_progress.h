#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>

namespace morvane::engine {
struct ConversionJob;
} // namespace morvane::engine

namespace morvane::app {

// What converting a row means in seconds of media: the length it converts (its cut, else the whole
// file) and the length its progress percentage is measured against (the converter counts a cut's
// time against the whole file's duration, so a cut row never reaches 100 on its own).
struct RowWork {
    double seconds = 0.0;
    double percentBase = 0.0;
};

// The work of a row from its job and its Start and End cells. A missing job gives no length (the
// batch then weighs the row as an average one).
RowWork rowWork(const engine::ConversionJob* job, const std::string& startCell, const std::string& endCell);

// The progress of a whole batch, from the rows that take part and the percentages they report, weighted
// by each row's seconds of media; and an estimate of the time left once enough has been converted to
// tell. Not thread-safe: a view serialises access. Times are passed in so that the arithmetic is the
// same whether one row runs at a time or several report interleaved.
class BatchProgress {
public:
    using Clock = std::chrono::steady_clock;

    // An estimate waits for this much time since the start and this share of the batch converted
    // (or for kEstimateLate alone, so a slow start still gets one).
    static constexpr std::chrono::seconds kEstimateAfter{5};
    static constexpr double kEstimateFromShare = 0.02;
    static constexpr std::chrono::seconds kEstimateLate{30};
    // How quickly the estimate follows a change of pace: its time constant, in seconds.
    static constexpr double kSmoothingSeconds = 12.0;

    explicit BatchProgress(Clock::time_point started) : m_started(started) {}

    // A row that takes part, or a new length for one the batch has not reached yet.
    void addRow(int row, RowWork work, Clock::time_point now);
    // A row unchecked before the batch reached it no longer takes part.
    void dropRow(int row, Clock::time_point now);
    // A row's percentage (its largest so far counts: the converter may report 1 past the end).
    void rowProgress(int row, int percent, Clock::time_point now);
    // Completed, failed or stopped: nothing is left to do for the row.
    void rowDone(int row, Clock::time_point now);

    bool contains(int row) const { return m_rows.count(row) != 0; }
    // 0 to 100; 100 only once every row is done.
    int percent() const;
    // Seconds left, counting down between reports; nothing until an estimate can be made.
    std::optional<double> secondsLeft(Clock::time_point now) const;

private:
    struct Row {
        RowWork work;
        int percent = -1; // -1 until the batch reaches the row
        bool done = false;
    };
    struct Totals {
        double all = 0.0;
        double converted = 0.0;
    };
    Totals totals() const;
    void estimate(Clock::time_point now);

    Clock::time_point m_started;
    std::map<int, Row> m_rows;
    struct Estimate {
        Clock::time_point at;
        double seconds = 0.0;
    };
    std::optional<Estimate> m_estimate;
};

// "less than a minute left", "about 3 min left", "about 1 h 20 min left".
std::string timeLeftText(double seconds);

// "42%", or "42% - about 3 min left" once there is an estimate.
std::string batchProgressText(int percent, std::optional<double> secondsLeft);

// How a batch ended, counted by row statuses.
struct BatchCounts {
    int completed = 0;
    int failed = 0;
    int stopped = 0;
};

// A desktop notice for the end of a batch.
struct BatchNotice {
    std::string summary;
    std::string body;
    bool problem = false; // a row failed
};
BatchNotice batchEndNotice(const BatchCounts& counts);

} // namespace morvane::app
