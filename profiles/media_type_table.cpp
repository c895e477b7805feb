#include "profiles/media_type_table.h"

#include <array>

#include "platform/text_rules.h"

namespace morvane::profiles {

namespace {

const std::array<MediaTypeRow, 12>& table() {
    static const std::array<MediaTypeRow, 12> rows = {{
        {platform::FixedText<20>("AVI"), kTargetAvi},
        {platform::FixedText<20>("FLV"), kTargetFlv},
        {platform::FixedText<20>("MPEG"), kTargetMpeg},
        {platform::FixedText<20>("WMV"), kTargetWmv},
        {platform::FixedText<20>("MOV"), kTargetMov},
        {platform::FixedText<20>("iPod"), kTargetIpod},
        {platform::FixedText<20>("MP3"), kTargetMp3},
        {platform::FixedText<20>("MP4"), kTargetMp4},
        {platform::FixedText<20>("WMA"), kTargetWma},
        {platform::FixedText<20>("AAC"), kTargetAac},
        {platform::FixedText<20>("RM"), kTargetRealMedia},
        {platform::FixedText<20>("PSP"), kTargetPsp},
    }};
    return rows;
}

} // namespace

std::span<const MediaTypeRow> MediaTypeTable::rows() {
    return table();
}

std::optional<std::int32_t> MediaTypeTable::find(std::string_view mediaType) {
    for (const auto& row : table()) {
        if (platform::equalsNoCase(row.name.view(), mediaType)) {
            return row.code;
        }
    }
    return std::nullopt;
}

} // namespace morvane::profiles
