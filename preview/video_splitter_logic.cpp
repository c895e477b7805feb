#include "preview/video_splitter_logic.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/text_rules.h"
#include "platform/time_text.h"

namespace morvane::preview {

std::optional<int> parseSplitterTime(std::string_view text) {
    const platform::TimeTextParts parts = platform::readTimeTextParts(text, 2);
    // "00:00:034" is not 3 seconds: what the user sees must be what is read.
    if (parts.count != 3 ||
        !std::all_of(text.begin() + static_cast<std::ptrdiff_t>(parts.end), text.end(), platform::isBlank)) {
        return std::nullopt;
    }
    return static_cast<int>(parts.numbers[0] * 3600 + parts.numbers[1] * 60 + parts.numbers[2]);
}

std::string splitterTimeText(long long seconds) {
    return platform::formatTimeText(seconds);
}

int shownEnd(const SplitterValues& values) {
    if (!(values.mediaLength >= 0.0)) {
        return values.maximum;
    }
    const int rounded = wholeSeconds(std::round(values.mediaLength));
    return std::clamp(rounded, std::min(values.minimum, values.maximum), values.maximum);
}

int shownTime(int seconds, const SplitterValues& values) {
    return std::min(seconds, shownEnd(values));
}

bool emptyCut(const SplitterValues& values) {
    return shownTime(values.end, values) <= shownTime(values.start, values);
}

std::optional<TypedTime> readTypedTime(std::string_view text, TypedField field,
                                       const SplitterValues& values) {
    const std::optional<int> typed = parseSplitterTime(text);
    if (!typed) {
        return std::nullopt;
    }
    const int low = std::min(values.minimum, values.maximum);
    const int high = std::max(values.minimum, values.maximum);
    const int end = shownEnd(values);
    TypedTime taken;
    taken.typed = *typed;
    taken.held = *typed < low || *typed > end;
    taken.stored = std::clamp(*typed, low, high);
    // The shown end stands for the end of the file, which the maximum reaches.
    if (field == TypedField::End && taken.stored >= end) {
        taken.stored = high;
    }
    if (field == TypedField::Start ? taken.stored > values.end : taken.stored < values.start) {
        return std::nullopt;
    }
    return taken;
}

std::optional<int> acceptTypedTime(std::string_view text, TypedField field, const SplitterValues& values) {
    const auto taken = readTypedTime(text, field, values);
    if (!taken) {
        return std::nullopt;
    }
    return taken->stored;
}

int wholeSeconds(double seconds) {
    if (!std::isfinite(seconds)) {
        return 0;
    }
    return static_cast<int>(
        std::clamp(std::trunc(seconds), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

SplitterValues splitterValuesForRow(std::string_view startText, std::string_view endText, double duration) {
    SplitterValues values;
    values.maximum = std::max(wholeSeconds(duration), 0);
    // The row's cells are written by the program (hours may pass 99), so the general reader applies.
    const auto read = [&](std::string_view text, long long fallback) {
        return static_cast<int>(std::clamp(platform::parseTimeText(text).value_or(fallback), 0LL,
                                           static_cast<long long>(values.maximum)));
    };
    values.start = read(startText, 0);
    values.end = read(endText, values.maximum);
    if (duration >= 1.0) {
        values.mediaLength = duration - 1.0;
    }
    return values;
}

} // namespace morvane::preview
