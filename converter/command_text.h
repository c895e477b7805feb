#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane::converter {

// One word as a POSIX shell reads it back: unchanged when it holds only safe characters, else in single
// quotes (a single quote inside becomes '\'').
std::string shellQuote(std::string_view word);

// The words joined by blanks, each quoted by shellQuote, so the line can be pasted into a shell.
std::string shellCommandLine(const std::vector<std::string>& words);

} // namespace morvane::converter
