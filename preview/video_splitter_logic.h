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
    // The file's own length in seconds, below 0 when unknown. The maximum is only a bound: the probe
    // gives the length plus one second, so that a cut to the maximum always takes the whole file.
    double mediaLength = -1.0;
    friend bool operator==(const SplitterValues&, const SplitterValues&) = default;
};

// The file's end as the splitter shows it, in whole seconds: its length rounded to the nearest
// second (never past the maximum), or the maximum when the length is unknown.
int shownEnd(const SplitterValues& values);
// A stored time as the splitter shows it: a time past the file's end (up to the maximum) shows as
// the end.
int shownTime(int seconds, const SplitterValues& values);
// Whether the cut as shown has no length: OK is refused then.
bool emptyCut(const SplitterValues& values);

// Reads a time typed into the splitter: "H:M:S", each number from at most two characters (a sign
// counts as one; blanks before a number do not), minutes and seconds above 59 taken as they stand,
// so hours above 99 cannot be typed. Only blanks may follow. Nothing when the text does not match.
std::optional<int> parseSplitterTime(std::string_view text);

// Seconds as the splitter shows them, "%02d:%02d:%02d".
std::string splitterTimeText(long long seconds);

enum class TypedField { Start, End };

// A time typed into Start or End as it is taken: the value stored, and whether the typed value lay
// outside the file (before the minimum or past the shown end) and was held to it.
struct TypedTime {
    int typed = 0;
    int stored = 0;
    bool held = false;
};

// Reads a time typed into Start or End: parsed, held to the slider's interval, an End at or past
// the file's shown end taken as the maximum (the whole file), and accepted only when the start
// stays at or before the end. Nothing when refused.
std::optional<TypedTime> readTypedTime(std::string_view text, TypedField field, const SplitterValues& values);

// The value a time typed into Start or End is stored as (readTypedTime's stored value).
std::optional<int> acceptTypedTime(std::string_view text, TypedField field, const SplitterValues& values);

// Whole seconds of a slider value (truncated toward zero).
int wholeSeconds(double seconds);

// The values the splitter opens with for a file-list row: its Start and End texts (as the list
// writes them), with 0 and the file's length where a text does not read as a time; the maximum is the length
// truncated toward zero, and both ends are held to 0..maximum. `duration` is the probe's, one second
// more than the file's length, which the values keep as the media length.
SplitterValues splitterValuesForRow(std::string_view startText, std::string_view endText, double duration);

} // namespace morvane::preview
