#include "platform/fixed_text.h"

#include <gtest/gtest.h>

namespace morvane::platform {
namespace {

TEST(FixedText, CopyCutsAtCapacityWithTheTerminatorCounted) {
    FixedText<8> text;
    EXPECT_EQ(text.assign("abcdefghij"), 7U);
    EXPECT_EQ(text, "abcdefg");
    EXPECT_EQ(text.c_str()[7], '\0');
    text = "ab";
    EXPECT_EQ(text.append("cd"), 4U);
    EXPECT_EQ(text.append("efghij"), 7U);
    EXPECT_EQ(text, "abcdefg");
    text.clear();
    EXPECT_TRUE(text.empty());
}

TEST(FixedText, NeverSplitsAUtf8Sequence) {
    // "é" is 2 bytes, "€" 3, "😀" 4: every cut inside a sequence drops the whole sequence.
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
    const struct {
        std::size_t maxBytes;
        std::size_t expected;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3},   {4, 3},   {5, 3},  {6, 6},
                 {7, 6}, {8, 6}, {9, 6}, {10, 10}, {11, 11}, {50, 11}};
    for (const auto& c : cases) {
        EXPECT_EQ(utf8PrefixLength(text, c.maxBytes), c.expected) << "max " << c.maxBytes;
    }
    char buffer[5];
    EXPECT_EQ(copyText(buffer, sizeof buffer, "\xE2\x82\xAC\xE2\x82\xAC"), 3U);
    EXPECT_EQ(appendText(buffer, sizeof buffer, "x\xC3\xA9"), 4U);
    EXPECT_STREQ(buffer, "\xE2\x82\xACx");
}

TEST(FixedText, MalformedBytesAndEmbeddedTerminatorsAreHandled) {
    char buffer[4] = {'z', 'z', 'z', 'z'};
    EXPECT_EQ(copyText(buffer, sizeof buffer, std::string_view("ab\0cd", 5)), 2U);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(copyText(buffer, sizeof buffer, "\x80\x80\x80\x80\x80"), 3U); // stray continuation bytes
    EXPECT_EQ(copyText(nullptr, 4, "x"), 0U);
    EXPECT_EQ(copyText(buffer, 0, "x"), 0U);
}

} // namespace
} // namespace morvane::platform
