#include "producer/progress_tracker.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace morvane::producer {

namespace {

bool isKeyCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::optional<double> parseDecimal(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

void LineSplitter::feed(std::string_view bytes, const std::function<void(std::string_view)>& onLine) {
    for (const char c : bytes) {
        if (c == '\n' || c == '\r') {
            if (!m_pending.empty()) {
                onLine(m_pending);
            }
            m_pending.clear();
            m_overflow = false;
        } else if (m_pending.size() < kMaxLine) {
            m_pending.push_back(c);
        } else {
            m_overflow = true;
        }
    }
}

void LineSplitter::finish(const std::function<void(std::string_view)>& onLine) {
    if (!m_pending.empty()) {
        onLine(m_pending);
    }
    m_pending.clear();
    m_overflow = false;
}

std::optional<double> parseClockTime(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    const auto hours = parseDecimal(text.substr(0, first));
    const auto minutes = parseDecimal(text.substr(first + 1, second - first - 1));
    const auto seconds = parseDecimal(text.substr(second + 1));
    if (!hours || !minutes || !seconds || *hours < 0 || *minutes < 0 || *seconds < 0) {
        return std::nullopt;
    }
    return *hours * 3600.0 + *minutes * 60.0 + *seconds;
}

ProgressTracker::Update ProgressTracker::onLine(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == 0 || equals == std::string_view::npos ||
        !std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(equals), isKeyCharacter)) {
        return {Kind::Message, std::nullopt};
    }
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    Update update;
    std::optional<double> seconds;
    // out_time_ms is in microseconds as well; out_time is the same clock as text.
    if (key == "out_time_us" || key == "out_time_ms") {
        if (const auto micro = parseDecimal(value)) {
            seconds = *micro / 1e6;
        }
    } else if (key == "out_time") {
        seconds = parseClockTime(value);
    } else if (key == "progress") {
        if (value == "end") {
            m_ended = true;
        }
        return update;
    }
    if (seconds && *seconds >= 0.0) {
        m_seconds = std::max(m_seconds, *seconds);
        if (m_total > 0.0) {
            const double share = std::floor(m_seconds / m_total * 100.0);
            update.percent = report(static_cast<int>(std::clamp(share, 0.0, 99.0)));
        }
    }
    return update;
}

std::optional<int> ProgressTracker::report(int percent) {
    if (percent <= m_last) {
        return std::nullopt;
    }
    m_last = percent;
    return percent;
}

} // namespace morvane::producer
