// Time texts "%02d:%02d:%02d": reading gives back what formatting wrote, and any text reads as sscanf
// would read three numbers, or not at all.

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/time_text.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

namespace {

using platform::formatTimeText;
using platform::parseTimeText;

// Lengths up to this many seconds (over 30,000 years) must read back exactly.
constexpr long long kReadableSeconds = 1'000'000'000'000'000LL;

void checkRoundTrip(long long seconds) {
    const auto text = formatTimeText(seconds);
    const auto back = parseTimeText(text);
    const long long expected = seconds < 0 ? 0 : seconds;
    if (expected <= kReadableSeconds) {
        MORVANE_FUZZ_CHECK(back == expected, std::to_string(seconds) + " as " + text);
    } else {
        MORVANE_FUZZ_CHECK(!back || *back == expected, std::to_string(seconds) + " as " + text);
    }
    MORVANE_FUZZ_CHECK(text.size() >= 8 && text[text.size() - 3] == ':' && text[text.size() - 6] == ':',
                       text);
}

bool hasLongDigitRun(std::string_view text) {
    std::size_t run = 0;
    for (const char c : text) {
        run = (c >= '0' && c <= '9') ? run + 1 : 0;
        if (run > 9) {
            return true;
        }
    }
    return false;
}

void checkText(std::string_view text) {
    const auto seconds = parseTimeText(text);
    if (seconds) {
        MORVANE_FUZZ_CHECK(*seconds >= 0, shown(text));
        // What was read, written again, reads the same (within the lengths the reader promises to take).
        if (*seconds <= kReadableSeconds) {
            MORVANE_FUZZ_CHECK(parseTimeText(formatTimeText(*seconds)) == seconds, shown(text));
        }
    }
    // sscanf is the reference where it is defined: no byte it cannot see, no number that overflows.
    if (text.find('\0') != std::string_view::npos || hasLongDigitRun(text)) {
        return;
    }
    const std::string copy(text);
    int h = 0;
    int m = 0;
    int s = 0;
    const bool read = std::sscanf(copy.c_str(), "%d:%d:%d", &h, &m, &s) == 3;
    const long long total = 3600LL * h + 60LL * m + s;
    const std::optional<long long> expected =
        read && total >= 0 ? std::optional<long long>(total) : std::nullopt;
    MORVANE_FUZZ_CHECK(seconds == expected,
                       shown(text) + " read as " + (seconds ? std::to_string(*seconds) : "nothing"));
}

void checkFileName(std::string_view path) {
    const auto name = platform::fileNameOfPath(path);
    MORVANE_FUZZ_CHECK(name.has_value() == !path.empty(), shown(path));
    if (name) {
        MORVANE_FUZZ_CHECK(name->find('/') == std::string::npos && path.size() >= name->size() &&
                               path.substr(path.size() - name->size()) == *name,
                           shown(path) + " gave " + shown(*name));
        MORVANE_FUZZ_CHECK(name->size() == path.size() || path[path.size() - name->size() - 1] == '/',
                           shown(path));
    }
}

} // namespace

void fuzzTimeText(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t mode = input.takeByte();
    long long seconds = 0;
    for (int i = 0; i < 8; ++i) {
        seconds = static_cast<long long>(static_cast<unsigned long long>(seconds) << 8U | input.takeByte());
    }
    // Small lengths are the common case; the fuzzer reaches them through the mode's low bits.
    checkRoundTrip((mode & 1U) != 0 ? seconds : seconds % 400'000);
    checkText(input.rest());
    checkFileName(input.rest());
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzTimeText)
