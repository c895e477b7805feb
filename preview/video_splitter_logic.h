#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane::preview {

// The interval the splitter's slider spans and the cut chosen in it, in whole seconds.
struct SplitterValues {
    int minimum = 0;
    int start = 0;
    int end = 0;
    int maximum = 0;
    friend bool operator==(const SplitterValues&, const SplitterValues&) = default;
};

// Reads a time typed into the splitter: "H:M:S", each number from at most two characters (a sign
// counts as one; blanks before a number do not), minutes and seconds above 59 taken as they stand,
// so hours above 99 cannot be typed. Only blanks may follow. Nothing when the text does not match.
std::optional<int> parseSplitterTime(std::string_view text);

// Seconds as the splitter shows them, "%02d:%02d:%02d".
std::string splitterTimeText(long long seconds);

enum class TypedField { Start, End };

// The value a time typed into Start or End is stored as: parsed, held to the slider's interval,
// and then accepted only when the start stays at or before the end. Nothing when refused.
std::optional<int> acceptTypedTime(std::string_view text, TypedField field, const SplitterValues& values);

// Whole seconds of a slider value (truncated toward zero).
int wholeSeconds(double seconds);

// The values the splitter opens with for a file-list row: its Start and End texts (as the list
// writes them), with 0 and the file's length where a text does not read as a time; the maximum is the length
// truncated toward zero, and both ends are held to 0..maximum.
SplitterValues splitterValuesForRow(std::string_view startText, std::string_view endText, double duration);

} // namespace morvane::preview
