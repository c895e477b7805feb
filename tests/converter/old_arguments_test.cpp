#include "converter/old_arguments.h"

#include <gtest/gtest.h>

namespace morvane::converter {
namespace {

TEST(OldArguments, SplitsInputOptionsAndOutput) {
    const auto parsed = parseOldCommand({"-vsync", "24", "-async", "24", "-i", "/m/a b.avi", "-b", "1200k",
                                         "-title", "", "-vn", "-y", "/o/out.mp3"});
    ASSERT_TRUE(parsed) << parsed.error();
    const OldCommand& command = *parsed;
    EXPECT_EQ(command.input, "/m/a b.avi");
    EXPECT_EQ(command.output, "/o/out.mp3");
    ASSERT_EQ(command.options.size(), 5U);
    EXPECT_EQ(command.options[0].name, "vsync");
    EXPECT_TRUE(command.options[0].beforeInput);
    EXPECT_EQ(command.options[2].name, "b");
    EXPECT_EQ(command.options[2].value, "1200k");
    EXPECT_FALSE(command.options[2].beforeInput);
    EXPECT_EQ(command.options[3].name, "title");
    EXPECT_TRUE(command.options[3].hasValue);
    EXPECT_EQ(command.options[3].value, ""); // -title "" is an empty title
    EXPECT_EQ(command.options[4].name, "vn");
    EXPECT_FALSE(command.options[4].hasValue);
}

TEST(OldArguments, OddShapes) {
    // Names that look like options are still the input and the output.
    auto dashes = *parseOldCommand({"-i", "-in.avi", "-y", "-out.avi"});
    EXPECT_EQ(dashes.input, "-in.avi");
    EXPECT_EQ(dashes.output, "-out.avi");

    // A codec left empty by the profile: the option has no value and is ignored, not fed the next one.
    auto empty = *parseOldCommand({"-i", "a.avi", "-vcodec", "-vtag", "MP43", "-y", "b.avi"});
    ASSERT_EQ(empty.options.size(), 1U);
    EXPECT_EQ(empty.options[0].name, "vtag");
    EXPECT_EQ(empty.notes.size(), 1U);

    // Unquoted words of a text value belong together; other stray words are reported.
    auto words = *parseOldCommand(
        {"-i", "a.avi", "-comment", "shot", "in", "May", "-b", "500k", "junk", "-y", "b.avi"});
    ASSERT_EQ(words.options.size(), 2U);
    EXPECT_EQ(words.options[0].value, "shot in May");
    ASSERT_EQ(words.notes.size(), 1U);
    EXPECT_NE(words.notes[0].find("junk"), std::string::npos);

    // Negative numbers are values; unknown options take a value only when one follows.
    auto unknown = *parseOldCommand({"-i", "a.avi", "-foo", "-1", "-bar", "-baz", "x", "-y", "b.avi"});
    ASSERT_EQ(unknown.options.size(), 3U);
    EXPECT_EQ(unknown.options[0].value, "-1");
    EXPECT_FALSE(unknown.options[1].hasValue);
    EXPECT_EQ(unknown.options[2].value, "x");

    // Without "-y" the last free word is the output.
    EXPECT_EQ(parseOldCommand({"-i", "a.avi", "-vn", "b.mp3"})->output, "b.mp3");

    // A second input is ignored with a note.
    auto twice = *parseOldCommand({"-i", "a.avi", "-i", "b.avi", "-y", "c.avi"});
    EXPECT_EQ(twice.input, "a.avi");
    EXPECT_EQ(twice.notes.size(), 1U);
}

TEST(OldArguments, Errors) {
    EXPECT_NE(parseOldCommand({}).error(), "");
    EXPECT_NE(parseOldCommand({"-y", "b.avi"}).error(), "");           // no input
    EXPECT_NE(parseOldCommand({"-i", "a.avi"}).error(), "");           // no output
    EXPECT_NE(parseOldCommand({"-b", "100k", "-i"}).error(), "");      // -i without a file
    EXPECT_NE(parseOldCommand({"-i", "", "-y", "b.avi"}).error(), ""); // empty input
}

TEST(OldArguments, Arity) {
    EXPECT_EQ(oldOptionArity("b"), OldArity::Value);
    EXPECT_EQ(oldOptionArity("coder"), OldArity::Value);
    EXPECT_EQ(oldOptionArity("bitexact"), OldArity::Unknown);
    EXPECT_EQ(oldOptionArity("vn"), OldArity::Switch);
    EXPECT_EQ(oldOptionArity("newaudio"), OldArity::Switch);
    EXPECT_TRUE(oldOptionIsText("title"));
    EXPECT_FALSE(oldOptionIsText("b"));
}

} // namespace
} // namespace morvane::converter
