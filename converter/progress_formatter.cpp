#include "converter/progress_formatter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace morvane::converter {

std::vector<std::string> LineSplitter::feed(std::string_view bytes) {
    std::vector<std::string> lines;
    for (const char c : bytes) {
        if (c == '\n' && m_afterCarriageReturn) {
            m_afterCarriageReturn = false; // the second half of a CR LF pair
            continue;
        }
        m_afterCarriageReturn = c == '\r';
        if (c == '\n' || c == '\r') {
            if (!m_partial.empty()) {
                lines.push_back(std::move(m_partial));
                m_partial.clear();
            }
            continue;
        }
        m_partial.push_back(c);
    }
    return lines;
}

std::optional<std::string> LineSplitter::finish() {
    m_afterCarriageReturn = false;
    if (m_partial.empty()) {
        return std::nullopt;
    }
    std::string rest = std::move(m_partial);
    m_partial.clear();
    return rest;
}

std::string formatProgressLine(const ProgressUpdate& update) {
    char line[256];
    const double kilobytes = std::round(static_cast<double>(update.sizeBytes) / 1024.0);
    if (update.hasVideo) {
        std::snprintf(line, sizeof line,
                      "frame= %lld fps= %.0f q= %.1f size= %.0fkB time=%.2f bitrate= %.1fkbits/s\n",
                      static_cast<long long>(update.frame), update.fps, update.quality, kilobytes,
                      update.seconds, update.kilobitsPerSecond);
    } else {
        std::snprintf(line, sizeof line, "size= %.0fkB time=%.2f bitrate= %.1fkbits/s\n", kilobytes,
                      update.seconds, update.kilobitsPerSecond);
    }
    return line;
}

namespace {

std::optional<double> number(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(value)) {
        return std::nullopt; // "N/A"
    }
    return value;
}

} // namespace

std::optional<ProgressUpdate> ProgressReader::feedLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string key(line.substr(0, equals));
    std::string value(line.substr(equals + 1));
    while (!value.empty() && value.front() == ' ') {
        value.erase(0, 1);
    }
    if (key != "progress") {
        m_values[key] = std::move(value);
        return std::nullopt;
    }

    ProgressUpdate update;
    update.last = value == "end";
    const auto get = [&](std::string_view name) -> std::optional<double> {
        const auto it = m_values.find(name);
        return it == m_values.end() ? std::nullopt : number(it->second);
    };
    if (const auto frame = get("frame")) {
        update.hasVideo = true;
        update.frame = static_cast<std::int64_t>(std::max(*frame, 0.0));
        update.fps = std::max(get("fps").value_or(0.0), 0.0);
        for (const auto& [name, text] : m_values) {
            // The first stream's quantiser, "stream_<file>_<stream>_q".
            if (name.rfind("stream_", 0) == 0 && name.size() > 2 &&
                name.compare(name.size() - 2, 2, "_q") == 0) {
                update.quality = number(text).value_or(0.0);
                break;
            }
        }
    }
    update.sizeBytes = static_cast<std::int64_t>(std::max(get("total_size").value_or(0.0), 0.0));
    if (const auto micro = get("out_time_us")) {
        m_lastSeconds = std::max(*micro / 1e6, 0.0);
    }
    update.seconds = m_lastSeconds;
    if (const auto bitrate = get("bitrate")) {
        update.kilobitsPerSecond = *bitrate;
    } else if (update.seconds > 0.0) {
        update.kilobitsPerSecond = static_cast<double>(update.sizeBytes) * 8.0 / update.seconds / 1000.0;
    }
    m_values.clear();
    return update;
}

} // namespace morvane::converter
