#include "platform/time_text.h"

#include <cctype>
#include <cstdio>

namespace morvane::platform {

std::string formatTimeText(long long seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds % 3600 / 60,
                  seconds % 60);
    return text;
}

namespace {
// One number as "%d" reads it: blanks, an optional sign, at least one digit.
bool readNumber(std::string_view text, std::size_t& pos, long long& value) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])) != 0) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t first = pos;
    value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) != 0) {
        if (value > 1'000'000'000'000LL) {
            return false; // far beyond any media length
        }
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (negative) {
        value = -value;
    }
    return pos > first;
}
} // namespace

std::optional<long long> parseTimeText(std::string_view text) {
    std::size_t pos = 0;
    long long parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ':') {
                return std::nullopt;
            }
            ++pos;
        }
        if (!readNumber(text, pos, parts[i])) {
            return std::nullopt;
        }
    }
    const long long total = parts[0] * 3600 + parts[1] * 60 + parts[2];
    if (total < 0) {
        return std::nullopt;
    }
    return total;
}

std::optional<std::string> fileNameOfPath(std::string_view path) {
    if (path.empty()) {
        return std::nullopt;
    }
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace morvane::platform
