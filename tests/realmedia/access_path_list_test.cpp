#include "realmedia/access_path_list.h"

#include <gtest/gtest.h>

#include <cstring>

namespace morvane::realmedia {
namespace {

TEST(AccessPathList, HoldsFourEntriesInOrderEndedByAnExtraZero) {
    AccessPathList list;
    ASSERT_TRUE(list.fill("/opt/morvane/"));
    const std::vector<std::string> expected{"DT_Plugins=/opt/morvane/plugins",
                                            "DT_Codecs=/opt/morvane/codecs", "DT_EncSDK=/opt/morvane/tools",
                                            "DT_Common=/opt/morvane/common"};
    EXPECT_EQ(list.entries(), expected);

    // The bytes themselves: each entry ended by a zero, then one more zero, the rest zero-filled.
    std::string bytes;
    for (const auto& entry : expected) {
        bytes += entry;
        bytes.push_back('\0');
    }
    bytes.push_back('\0');
    EXPECT_EQ(std::memcmp(list.data(), bytes.data(), bytes.size()), 0);
    for (std::size_t i = bytes.size(); i < kAccessPathListBytes; ++i) {
        ASSERT_EQ(list.data()[i], '\0') << i;
    }
}

TEST(AccessPathList, RefusesAProgramDirectoryTooLongForTheBuffer) {
    AccessPathList list;
    // Four entries with a 400-byte folder fit in 2,048 bytes; with a 1,000-byte one they do not.
    EXPECT_TRUE(list.fill("/" + std::string(398, 'a') + "/"));
    EXPECT_FALSE(list.fill("/" + std::string(998, 'a') + "/"));
    EXPECT_TRUE(list.entries().empty());
    EXPECT_EQ(list.data()[0], '\0');
}

TEST(AccessPathList, FillingAgainReplacesTheEntries) {
    AccessPathList list;
    ASSERT_TRUE(list.fill("/a-much-longer-program-directory/"));
    ASSERT_TRUE(list.fill("/b/"));
    ASSERT_EQ(list.entries().size(), 4u);
    EXPECT_EQ(list.entries()[3], "DT_Common=/b/common");
}

} // namespace
} // namespace morvane::realmedia
