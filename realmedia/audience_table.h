#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace morvane::realmedia {

// The audiences a RealMedia profile can name (its Video Codec setting), in byte-value order of the
// names. The position of a name is the audience number the producer library receives; the library
// numbers the files of its audiences folder the same way.
struct AudienceTable {
    static constexpr std::array<std::string_view, 38> kNames{
        "100% Quality Download (VBR)",
        "128k Dual ISDN",
        "12k Substream for 28k Dial-up",
        "150k LAN",
        "16k Substream for 28k Dial-up",
        "1M Download (VBR)",
        "1M Multichannel (VBR)",
        "1M Surround Stereo (VBR)",
        "256k DSL or Cable",
        "26k Substream for 56k Dial-up",
        "28k Dial-up",
        "2M Download (VBR)",
        "2M Multichannel (VBR)",
        "2M Surround Stereo (VBR)",
        "350k Download (VBR)",
        "350k Multichannel (VBR)",
        "350k Surround Stereo (VBR)",
        "384k DSL or Cable",
        "450k Download (VBR)",
        "450k Multichannel (VBR)",
        "450k Surround Stereo (VBR)",
        "512k DSL or Cable",
        "56k Dial-up",
        "5M Download (VBR)",
        "5M Multichannel (VBR)",
        "5M Surround Stereo (VBR)",
        "64k Single ISDN",
        "70% Quality Download (VBR)",
        "750k Download (VBR)",
        "750k Multichannel (VBR)",
        "750k Surround Stereo (VBR)",
        "768k DSL or Cable",
        "80% Quality Download (VBR)",
        "90% Quality Download (VBR)",
        "General Mobile Local Playback",
        "General Mobile Streaming",
        "Lossless Audio",
        "PocketPC Local Playback",
    };
    static_assert(std::is_sorted(kNames.begin(), kNames.end()));

    // The position of `name`, compared exactly (case included); 0 for a name not in the table.
    static std::uint32_t audienceNumber(std::string_view name);
};

} // namespace morvane::realmedia
