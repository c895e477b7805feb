#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane::platform {

// Splits a command-line text into arguments by the Windows rules: blanks and tabs separate
// arguments outside double quotes; 2n backslashes before a quote give n backslashes and the quote
// opens or closes quoting; 2n+1 backslashes before a quote give n backslashes and a literal quote;
// backslashes elsewhere are literal; inside quotes, "" gives one literal quote; "" alone is an
// empty argument. No shell is ever involved.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Quotes one argument so that splitCommandLine gives it back unchanged. For a text without
// quotes and without a trailing backslash the result is exactly a double quote, the text and a
// double quote.
std::string quoteArgument(std::string_view argument);

// Joins arguments with single blanks, each quoted by quoteArgument.
std::string joinCommandLine(const std::vector<std::string>& arguments);

} // namespace morvane::platform
