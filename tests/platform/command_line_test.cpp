#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace morvane::platform {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineSplit, FollowsTheWindowsRules) {
    const struct {
        const char* line;
        Args expected;
    } cases[] = {
        {"a b c", {"a", "b", "c"}},
        {"  leading \t and\ttrailing  ", {"leading", "and", "trailing"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"(a"b c"d)", {"ab cd"}},
        {R"(a\"b)", {"a\"b"}},
        {R"(a\\\"b)", {"a\\\"b"}},
        {R"(a\\b)", {"a\\\\b"}},
        {R"(a\b c\)", {"a\\b", "c\\"}},
        {R"("dir\\" next)", {"dir\\", "next"}},
        {R"("C:\Program Files\vec.exe" x)", {"C:\\Program Files\\vec.exe", "x"}},
        {R"("")", {""}},
        {R"(a "" b)", {"a", "", "b"}},
        {R"("a""b")", {"a\"b"}},
        {R"("unterminated text)", {"unterminated text"}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitCommandLine(c.line), c.expected) << "line: " << c.line;
    }
}

TEST(CommandLineQuote, PlainPathIsJustEnclosedInQuotes) {
    EXPECT_EQ(quoteArgument("/home/user/My Videos/clip.avi"), "\"/home/user/My Videos/clip.avi\"");
    EXPECT_EQ(quoteArgument(""), "\"\"");
}

TEST(CommandLineQuote, HostileNamesRoundTrip) {
    const Args names = {
        "plain",
        "with blanks  inside ",
        "double\"quote",
        "\"starts and ends\"",
        "single'quote",
        "back\\slash",
        "trailing\\",
        "trailing\\\\",
        "slash-before-quote\\\"x",
        "-leading-dash.avi",
        "$(touch x);rm -rf nothing|&>",
        "tab\tand\nnewline",
        "Ünïcödé ファイル 视频 видео.mp4",
        "",
        "\\\\server\\share\\",
    };
    for (const auto& name : names) {
        const auto split = splitCommandLine("vec " + quoteArgument(name) + " tail");
        ASSERT_EQ(split.size(), 3U) << name;
        EXPECT_EQ(split[1], name);
        EXPECT_EQ(split[2], "tail");
    }
    EXPECT_EQ(splitCommandLine(joinCommandLine(names)), names);
}

} // namespace
} // namespace morvane::platform
