#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::producer {

// Cuts the encoder's output into lines at line feeds and carriage returns. Lines longer than
// kMaxLine are cut; empty lines are dropped.
class LineSplitter {
public:
    static constexpr std::size_t kMaxLine = 4096;

    void feed(std::string_view bytes, const std::function<void(std::string_view)>& onLine);
    // Hands out a last line that had no ending.
    void finish(const std::function<void(std::string_view)>& onLine);

private:
    std::string m_pending;
    bool m_overflow = false;
};

// Follows the encoder's machine-readable progress: blocks of "key=value" lines, each ended by
// "progress=continue" or, at the end, "progress=end". Other lines are messages.
class ProgressTracker {
public:
    enum class Kind { Progress, Message };

    struct Update {
        Kind kind = Kind::Progress;
        std::optional<int> percent; // a new, higher percentage (0 to 99; 100 only at the end)
    };

    // `totalSeconds` is the output length progress is measured against; 0: unknown (no percentages).
    explicit ProgressTracker(double totalSeconds) : m_total(totalSeconds) {}

    Update onLine(std::string_view line);

    bool ended() const { return m_ended; }
    int lastPercent() const { return m_last; }
    double outputSeconds() const { return m_seconds; }

private:
    std::optional<int> report(int percent);

    double m_total = 0.0;
    double m_seconds = 0.0;
    int m_last = -1;
    bool m_ended = false;
};

// "HH:MM:SS.ffffff" to seconds; nothing when malformed.
std::optional<double> parseClockTime(std::string_view text);

} // namespace morvane::producer
