// `vec` touches nothing outside its job: the containers it writes hold one file, its input is read as
// the one file it is, a cut that starts at the end writes nothing, and the command it shows may be run
// again as it stands.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/process.h"
#include "tests/support/test_support.h"

namespace morvane::converter {
namespace {

using test::TempDir;
using Words = std::vector<std::string>;
namespace fs = std::filesystem;

struct VecRun {
    int exitCode = -1;
    std::string output;
};

VecRun runVec(const Words& arguments) {
    platform::SpawnOptions options;
    options.stdinMode = platform::StdStream::Pipe;
    Words argv{MORVANE_VEC_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto child = platform::ChildProcess::spawn(argv, options);
    EXPECT_TRUE(child.valid());
    child.closeStdin();
    VecRun run;
    char buffer[4096];
    for (ssize_t n = 0; (n = child.readStdout(buffer, sizeof buffer)) > 0;) {
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    const auto status = child.wait();
    run.exitCode = status.kind == platform::ExitStatus::Kind::Exited ? status.code : 128 + status.code;
    return run;
}

Words namesIn(const std::string& folder) {
    Words names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class VecOutside : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        ASSERT_TRUE(test::generateClip(s_dir->file("clip.mp4"), "av", 4.0, 160, 120));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string clip() { return s_dir->file("clip.mp4"); }
    static TempDir* s_dir;
};

TempDir* VecOutside::s_dir = nullptr;

// However a container that writes more than its output is asked for (by the output's extension, with a
// first pass on a named work file), it is refused, and the user's files beside it are untouched.
TEST_F(VecOutside, ContainersWritingOtherFilesAreRefused) {
    struct Case {
        Words options;
        std::string output;
    };
    const Case cases[] = {
        {{"-vcodec", "libx264", "-acodec", "aac"}, "out.mpd"},
        {{"-vcodec", "libx264", "-acodec", "aac", "-pass", "1"}, "out.mpd"},
        {{"-vcodec", "libx264", "-acodec", "aac"}, "out.m3u8"},
        {{}, "out%03d.png"},
        {{}, "still.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        TempDir dir;
        test::writeFile(dir.file("init-stream0.m4s"), "the user's");
        Words arguments{"ffmpeg-converter", "-i", clip()};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.insert(arguments.end(), {"-y", dir.file(c.output)});
        const VecRun run = runVec(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find("it writes other files than the output"), std::string::npos) << run.output;
        EXPECT_EQ(namesIn(dir.path()), Words{"init-stream0.m4s"});
        EXPECT_EQ(test::readFile(dir.file("init-stream0.m4s")), "the user's");
    }
}

// A playlist or a concat script is no media file, whatever its name: the file it names is never read.
TEST_F(VecOutside, PlaylistsAndConcatScriptsAreNotRead) {
    TempDir dir;
    const std::string hls = dir.file("innocent.mp4");
    test::writeFile(hls, "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:4\n#EXTINF:4.0,\n" + clip() +
                             "\n#EXT-X-ENDLIST\n");
    const std::string concat = dir.file("list.txt");
    test::writeFile(concat, "ffconcat version 1.0\nfile '" + clip() + "'\n");
    for (const auto& source : {hls, concat}) {
        SCOPED_TRACE(source);
        const VecRun info = runVec({"ffmpeg-converter", "-info", source});
        EXPECT_EQ(info.exitCode, 1);
        EXPECT_NE(info.output.find("Duration:0 Width:0 Height:0 Video:0 Audio:0"), std::string::npos)
            << info.output;
        EXPECT_NE(info.output.find("playlist or a list of other files"), std::string::npos) << info.output;
        const VecRun run = runVec({"ffmpeg-converter", "-i", source, "-y", dir.file("out.mp4")});
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_NE(run.output.find("playlist or a list of other files"), std::string::npos) << run.output;
        EXPECT_FALSE(test::fileExists(dir.file("out.mp4")));
    }
}

// A cut starting exactly where the 4 s clip ends is refused like a later one, and the earlier output
// stays; a start just inside still converts.
TEST_F(VecOutside, ACutStartingAtTheEndWritesNothing) {
    TempDir dir;
    const std::string output = dir.file("out.mp4");
    for (const char* start : {"00:00:04", "00:00:05"}) {
        SCOPED_TRACE(start);
        test::writeFile(output, "the earlier output");
        const VecRun run = runVec({"ffmpeg-converter", "-i", clip(), "-ss", start, "-y", output});
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_NE(run.output.find("at or after the end of the"), std::string::npos) << run.output;
        EXPECT_EQ(test::readFile(output), "the earlier output");
    }
    const VecRun inside = runVec({"ffmpeg-converter", "-i", clip(), "-ss", "00:00:03", "-y", output});
    EXPECT_EQ(inside.exitCode, 0) << inside.output;
    EXPECT_NE(test::readFile(output), "the earlier output");
}

// The command the trace shows names the output itself: run again by hand, it writes the output and
// leaves the source alone.
TEST_F(VecOutside, TheShownCommandIsSafeToRunAgain) {
    TempDir dir;
    const std::string source = dir.file("source.mp4");
    fs::copy_file(clip(), source);
    const std::string output = dir.file("out.mkv");
    const VecRun run = runVec({"ffmpeg-converter", "-i", source, "-t", "1", "-y", output});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto at = run.output.find("ffmpeg command: ");
    ASSERT_NE(at, std::string::npos) << run.output;
    const std::string command = run.output.substr(at + 16, run.output.find('\n', at) - at - 16);
    EXPECT_EQ(command.find("/proc/self/fd"), std::string::npos) << command;
    EXPECT_NE(command.find("file:" + output), std::string::npos) << command;
    const auto before = test::readFile(source);
    fs::remove(output);
    ASSERT_EQ(test::runProgram({"sh", "-c", command + " </dev/null 3<" + source + " >/dev/null 2>&1"}), 0);
    EXPECT_EQ(test::readFile(source), before);
    EXPECT_TRUE(test::fileExists(output));
}

} // namespace
} // namespace morvane::converter
