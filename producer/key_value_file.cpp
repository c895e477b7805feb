#include "producer/key_value_file.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "platform/text_rules.h"

namespace morvane::producer {

using platform::trimBlanks;

std::optional<KeyValueFile> KeyValueFile::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return parse(text.str());
}

KeyValueFile KeyValueFile::parse(std::string_view text) {
    KeyValueFile file;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimBlanks(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string_view key =
            equals == std::string_view::npos ? line : trimBlanks(line.substr(0, equals));
        if (equals == std::string_view::npos || key.empty()) {
            ++file.m_malformed;
            continue;
        }
        file.m_values[std::string(key)] = std::string(trimBlanks(line.substr(equals + 1)));
    }
    return file;
}

const std::string* KeyValueFile::find(std::string_view key) const {
    const auto found = m_values.find(key);
    return found == m_values.end() ? nullptr : &found->second;
}

std::string KeyValueFile::text(std::string_view key, std::string_view fallback) const {
    const std::string* value = find(key);
    return value != nullptr ? *value : std::string(fallback);
}

std::optional<double> KeyValueFile::number(std::string_view key) const {
    const std::string* value = find(key);
    if (value == nullptr || value->empty()) {
        return std::nullopt;
    }
    double result = 0.0;
    const char* begin = value->data();
    const char* end = begin + value->size();
    const auto [stop, error] = std::from_chars(begin, end, result);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return result;
}

} // namespace morvane::producer
