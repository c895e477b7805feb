#include "engine/command_pieces.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/command_line.h"
#include "platform/text_rules.h"

namespace morvane::engine {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Drops leading blanks and a sign; tells whether the sign was a minus.
std::string_view skipBlanksAndSign(std::string_view text, bool& negative) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) {
        ++at;
    }
    negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    return text.substr(at);
}

struct TimeParts {
    long long hours = 0;
    long long minutes = 0;
    long long seconds = 0;
};

// Reads "h:m:s" as far as it goes: each number is an optional sign and digits; reading stops at the
// first piece that does not fit, and what was not read stays 0.
TimeParts readTimeParts(std::string_view text) {
    TimeParts parts;
    long long* const fields[] = {&parts.hours, &parts.minutes, &parts.seconds};
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) {
            if (text.empty() || text.front() != ':') {
                break;
            }
            text.remove_prefix(1);
        }
        bool negative = false;
        std::string_view digits = skipBlanksAndSign(text, negative);
        long long value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error == std::errc::invalid_argument) {
            break;
        }
        if (error == std::errc::result_out_of_range) {
            value = std::numeric_limits<std::int32_t>::max();
        }
        // A time text never needs more than 32 bits; larger numbers are held there.
        value = std::min<long long>(value, std::numeric_limits<std::int32_t>::max());
        *fields[i] = negative ? -value : value;
        text = digits.substr(static_cast<std::size_t>(end - digits.data()));
    }
    return parts;
}

} // namespace

void appendInteger(std::string& out, long long value) {
    std::array<char, 24> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    (void)error; // 24 characters hold every 64-bit number
    out.append(buffer.data(), end);
}

void appendTwoDecimals(std::string& out, double value) {
    // Wide enough for the largest double written in fixed notation.
    std::array<char, 320> buffer{};
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 2);
    if (error != std::errc()) {
        out += "0.00";
        return;
    }
    out.append(buffer.data(), end);
}

long long cutLengthSeconds(std::string_view startTime, std::string_view endTime) {
    const TimeParts start = readTimeParts(startTime);
    const TimeParts end = readTimeParts(endTime);
    return (end.hours - start.hours) * 3600 + (end.minutes - start.minutes) * 60 +
           (end.seconds - start.seconds);
}

std::string bareArgument(std::string_view text) {
    // A blank would split the value into further arguments (further options for the converter).
    if (text.find_first_of("\" \t") == std::string_view::npos) {
        return std::string(text);
    }
    return platform::quoteArgument(text);
}

std::string_view generalCodecName(std::string_view value) {
    struct Rename {
        std::string_view from;
        std::string_view to;
    };
    static constexpr Rename kRenames[] = {
        {"amr_nb", "libamr_nb"}, {"amr_wb", "libamr_wb"}, {"mp3", "libmp3lame"},
        {"vorbis", "libvorbis"}, {"xvid", "libxvid"},     {"a52", "liba52"},
        {"aad", "libfaad"},      {"aac", "libfaac"},      {"h264", "libx264"},
    };
    for (const auto& rename : kRenames) {
        if (platform::equalsNoCase(value, rename.from)) {
            return rename.to;
        }
    }
    return value;
}

} // namespace morvane::engine
