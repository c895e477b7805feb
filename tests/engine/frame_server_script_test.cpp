#include "engine/frame_server_script.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "tests/support/test_support.h"

namespace morvane::engine {
namespace {

using morvane::test::TempDir;

TEST(FrameServerScript, KindByExtension) {
    const struct {
        const char* path;
        ScriptKind kind;
    } cases[] = {
        {"/m/clip.asf", ScriptKind::ConvertedFrameRate},
        {"/m/clip.ASF", ScriptKind::ConvertedFrameRate},
        {"/m/clip.Ram", ScriptKind::ConvertedFrameRate},
        {"/m/clip.mov", ScriptKind::StatedFrameRate},
        {"/m/CLIP.MOV", ScriptKind::StatedFrameRate},
        {"/m/clip.mkv", ScriptKind::SourceFrameRate},
        {"/m/clip.MTS", ScriptKind::SourceFrameRate},
        {"/m/clip", ScriptKind::SourceFrameRate},            // no extension
        {"/m/folder.avi/clip", ScriptKind::SourceFrameRate}, // a dot in the folder is no extension
        {"/m/clip.", ScriptKind::SourceFrameRate},
        {"/m/clip.wmv.bak", ScriptKind::SourceFrameRate},
        {"/m/clip.bak.WMV", ScriptKind::None},
        {"/m/.avi", ScriptKind::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frameServerScriptKind(c.path), c.kind) << c.path;
    }
    for (const char* extension : {"swf", "flv", "vob", "vro", "wmv", "rm", "rmvb", "mp4", "vbo", "m4v", "ra",
                                  "h264", "h261", "h263", "mpg", "avi", "3gp", "mpeg"}) {
        std::string upper(extension);
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        EXPECT_EQ(frameServerScriptKind(std::string("/m/clip.") + extension), ScriptKind::None) << extension;
        EXPECT_EQ(frameServerScriptKind("/m/clip." + upper), ScriptKind::None) << upper;
    }
}

TEST(FrameServerScript, WritesTheThreeLines) {
    TempDir dir;
    const std::string script = dir.file("input.avs");
    const std::string plugin = "LoadPlugin(\"plugin/DirectShowSource.dll\")\n";
    const struct {
        std::string source;
        std::string line;
    } cases[] = {
        {"/m/clip.ASF", "DirectShowSource(\"/m/clip.ASF\", fps=23.976, convertfps=true )\n"},
        {"/m/clip.mov", "DirectShowSource(\"/m/clip.mov\", fps=23.976, convertfps=false )\n"},
        {"/m/my clip.mkv", "DirectShowSource(\"/m/my clip.mkv\")\n"},
        {"/m/README", "DirectShowSource(\"/m/README\")\n"},
    };
    // A longer script from an earlier run is replaced, not overwritten in part.
    morvane::test::writeFile(script, std::string(4000, '#'));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        const auto outcome = writeFrameServerScript(script, c.source);
        ASSERT_TRUE(outcome) << outcome.error();
        ASSERT_EQ(*outcome, ScriptOutcome::Written);
        EXPECT_EQ(morvane::test::readFile(script), plugin + c.line + "return last");
    }
}

TEST(FrameServerScript, SourcesReadDirectlyLeaveTheScriptAlone) {
    TempDir dir;
    const std::string script = dir.file("input.avs");
    morvane::test::writeFile(script, "earlier");
    EXPECT_EQ(writeFrameServerScript(script, "/m/clip.WMV").valueOr(ScriptOutcome::Written),
              ScriptOutcome::ReadDirectly);
    // A line break in the name would break the script's source line.
    EXPECT_EQ(writeFrameServerScript(script, "/m/two\nlines.mkv").valueOr(ScriptOutcome::Written),
              ScriptOutcome::ReadDirectly);
    EXPECT_EQ(morvane::test::readFile(script), "earlier");
}

TEST(FrameServerScript, AScriptThatCannotBeWrittenSaysWhy) {
    TempDir dir;
    const std::string script = dir.file("no such folder/input.avs");
    const auto outcome = writeFrameServerScript(script, "/m/clip.mkv");
    ASSERT_FALSE(outcome);
    EXPECT_NE(outcome.error().find(script), std::string::npos) << outcome.error();
    EXPECT_NE(outcome.error().find("No such file or directory"), std::string::npos) << outcome.error();
}

} // namespace
} // namespace morvane::engine
