// The converter's "-info" answer: the engine reads any line as sscanf reads the information pattern,
// and the line `vec` writes for the facts of a media file reads back as those facts. (Facts no media
// file has, such as endless or not-a-number lengths, are the info_line target's.)

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "converter/vec_program.h"
#include "engine/media_probe.h"
#include "media/media_detector.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

namespace {

using engine::ConverterInfo;
using engine::parseConverterInfoLine;

std::string describe(const std::optional<ConverterInfo>& info) {
    if (!info) {
        return "nothing";
    }
    return std::to_string(info->seconds) + " s, " + std::to_string(info->width) + "x" +
           std::to_string(info->height) + ", video " + std::to_string(info->video) + ", audio " +
           std::to_string(info->audio);
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

void checkLine(std::string_view line) {
    const auto info = parseConverterInfoLine(line);
    // sscanf is the reference where it is defined: no byte it cannot see, no number that overflows.
    // Blanks before the line are allowed on top of what the pattern takes.
    if (line.find('\0') != std::string_view::npos || hasLongDigitRun(line)) {
        return;
    }
    std::string copy(line);
    copy.erase(0, copy.find_first_not_of(" \t\n\v\f\r"));
    ConverterInfo expected;
    const bool read =
        std::sscanf(copy.c_str(), "Duration:%d Width:%d Height:%d Video:%d Audio:%d", &expected.seconds,
                    &expected.width, &expected.height, &expected.video, &expected.audio) == 5;
    const auto wanted = read ? std::optional<ConverterInfo>(expected) : std::nullopt;
    const bool same = info.has_value() == wanted.has_value() &&
                      (!info || (info->seconds == wanted->seconds && info->width == wanted->width &&
                                 info->height == wanted->height && info->video == wanted->video &&
                                 info->audio == wanted->audio));
    MORVANE_FUZZ_CHECK(same,
                       shown(line) + " read as " + describe(info) + ", sscanf reads " + describe(wanted));
}

// vec writes the facts; the engine must read the same facts back.
void checkWrittenLine(FuzzInput& input) {
    const std::uint8_t flags = input.takeByte();
    media::MediaFacts facts;
    // Lengths up to a few days, in microseconds.
    facts.duration = static_cast<double>(input.takeUint32()) * 100.0 / 1e6;
    facts.width = static_cast<int>(input.takeUint32());
    facts.height = static_cast<int>(input.takeUint32());
    if ((flags & 2U) == 0) {
        facts.width %= 10000;
        facts.height %= 10000;
    }
    facts.hasVideo = static_cast<int>(input.takeUint32());
    facts.hasAudio = (flags & 4U) != 0 ? 1 : 0;
    facts.still = (flags & 8U) != 0;

    const auto line = converter::formatInfoLine(facts);
    const auto info = parseConverterInfoLine(line);
    const auto whole = static_cast<int>(std::floor(facts.duration));
    const int seconds = whole == 0 && facts.duration > 0.0 && !facts.still ? 1 : whole;
    MORVANE_FUZZ_CHECK(
        info && info->seconds == seconds && info->width == facts.width && info->height == facts.height &&
            info->video == (facts.hasVideo != 0 ? 1 : 0) && info->audio == facts.hasAudio,
        shown(line) + " read as " + describe(info) + " from " + std::to_string(facts.duration) + " s");
}

} // namespace

void fuzzProbeOutput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    checkWrittenLine(input);
    checkLine(input.rest());
    // The line as the converter ends it, and as a Windows converter would.
    checkLine(std::string(input.rest()) + "\r");
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzProbeOutput)
