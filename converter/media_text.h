#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace morvane::converter {

struct FrameSize {
    int width = 0;
    int height = 0;
};

// A frame size as FFmpeg reads it: "WxH" with both sides positive, or one of its names ("vga", "qcif",
// "hd720", ...).
std::optional<FrameSize> parseFrameSize(std::string_view text);

// A duration as FFmpeg reads it, in microseconds: "[-][HH:]MM:SS[.frac]" or "[-]S[.frac]" with an
// optional unit "s", "ms" or "us".
std::optional<std::int64_t> parseDuration(std::string_view text);

} // namespace morvane::converter
