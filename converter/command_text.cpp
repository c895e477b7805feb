#include "converter/command_text.h"

#include <cctype>

namespace morvane::converter {

std::string shellQuote(std::string_view word) {
    const auto safe = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '.' ||
               c == '/' || c == ':' || c == ',' || c == '+' || c == '=' || c == '@' || c == '%';
    };
    bool plain = !word.empty();
    for (const char c : word) {
        plain = plain && safe(c);
    }
    if (plain) {
        return std::string(word);
    }
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

std::string shellCommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const auto& word : words) {
        if (!line.empty()) {
            line += ' ';
        }
        line += shellQuote(word);
    }
    return line;
}

} // namespace morvane::converter
