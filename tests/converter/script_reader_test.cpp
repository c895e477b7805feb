#include "converter/script_reader.h"

#include <gtest/gtest.h>

namespace morvane::converter {
namespace {

TEST(ScriptReader, TheThreeKindsTheProgramWrites) {
    const std::string plugin = "LoadPlugin(\"plugin\\DirectShowSource.dll\")\n";
    struct Case {
        std::string line;
        double rate;
        bool convert;
    };
    for (const auto& c :
         {Case{"DirectShowSource(\"/m/clip.asf\", fps=23.976, convertfps=true )\n", 23.976, true},
          Case{"DirectShowSource(\"/m/clip.asf\", fps=23.976, convertfps=false )\n", 23.976, false},
          Case{"DirectShowSource(\"/m/clip.asf\")\n", 0.0, false}}) {
        SCOPED_TRACE(c.line);
        const auto reading = readFrameServerScript(plugin + c.line + "return last", "/prog");
        ASSERT_TRUE(reading.hasValue()) << reading.error();
        EXPECT_EQ(reading->path, "/m/clip.asf");
        EXPECT_DOUBLE_EQ(reading->frameRate, c.rate);
        EXPECT_EQ(reading->convertFrameRate, c.convert);
    }
}

TEST(ScriptReader, Tolerances) {
    // Windows line ends, a slash in the plugin path, blank lines, quotes in the file name, a relative path.
    const auto reading =
        readFrameServerScript("\r\nLoadPlugin(\"plugin/DirectShowSource.dll\")\r\n\r\nDirectShowSource(\"my "
                              "\"best\" clip.mkv\")\r\n"
                              "Return Last\r\n",
                              "/prog");
    ASSERT_TRUE(reading.hasValue()) << reading.error();
    EXPECT_EQ(reading->path, "/prog/my \"best\" clip.mkv");
}

TEST(ScriptReader, AnythingElseIsRefused) {
    const std::string plugin = "LoadPlugin(\"plugin\\DirectShowSource.dll\")\n";
    const std::string source = "DirectShowSource(\"/m/a.asf\")\n";
    for (const std::string& text : {
             std::string(""),
             source + "return last",                                         // no plugin line
             "LoadPlugin(\"plugin\\Other.dll\")\n" + source + "return last", // another plugin
             "LoadPlugin(\"plugin\\NotDirectShowSource.dll\")\n" + source + "return last",
             plugin + "AviSource(\"/m/a.avi\")\nreturn last",                         // another source filter
             plugin + source + "Trim(0, 100)\nreturn last",                           // more lines
             plugin + source + "return something",                                    //
             plugin + "DirectShowSource(\"/m/a.asf\", audio=false)\nreturn last",     // unknown argument
             plugin + "DirectShowSource(\"/m/a.asf\", fps=fast)\nreturn last",        // not a rate
             plugin + "DirectShowSource(\"/m/a.asf\", convertfps=true)\nreturn last", // nothing to convert to
             plugin + "DirectShowSource(\"\")\nreturn last",                          // no file
             plugin + "DirectShowSource(/m/a.asf)\nreturn last",                      // no quotes
         }) {
        SCOPED_TRACE(text);
        const auto reading = readFrameServerScript(text, "/prog");
        EXPECT_FALSE(reading.hasValue());
        EXPECT_NE(reading.error(), "");
    }
}

TEST(ScriptReader, RecognisesScripts) {
    EXPECT_TRUE(isFrameServerScript("/prog/input.avs"));
    EXPECT_TRUE(isFrameServerScript("INPUT.AVS"));
    EXPECT_FALSE(isFrameServerScript("/prog/input.avs.avi"));
    EXPECT_FALSE(isFrameServerScript("/a.avs/clip"));
}

} // namespace
} // namespace morvane::converter
