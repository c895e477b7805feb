#pragma once

// Small text tools the command builders share: numbers written the way the converter's command lines
// expect them, and argument texts that survive the command-line splitter. (Numbers are read from
// profile values with platform/text_rules.h.)

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::engine {

// "%d" and "%.2f" as the C library writes them in the "C" locale, whatever the program's locale is.
void appendInteger(std::string& out, long long value);
void appendTwoDecimals(std::string& out, double value);

// Seconds between two "hh:mm:ss" texts: (end hours - start hours) * 3600 + (end minutes - start
// minutes) * 60 + (end seconds - start seconds). A number missing from a text counts as 0.
long long cutLengthSeconds(std::string_view startTime, std::string_view endTime);

// A text the command line carries without quotes (codec names, values of profile options) when it
// can: as it stands unless it holds a blank, a tab or a double quote, which would split it into
// further arguments or swallow the arguments after it; then quoted so the converter receives it as
// one argument, whatever a profile put into it.
std::string bareArgument(std::string_view text);

// The codec names of the general option path: the converter's library encoder for the short names
// profiles use ("mp3" is "libmp3lame"), compared without regard to case; other names as they stand.
std::string_view generalCodecName(std::string_view value);

} // namespace morvane::engine
