#pragma once

// What every fuzz target shares: property checks that stop the run with the failing expression, and a
// reader that takes control values and texts from the fuzzer's bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::fuzz {

// Reports a broken property. The fuzzer build aborts (so libFuzzer saves the input); the replay test
// throws, so GoogleTest names the input and goes on with the next one.
[[noreturn]] void checkFailed(const char* expression, const char* file, int line, const std::string& detail);

// Writes bytes to a private temporary folder that lives as long as the process; gives the file's path.
std::string writeScratchFile(const std::string& name, std::string_view bytes);

// The fuzzer's bytes: control values from the back, text from the front, so seed files stay readable.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_text(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t takeByte() {
        if (m_text.empty()) {
            return 0;
        }
        const auto byte = static_cast<std::uint8_t>(m_text.back());
        m_text.remove_suffix(1);
        return byte;
    }
    std::uint32_t takeUint32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = (value << 8) | takeByte();
        }
        return value;
    }
    bool takeBool() { return (takeByte() & 1U) != 0; }

    // Up to the next line feed (not included); the rest after it stays.
    std::string_view takeLine() {
        const auto end = m_text.find('\n');
        const auto line = m_text.substr(0, end);
        m_text.remove_prefix(end == std::string_view::npos ? m_text.size() : end + 1);
        return line;
    }
    std::string_view rest() const { return m_text; }
    bool empty() const { return m_text.empty(); }

private:
    std::string_view m_text;
};

// Splits at every line feed; a text without one is one piece, an empty text none.
std::vector<std::string> splitAtLineFeeds(std::string_view text);

// A text for a failure message: printable ASCII as it stands, other bytes as \xNN, cut after 300 bytes.
std::string shown(std::string_view text);
std::string shown(const std::vector<std::string>& texts);

} // namespace morvane::fuzz

#define MORVANE_FUZZ_CHECK(condition, detail)                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            ::morvane::fuzz::checkFailed(#condition, __FILE__, __LINE__, (detail));                          \
        }                                                                                                    \
    } while (false)

// The entry point libFuzzer calls, defined only when a target is built as a fuzzer.
#ifdef MORVANE_FUZZ_ENTRY
#define MORVANE_FUZZ_TARGET(function)                                                                        \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {                      \
        ::morvane::fuzz::function(data, size);                                                               \
        return 0;                                                                                            \
    }
#else
#define MORVANE_FUZZ_TARGET(function)
#endif
