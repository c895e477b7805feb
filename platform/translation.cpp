#include "platform/translation.h"

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
    const std::vector<std::string_view> args(arguments);
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

} // namespace morvane::platform
