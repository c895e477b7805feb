#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane::platform {

// Whole seconds as "%02d:%02d:%02d": hours = seconds / 3600 (unbounded), then minutes and
// seconds. Negative input counts as 0.
std::string formatTimeText(long long seconds);

// Reads "H:M:S" back to seconds. All three numbers must be present; minutes and seconds above
// 59 are taken as they stand. Blanks around the numbers are accepted as sscanf accepts them.
std::optional<long long> parseTimeText(std::string_view text);

// The text after the last "/" (a backslash is an ordinary file-name character here); the whole path when it
// has none. An empty path gives nothing.
std::optional<std::string> fileNameOfPath(std::string_view path);

} // namespace morvane::platform
