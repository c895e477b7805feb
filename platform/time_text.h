#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane::platform {

// Whole seconds as "%02d:%02d:%02d": hours = seconds / 3600 (unbounded), then minutes and
// seconds. Negative input counts as 0.
std::string formatTimeText(long long seconds);

// The numbers of an "H:M:S" text as sscanf reads "%d:%d:%d" (with `width` 2, "%2d:%2d:%2d"): each
// one after blanks, one optional sign and digits, the sign counting towards the width; a ':' must
// follow a number directly. Reading stops at the first piece that does not fit.
struct TimeTextParts {
    long long numbers[3] = {};
    int count = 0;         // how many numbers were read
    std::size_t end = 0;   // where the last number read ends
    bool tooLarge = false; // a number beyond any media length (its value is then cut short)
};
TimeTextParts readTimeTextParts(std::string_view text, std::size_t width = 0);

// Reads "H:M:S" back to seconds. All three numbers must be present; minutes and seconds above
// 59 are taken as they stand. Blanks around the numbers are accepted as sscanf accepts them.
std::optional<long long> parseTimeText(std::string_view text);

// The text after the last "/" (a backslash is an ordinary file-name character here); the whole path when it
// has none. An empty path gives nothing.
std::optional<std::string> fileNameOfPath(std::string_view path);

} // namespace morvane::platform
