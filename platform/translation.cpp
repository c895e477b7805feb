#include "platform/translation.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace morvane::platform {

namespace {

Translator& installed() {
    static Translator translator;
    return translator;
}

} // namespace

void setTranslator(Translator translator) {
    installed() = std::move(translator);
}

std::string translate(const char* context, const char* source) {
    if (source == nullptr) {
        return {};
    }
    if (const auto& translator = installed()) {
        std::string text = translator(context, source);
        if (!text.empty()) {
            return text;
        }
    }
    return source;
}

std::string withArguments(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
    return withArguments(pattern, std::vector<std::string>(arguments.begin(), arguments.end()));
}

std::string withArguments(std::string_view pattern, const std::vector<std::string>& args) {
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (index < args.size()) {
                text += args[index];
                ++i;
                continue;
            }
        }
        text += pattern[i];
    }
    return text;
}

std::optional<std::vector<std::string>> argumentsOf(std::string_view pattern, std::string_view text) {
    // The pattern's literal pieces and, between them, the numbers of its markers.
    std::vector<std::string_view> pieces;
    std::vector<std::size_t> markers;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] == '%' && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            pieces.push_back(pattern.substr(start, i - start));
            markers.push_back(static_cast<std::size_t>(pattern[i + 1] - '1'));
            start = i + 2;
            ++i;
        }
    }
    pieces.push_back(pattern.substr(start));
    if (!text.starts_with(pieces.front())) {
        return std::nullopt;
    }
    std::size_t at = pieces.front().size();
    std::vector<std::string> arguments(
        markers.empty() ? 0 : *std::max_element(markers.begin(), markers.end()) + 1);
    for (std::size_t m = 0; m < markers.size(); ++m) {
        const std::string_view next = pieces[m + 1];
        const bool last = m + 1 == markers.size();
        std::size_t end = std::string_view::npos;
        if (last) {
            // The last piece ends the text.
            end = text.size() >= at + next.size() && text.ends_with(next) ? text.size() - next.size()
                                                                          : std::string_view::npos;
        } else {
            end = next.empty() ? at : text.find(next, at);
        }
        if (end == std::string_view::npos || end < at) {
            return std::nullopt;
        }
        arguments[markers[m]] = std::string(text.substr(at, end - at));
        at = end + next.size();
    }
    if (markers.empty() && text.size() != pieces.front().size()) {
        return std::nullopt;
    }
    return arguments;
}

} // namespace morvane::platform
