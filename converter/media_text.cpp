#include "converter/media_text.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

namespace morvane::converter {

namespace {

struct NamedSize {
    std::string_view name;
    int width;
    int height;
};

// FFmpeg's names for frame sizes.
constexpr std::array<NamedSize, 58> kNamedSizes = {{
    {"ntsc", 720, 480},     {"pal", 720, 576},       {"qntsc", 352, 240},     {"qpal", 352, 288},
    {"sntsc", 640, 480},    {"spal", 768, 576},      {"film", 352, 240},      {"ntsc-film", 352, 240},
    {"sqcif", 128, 96},     {"qcif", 176, 144},      {"cif", 352, 288},       {"4cif", 704, 576},
    {"16cif", 1408, 1152},  {"qqvga", 160, 120},     {"qvga", 320, 240},      {"vga", 640, 480},
    {"svga", 800, 600},     {"xga", 1024, 768},      {"uxga", 1600, 1200},    {"qxga", 2048, 1536},
    {"sxga", 1280, 1024},   {"qsxga", 2560, 2048},   {"hsxga", 5120, 4096},   {"wvga", 852, 480},
    {"wxga", 1366, 768},    {"wsxga", 1600, 1024},   {"wuxga", 1920, 1200},   {"woxga", 2560, 1600},
    {"wqhd", 2560, 1440},   {"wqsxga", 3200, 2048},  {"wquxga", 3840, 2400},  {"whsxga", 6400, 4096},
    {"whuxga", 7680, 4800}, {"cga", 320, 200},       {"ega", 640, 350},       {"hd480", 852, 480},
    {"hd720", 1280, 720},   {"hd1080", 1920, 1080},  {"quadhd", 2560, 1440},  {"2k", 2048, 1080},
    {"2kdci", 2048, 1080},  {"2kflat", 1998, 1080},  {"2kscope", 2048, 858},  {"4k", 4096, 2160},
    {"4kdci", 4096, 2160},  {"4kflat", 3996, 2160},  {"4kscope", 4096, 1716}, {"nhd", 640, 360},
    {"hqvga", 240, 160},    {"wqvga", 400, 240},     {"fwqvga", 432, 240},    {"hvga", 480, 320},
    {"qhd", 960, 540},      {"uhd2160", 3840, 2160}, {"uhd4320", 7680, 4320}, {"ntsc-dvd", 720, 480},
    {"pal-dvd", 720, 576},  {"ntsc-vcd", 352, 240},
}};

bool digitsOnly(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

// Whole digits and an optional fraction; the value in microseconds.
std::optional<double> secondsField(std::string_view text) {
    const auto dot = text.find('.');
    const auto whole = text.substr(0, dot);
    if (!digitsOnly(whole) ||
        (dot != std::string_view::npos && dot + 1 < text.size() && !digitsOnly(text.substr(dot + 1)))) {
        return std::nullopt;
    }
    return std::strtod(std::string(text).c_str(), nullptr);
}

} // namespace

std::optional<FrameSize> parseFrameSize(std::string_view text) {
    for (const auto& named : kNamedSizes) {
        if (text == named.name) {
            return FrameSize{named.width, named.height};
        }
    }
    const auto x = text.find('x');
    if (x == std::string_view::npos || !digitsOnly(text.substr(0, x)) || !digitsOnly(text.substr(x + 1))) {
        return std::nullopt;
    }
    const long width = std::strtol(std::string(text.substr(0, x)).c_str(), nullptr, 10);
    const long height = std::strtol(std::string(text.substr(x + 1)).c_str(), nullptr, 10);
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
        return std::nullopt;
    }
    return FrameSize{static_cast<int>(width), static_cast<int>(height)};
}

std::optional<std::int64_t> parseDuration(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    double seconds = 0.0;
    if (text.find(':') != std::string_view::npos) {
        // [HH:]MM:SS[.frac]
        const auto last = text.rfind(':');
        const auto head = text.substr(0, last);
        const auto first = head.find(':');
        const auto sec = secondsField(text.substr(last + 1));
        if (!sec || text.substr(last + 1).size() < 1) {
            return std::nullopt;
        }
        double hours = 0.0;
        double minutes = 0.0;
        if (first == std::string_view::npos) {
            if (!digitsOnly(head)) {
                return std::nullopt;
            }
            minutes = std::strtod(std::string(head).c_str(), nullptr);
        } else {
            if (!digitsOnly(head.substr(0, first)) || !digitsOnly(head.substr(first + 1))) {
                return std::nullopt;
            }
            hours = std::strtod(std::string(head.substr(0, first)).c_str(), nullptr);
            minutes = std::strtod(std::string(head.substr(first + 1)).c_str(), nullptr);
        }
        if (minutes >= 60.0 || *sec >= 60.0) {
            return std::nullopt;
        }
        seconds = hours * 3600.0 + minutes * 60.0 + *sec;
    } else {
        double unit = 1.0;
        for (const auto& [suffix, scale] :
             {std::pair<std::string_view, double>{"ms", 1e-3}, {"us", 1e-6}, {"s", 1.0}}) {
            if (text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix) {
                text.remove_suffix(suffix.size());
                unit = scale;
                break;
            }
        }
        const auto sec = secondsField(text);
        if (!sec) {
            return std::nullopt;
        }
        seconds = *sec * unit;
    }
    const double micro = std::round(seconds * 1e6);
    if (!std::isfinite(micro) || micro > 9.2e18) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(negative ? -micro : micro);
}

} // namespace morvane::converter
