#include "realmedia/audience_table.h"

#include <gtest/gtest.h>

namespace morvane::realmedia {
namespace {

TEST(AudienceTable, NumbersNamesByTheirPositionInByteOrder) {
    ASSERT_EQ(AudienceTable::kNames.size(), 38u);
    const struct {
        const char* name;
        std::uint32_t number;
    } cases[] = {
        {"100% Quality Download (VBR)", 0}, {"128k Dual ISDN", 1},  {"12k Substream for 28k Dial-up", 2},
        {"1M Download (VBR)", 5},           {"56k Dial-up", 22},    {"5M Surround Stereo (VBR)", 25},
        {"70% Quality Download (VBR)", 27}, {"Lossless Audio", 36}, {"PocketPC Local Playback", 37},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AudienceTable::audienceNumber(c.name), c.number) << c.name;
    }
    for (std::uint32_t i = 0; i < AudienceTable::kNames.size(); ++i) {
        EXPECT_EQ(AudienceTable::audienceNumber(AudienceTable::kNames[i]), i);
    }
}

TEST(AudienceTable, UnknownEmptyOrWronglyCasedNamesGiveAudienceZero) {
    for (const char* name : {"", "56K Dial-up", "56k dial-up", "56k Dial-up ", " 56k Dial-up", "56k", "zzz",
                             "Lossless audio", "PocketPC Local Playback!"}) {
        EXPECT_EQ(AudienceTable::audienceNumber(name), 0u) << '"' << name << '"';
    }
}

} // namespace
} // namespace morvane::realmedia
