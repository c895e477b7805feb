#include "app/startup_checks.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/program_dir.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

// A program directory of its own with a converter, the producer library and three profiles, and a
// fake ffmpeg whose encoder list lacks libx264.
class StartupChecksTest : public ::testing::Test {
protected:
    StartupChecksTest() {
        std::filesystem::create_directories(dir.file("profiles"));
        std::filesystem::create_directories(dir.file("tools"));
        executable(dir.file("vec"), "#!/bin/sh\n");
        test::writeFile(dir.file("tools/libencsession.so"), "");
        profile("1.pf", "MP4 H.264", "mp4", "h264");
        profile("2.pf", "AVI MPEG-4", "avi", "mpeg4");
        profile("3.pf", "Real 56k", "rm", "56k Dial-up");
        executable(dir.file("ffmpeg"),
                   "#!/bin/sh\n"
                   "case \"$2\" in\n"
                   "-version) echo 'ffmpeg version test' ;;\n"
                   "-encoders) printf ' ------\\n V..... mpeg4 x\\n V..... h264_v4l2m2m x\\n' ;;\n"
                   "-muxers) printf ' --\\n  E mp4 x\\n  E avi x\\n  E rm x\\n' ;;\n"
                   "esac\n");
    }
    static void executable(const std::string& path, const std::string& text) {
        test::writeFile(path, text);
        ::chmod(path.c_str(), 0755);
    }
    void profile(const std::string& file, const std::string& name, const std::string& format,
                 const std::string& vcodec) {
        test::writeFile(dir.file("profiles/" + file), "[Main]\nName=" + name + "\nFormat=" + format +
                                                          "\n[Parameter]\nvcodec=,," + vcodec + "\n");
    }
    StartupReport check(const std::string& ffmpeg) {
        catalogue.scan(dir.file("profiles"), dir.file("config.ini"));
        return checkStartup(dir.path() + "/", catalogue, ffmpeg, dir.file("ffmpeg-abilities.txt"));
    }

    test::TempDir dir;
    profiles::ProfileCatalogue catalogue;
};

TEST_F(StartupChecksTest, AProfileWhoseEncoderFfmpegLacksIsUnavailableWithTheReason) {
    const auto report = check(dir.file("ffmpeg"));
    EXPECT_TRUE(report.problems.empty());
    ASSERT_EQ(report.unavailable.size(), 1U);
    EXPECT_EQ(report.unavailable.at("MP4 H.264"), "FFmpeg on this system has no encoder libx264 (H.264)");
}

TEST_F(StartupChecksTest, MissingPiecesAreNamedOnceAndRealMediaWaitsForItsLibrary) {
    std::filesystem::remove(dir.file("vec"));
    std::filesystem::remove(dir.file("tools/libencsession.so"));
    const auto report = check(dir.file("no-ffmpeg-here"));
    ASSERT_EQ(report.problems.size(), 2U);
    EXPECT_EQ(report.problems[0],
              "The converter \"" + dir.path() +
                  "/vec\" is missing or cannot be run, so no file can be converted. Please "
                  "reinstall the program.");
    EXPECT_EQ(report.problems[1].rfind("FFmpeg, which does the conversions, could not be run (", 0), 0U)
        << report.problems[1];
    EXPECT_NE(report.problems[1].find("Debian package \"ffmpeg\""), std::string::npos);
    ASSERT_EQ(report.unavailable.size(), 1U) << "without FFmpeg's lists nothing else is judged";
    EXPECT_EQ(report.unavailable.at("Real 56k"),
              "the RealMedia producer library \"" + dir.path() + "/tools/libencsession.so\" is missing");

    std::filesystem::remove_all(dir.file("profiles"));
    const auto empty = check(dir.file("ffmpeg"));
    ASSERT_EQ(empty.problems.size(), 2U);
    EXPECT_EQ(empty.problems[1].rfind("No profiles were found in \"" + dir.path() + "/profiles/\" or \"", 0),
              0U)
        << empty.problems[1];
}

} // namespace
} // namespace morvane::app
