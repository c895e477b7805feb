// What the hardening runs found in the converter itself, checked on vec directly. The engine guards
// against both (it refuses sources that are not regular files and keeps output names short enough),
// so a batch is safe; vec on its own is not yet.
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
    GTEST_SKIP() << "vec bug: given a named pipe as input (\"-i /x/clip.mov\" where clip.mov is a FIFO), "
                    "vec hands it to FFmpeg, which waits in open() for a writer forever; vec should refuse "
                    "an input that is not a regular file with a diagnostic and a non-zero exit";
    ASSERT_EQ(::mkfifo(clip("pipe.mov").c_str(), 0644), 0);
    fs::create_directories(output());
    const auto run = vec({"-i", clip("pipe.mov"), "-y", output() + "/pipe.mp4"});
    EXPECT_FALSE(run.timedOut) << shown(run);
    EXPECT_NE(run.exitCode, 0) << shown(run);
    EXPECT_EQ(folderNames(output()), std::vector<std::string>{});
}

TEST_F(ConverterFindings, AnOutputNameTheFileSystemHoldsIsWritten) {
    GTEST_SKIP() << "vec bug: for an output file name of 240 to 255 bytes vec's work file "
                    "\"<name>.vec-part-XXXXXX<ext>\" exceeds the 255-byte limit, so vec fails with \"cannot "
                    "write into the folder of ...: File name too long\" although the output name itself "
                    "is valid; the work file's name should be shortened to fit";
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
