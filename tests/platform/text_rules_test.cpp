#include "platform/text_rules.h"

#include <gtest/gtest.h>

namespace morvane::platform {
namespace {

TEST(TextRules, CaseFoldingTouchesAsciiLettersOnly) {
    EXPECT_EQ(toLowerAscii("MiXeD 09_Z\xC3\x84"), "mixed 09_z\xC3\x84");
    EXPECT_EQ(toUpperAscii("mixed-z\xC3\xA4"), "MIXED-Z\xC3\xA4");
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"Auto", "aUTO", true},
        {"", "", true},
        {"a", "", false},
        {"[", "{", false},
        {"@", "`", false},
        {"\xC3\x84", "\xC3\xA4", false},
        {"vcodec", "VCODEC ", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(equalsNoCase(c.a, c.b), c.equal) << c.a << " ~ " << c.b;
    }
    EXPECT_TRUE(startsWithNoCase("DirectShowSource(\"x\")", "directshowsource"));
    EXPECT_FALSE(startsWithNoCase("Direct", "DirectShow"));
    EXPECT_TRUE(endsWithNoCase("clip.AVS", ".avs"));
    EXPECT_FALSE(endsWithNoCase("vs", ".avs"));
}

TEST(TextRules, TrimmingDropsEveryBlankAtBothEnds) {
    EXPECT_EQ(trimBlanks(" \t\r\n\f\vvalue  with inner \v\f\n\r\t "), "value  with inner");
    EXPECT_EQ(trimBlanks(" \t "), "");
    EXPECT_EQ(trimBlanks(""), "");
}

TEST(TextRules, LeadingIntegersAreReadAsAtoiReadsThem) {
    struct Case {
        const char* text;
        std::int32_t value;
    };
    const Case cases[] = {
        {"1200", 1200},
        {" 768k", 768},
        {"\t\n-5x", -5},
        {"+42", 42},
        {"k128", 0},
        {"", 0},
        {"-", 0},
        {"--5", 0},
        {"+-5", 0},
        {"- 5", 0},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483648LL},
        {"2147483648", 2147483647},
        {"-2147483648", -2147483648LL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(leadingInteger(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(TextRules, LeadingDecimalsUseAPointAndStayFinite) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"29.97 (NTSC)", 29.97},
        {"+44100", 44100.0},
        {" -0.5x", -0.5},
        {".25", 0.25},
        {"x", 0.0},
        {"nan", 0.0},
        {"inf", 0.0},
        {"1e999", 0.0},
        {"--5", 0.0},
        {"+-5", 0.0},
        {"", 0.0},
        {"29,97", 29.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(leadingDecimal(c.text), c.value) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace morvane::platform
