#pragma once

// A profile's MediaType text names its target; the target code picks the command recipe.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/fixed_text.h"

namespace morvane::profiles {

// Target codes (the code a job carries; 0 is the general option path, which no MediaType names).
inline constexpr std::int32_t kTargetGeneral = 0;
inline constexpr std::int32_t kTargetAvi = 1;
inline constexpr std::int32_t kTargetMpeg = 2;
inline constexpr std::int32_t kTargetWmv = 3;
inline constexpr std::int32_t kTargetMov = 4;
inline constexpr std::int32_t kTargetFlv = 5;
inline constexpr std::int32_t kTargetRealMedia = 6;
inline constexpr std::int32_t kTargetIpod = 7;
inline constexpr std::int32_t kTargetPsp = 8;
inline constexpr std::int32_t kTargetMp4 = 9;
inline constexpr std::int32_t kTargetWma = 10;
inline constexpr std::int32_t kTargetMp3 = 11;
inline constexpr std::int32_t kTargetAac = 13;

struct MediaTypeRow {
    platform::FixedText<20> name;
    std::int32_t code = 0;
};

class MediaTypeTable {
public:
    // The rows in lookup order.
    static std::span<const MediaTypeRow> rows();

    // The code of the first row whose name equals `mediaType` without regard to case; nothing
    // when no row matches (the job then keeps its target code).
    static std::optional<std::int32_t> find(std::string_view mediaType);

    // Codes 10 to 13 produce audio only: no video arguments are built for them.
    static bool isAudioOnly(std::int32_t code) { return code >= 10 && code <= 13; }
};

} // namespace morvane::profiles
