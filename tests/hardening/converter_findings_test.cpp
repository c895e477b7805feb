// What the hardening runs found in the converter itself, checked on vec directly: the engine guards
// against both too (it refuses sources that are not regular files and keeps output names short enough).
#include <sys/stat.h>

#include <filesystem>

#include "tests/hardening/hardening_env.h"

namespace morvane::hardening {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ConverterFindings : public HardeningTest {
protected:
    test::WatchedRun vec(const std::vector<std::string>& args) {
        std::vector<std::string> argv{bin() + "/vec", "ffmpeg-converter"};
        argv.insert(argv.end(), args.begin(), args.end());
        auto watch = options();
        watch.timeLimit = 30s;
        return test::runWatched(argv, watch);
    }
};

TEST_F(ConverterFindings, ANamedPipeAsInputIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(clip("pipe.mov").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(clip("pipe.avs").c_str(), 0644), 0);
    test::writeFile(clip("script.avs"), "LoadPlugin(\"plugin/DirectShowSource.dll\")\nDirectShowSource(\"" +
                                            clip("pipe.mov") + "\")\nreturn last\n");
    fs::create_directories(output());
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-i", clip("pipe.mov"), "-y", output() + "/pipe.mp4"}, "pipe.mov\" is a named pipe; nothing was"},
        {{"-i", clip("script.avs"), "-y", output() + "/pipe.mp4"}, "pipe.mov\" is a named pipe; nothing was"},
        {{"-info", clip("pipe.avs")}, "pipe.avs\" is a named pipe; it was not read"},
        {{"-info", clip("script.avs")}, "pipe.mov\" is a named pipe; it was not read"},
        {{"-info", "/dev/zero"}, "\"/dev/zero\" is a device; it was not read"},
    };
    for (const auto& [args, said] : cases) {
        const auto run = vec(args);
        EXPECT_FALSE(run.timedOut) << shown(run);
        EXPECT_EQ(run.exitCode, 1) << shown(run);
        EXPECT_NE(run.err.find(said), std::string::npos) << shown(run);
    }
    EXPECT_EQ(folderNames(output()), std::vector<std::string>{});
}

TEST_F(ConverterFindings, AnOutputNameTheFileSystemHoldsIsWritten) {
    makeClip("clip.mov", 1.0);
    fs::create_directories(output());
    const std::string name = std::string(250, 'n') + ".mp3";
    const auto run =
        vec({"-i", clip("clip.mov"), "-vn", "-acodec", "libmp3lame", "-y", output() + "/" + name});
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_EQ(folderNames(output()), std::vector<std::string>{name});
}

} // namespace
} // namespace morvane::hardening
