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
    fs::create_directories(output());
    const auto run = vec({"-i", clip("pipe.mov"), "-y", output() + "/pipe.mp4"});
    EXPECT_FALSE(run.timedOut) << shown(run);
    EXPECT_NE(run.exitCode, 0) << shown(run);
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
