#pragma once

// Text rules every layer shares: blanks, ASCII case folding and the leading numbers profile values
// and INI entries are read with. Case folding is ASCII only on purpose: names in profiles, INI keys
// and codec names compare the same whatever the locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::platform {

// A blank: space, tab, line feed, carriage return, form feed or vertical tab, whatever the locale.
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Drops blanks at both ends.
std::string_view trimBlanks(std::string_view text);

// Drops leading blanks and one sign; tells whether the sign was a minus.
std::string_view skipBlanksAndSign(std::string_view text, bool& negative);

constexpr char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Copies with ASCII letters folded; other bytes as they stand.
std::string toLowerAscii(std::string_view text);
std::string toUpperAscii(std::string_view text);

// ASCII letters compared without regard to case; other bytes exactly.
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool endsWithNoCase(std::string_view text, std::string_view suffix);

// The integer `text` starts with, read as the C library's atoi reads it (leading blanks, one optional
// sign, then digits); 0 when there are no digits. Values beyond the 32-bit range are held at its ends.
std::int32_t leadingInteger(std::string_view text);

// The decimal number `text` starts with (leading blanks, one optional sign), always with "." as the
// decimal point whatever the locale; 0 when it starts with none or names no finite number.
double leadingDecimal(std::string_view text);

} // namespace morvane::platform
