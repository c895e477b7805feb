// The information line `vec` writes for whatever facts the media detector hands it, lengths that are
// endless, not a number or beyond any counter included: it must always be a line the engine reads, with
// the frame size and streams as they are and a length that is not negative.

#include <cmath>
#include <cstring>
#include <string>

#include "converter/vec_program.h"
#include "engine/media_probe.h"
#include "media/media_detector.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

void fuzzInfoLine(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    media::MediaFacts facts;
    std::uint64_t bits = input.takeUint32();
    bits = bits << 32U | input.takeUint32();
    std::memcpy(&facts.duration, &bits, sizeof facts.duration);
    facts.width = static_cast<int>(input.takeUint32());
    facts.height = static_cast<int>(input.takeUint32());
    facts.hasVideo = static_cast<int>(input.takeUint32());
    facts.hasAudio = static_cast<int>(input.takeUint32());
    facts.still = input.takeBool();

    const auto line = converter::formatInfoLine(facts);
    const auto info = engine::parseConverterInfoLine(line);
    const std::string what = shown(line) + " from a length of " + std::to_string(facts.duration) + " s";
    MORVANE_FUZZ_CHECK(info.has_value(), what);
    MORVANE_FUZZ_CHECK(info->width == facts.width && info->height == facts.height &&
                           info->video == (facts.hasVideo != 0 ? 1 : 0) &&
                           info->audio == (facts.hasAudio != 0 ? 1 : 0),
                       what);
    MORVANE_FUZZ_CHECK(info->seconds >= 0, what);
    const double whole = std::floor(facts.duration > 0.0 ? facts.duration : 0.0);
    if (whole <= 2147483647.0) {
        const int seconds =
            whole == 0.0 && facts.duration > 0.0 && !facts.still ? 1 : static_cast<int>(whole);
        MORVANE_FUZZ_CHECK(info->seconds == seconds, what);
    }
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzInfoLine)
