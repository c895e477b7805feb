#include "platform/time_text.h"

#include <algorithm>
#include <cstdio>

#include "platform/text_rules.h"

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

TimeTextParts readTimeTextParts(std::string_view text, std::size_t width) {
    constexpr long long kLargest = 1'000'000'000'000LL; // far beyond any media length
    TimeTextParts parts;
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ':') {
                break;
            }
            ++pos;
        }
        bool negative = false;
        const std::string_view rest = skipBlanksAndSign(text.substr(pos), negative);
        const std::size_t start = text.size() - rest.size();
        const bool sign = start > pos && (text[start - 1] == '+' || text[start - 1] == '-');
        const std::size_t room =
            width == 0 ? rest.size() : width - std::min<std::size_t>(width, sign ? 1 : 0);
        long long value = 0;
        std::size_t digits = 0;
        for (; digits < room && digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9';
             ++digits) {
            if (value > kLargest) {
                parts.tooLarge = true;
            } else {
                value = value * 10 + (rest[digits] - '0');
            }
        }
        if (digits == 0) {
            break;
        }
        parts.numbers[i] = negative ? -value : value;
        parts.count = i + 1;
        pos = start + digits;
        parts.end = pos;
    }
    return parts;
}

std::optional<long long> parseTimeText(std::string_view text) {
    const TimeTextParts parts = readTimeTextParts(text);
    if (parts.count != 3 || parts.tooLarge) {
        return std::nullopt;
    }
    const long long total = parts.numbers[0] * 3600 + parts.numbers[1] * 60 + parts.numbers[2];
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
