#include "engine/command_pieces.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "platform/command_line.h"
#include "platform/text_rules.h"
#include "platform/time_text.h"

namespace morvane::engine {

namespace {

// Reads "h:m:s" as far as it goes; what was not read stays 0. A time text never needs more than 32
// bits: larger numbers are held there.
long long timeTextSeconds(std::string_view text) {
    const platform::TimeTextParts parts = platform::readTimeTextParts(text);
    constexpr long long kLargest = std::numeric_limits<std::int32_t>::max();
    long long total = 0;
    for (int i = 0; i < 3; ++i) {
        const long long magnitude = std::min(std::abs(parts.numbers[i]), kLargest);
        total = total * 60 + (parts.numbers[i] < 0 ? -magnitude : magnitude);
    }
    return total;
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
    return timeTextSeconds(endTime) - timeTextSeconds(startTime);
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
