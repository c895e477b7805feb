#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::producer {

// The library's own settings files (common/, codecs/, plugins/, audiences/): lines "key=value",
// blanks around keys and values dropped, empty lines and lines starting with '#' ignored. Keys are
// case-sensitive; a later line replaces an earlier one.
class KeyValueFile {
public:
    // Nothing when the file cannot be read.
    static std::optional<KeyValueFile> read(const std::string& path);
    static KeyValueFile parse(std::string_view text);

    const std::map<std::string, std::string, std::less<>>& values() const { return m_values; }
    const std::string* find(std::string_view key) const;
    std::string text(std::string_view key, std::string_view fallback = {}) const;
    // The value as a number; nothing when absent or not a number (trailing text is not accepted).
    std::optional<double> number(std::string_view key) const;

    // Lines that are neither comments nor "key=value" (reported by the loaders as errors).
    int malformedLines() const { return m_malformed; }

private:
    std::map<std::string, std::string, std::less<>> m_values;
    int m_malformed = 0;
};

} // namespace morvane::producer
