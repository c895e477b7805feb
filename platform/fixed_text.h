#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace morvane::platform {

// The longest prefix of `text` of at most `maxBytes` bytes that does not end inside a UTF-8
// sequence.
std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes);
std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes);

// Copies `src` into a character array of `capacity` bytes (terminator included), cut so that no
// UTF-8 sequence is split. Returns the number of bytes stored before the terminator.
std::size_t copyText(char* dst, std::size_t capacity, std::string_view src);
// Appends to the zero-terminated text in `dst` under the same rules.
std::size_t appendText(char* dst, std::size_t capacity, std::string_view src);

// A fixed character array of N bytes (terminator included) as the record fields declare them.
template <std::size_t N>
class FixedText {
    static_assert(N > 0);

public:
    static constexpr std::size_t kCapacity = N;

    FixedText() = default;
    explicit FixedText(std::string_view text) { assign(text); }

    FixedText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }

    std::size_t assign(std::string_view text) { return copyText(m_data, N, text); }
    std::size_t append(std::string_view text) { return appendText(m_data, N, text); }
    void clear() { m_data[0] = '\0'; }

    std::string_view view() const { return {m_data, size()}; }
    std::string str() const { return std::string(view()); }
    const char* c_str() const { return m_data; }
    char* data() { return m_data; }
    std::size_t size() const { return ::strnlen(m_data, N); }
    bool empty() const { return m_data[0] == '\0'; }

    friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }

private:
    char m_data[N] = {};
};

} // namespace morvane::platform
