#pragma once

// Small text rules shared by the profile code (blanks, case-blind comparison, leading numbers).

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::profiles {

// Drops blanks (space, tab, line breaks, form feed, vertical tab) at both ends.
std::string_view trimBlanks(std::string_view text);

// ASCII letters compared without regard to case; other bytes exactly.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// The integer that `text` starts with, read as the C library's atoi reads it (leading blanks,
// an optional sign, then digits); 0 when there are no digits. Values beyond the 32-bit range
// are clamped to it instead of overflowing.
std::int32_t leadingInteger(std::string_view text);

} // namespace morvane::profiles
