// Command lines by the Windows rules: splitting, and quoting and joining that splitting undoes.

#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

namespace {

using platform::joinCommandLine;
using platform::quoteArgument;
using platform::splitCommandLine;

// Without quotes and backslashes a line is plain words between blanks and tabs.
std::vector<std::string> plainWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (const char c : line) {
        if (c == ' ' || c == '\t') {
            if (inWord) {
                words.push_back(word);
                word.clear();
            }
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

void checkSplit(std::string_view line) {
    const auto arguments = splitCommandLine(line);
    std::size_t bytes = 0;
    for (const auto& argument : arguments) {
        bytes += argument.size();
    }
    MORVANE_FUZZ_CHECK(bytes <= line.size() && arguments.size() <= line.size(), shown(line));
    if (line.find_first_of("\"\\") == std::string_view::npos) {
        MORVANE_FUZZ_CHECK(arguments == plainWords(line), shown(line) + " gave " + shown(arguments));
    }
    // Joined again, the arguments split the same.
    const auto again = splitCommandLine(joinCommandLine(arguments));
    MORVANE_FUZZ_CHECK(again == arguments, shown(arguments) + " came back as " + shown(again));
}

void checkQuote(std::string_view argument) {
    const auto quoted = quoteArgument(argument);
    const auto back = splitCommandLine(quoted);
    MORVANE_FUZZ_CHECK(back.size() == 1 && back.front() == argument,
                       shown(argument) + " as " + shown(quoted) + " came back as " + shown(back));
    if (argument.find('"') == std::string_view::npos && (argument.empty() || argument.back() != '\\')) {
        MORVANE_FUZZ_CHECK(quoted == "\"" + std::string(argument) + "\"", shown(quoted));
    }
    MORVANE_FUZZ_CHECK(quoted.size() <= 2 * argument.size() + 2, shown(quoted));
}

void checkJoin(std::string_view text) {
    const auto arguments = splitAtLineFeeds(text);
    const auto line = joinCommandLine(arguments);
    const auto back = splitCommandLine(line);
    MORVANE_FUZZ_CHECK(back == arguments,
                       shown(arguments) + " as " + shown(line) + " came back as " + shown(back));
    MORVANE_FUZZ_CHECK(line.size() <= 2 * text.size() + 3 * arguments.size(), shown(line));
}

} // namespace

void fuzzCommandLine(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t mode = input.takeByte();
    switch (mode % 3U) {
    case 0:
        checkSplit(input.rest());
        break;
    case 1:
        checkQuote(input.rest());
        break;
    default:
        checkJoin(input.rest());
        break;
    }
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzCommandLine)
