#include "app/app_settings.h"

#include <gtest/gtest.h>

#include "platform/ini_file.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

using test::TempDir;
using test::writeFile;

TEST(AppSettings, DefaultsWithoutConfigFile) {
    TempDir dir;
    const auto settings = readSettings(configPathIn(dir.path() + "/"), "/home/u/Videos", dir.path() + "/");
    EXPECT_EQ(settings.configPath, dir.path() + "/config.ini");
    EXPECT_EQ(windowTitle(settings), "Quillon Video Converter 1.0.1");
    EXPECT_EQ(settings.outputFolder, "/home/u/Videos");
    EXPECT_FALSE(readForceFrameServer(settings.configPath));
    EXPECT_FALSE(test::fileExists(settings.configPath)) << "reading never creates config.ini";
}

TEST(AppSettings, LongValuesAreCutToTheirLimits) {
    TempDir dir;
    const auto path = dir.file("config.ini");
    const std::string name200(200, 'N');
    const std::string output1024 = "/" + std::string(1023, 'o');
    writeFile(path, "[config]\nsoftname=" + name200 + "\nVERSION=" + std::string(40, '9') +
                        "\nOutput=" + output1024 + "\n");
    auto settings = readSettings(path, "/tmp", "/opt/m/");
    EXPECT_EQ(settings.softName, std::string(127, 'N'));
    EXPECT_EQ(settings.version, std::string(31, '9'));
    EXPECT_EQ(windowTitle(settings), std::string(127, 'N') + " " + std::string(31, '9'));
    EXPECT_EQ(settings.outputFolder, output1024);

    writeFile(path, "[Config]\nOutput=" + output1024 + "tail\n");
    settings = readSettings(path, "/tmp", "/opt/m/");
    EXPECT_EQ(settings.outputFolder, output1024);
}

TEST(AppSettings, RelativeOutputIsBelowTheProgramDirectory) {
    TempDir dir;
    for (const auto& [output, expected] :
         {std::pair{"converted", "/opt/m/converted"}, std::pair{"./a/b/", "/opt/m/a/b"},
          std::pair{"../out", "/opt/out"}, std::pair{"/abs/out", "/abs/out"}}) {
        writeFile(dir.file("config.ini"), std::string("[Config]\nOutput=") + output + "\n");
        EXPECT_EQ(readSettings(dir.file("config.ini"), "/tmp", "/opt/m/").outputFolder, expected) << output;
    }
}

TEST(AppSettings, ForceFrameServerIsTrueInAnyCaseOnly) {
    TempDir dir;
    const auto path = dir.file("config.ini");
    for (const auto& [value, expected] : std::vector<std::pair<std::string, bool>>{{"TRUE", true},
                                                                                   {"true", true},
                                                                                   {"True", true},
                                                                                   {" \"tRuE\" ", true},
                                                                                   {"yes", false},
                                                                                   {"1", false},
                                                                                   {"", false},
                                                                                   {"TRUEX", false}}) {
        writeFile(path, "[Config]\nForceAVS=" + value + "\n");
        EXPECT_EQ(readForceFrameServer(path), expected) << value;
    }
}

TEST(AppSettings, OnlyOutputAndProfileIdAreWritten) {
    TempDir dir;
    const auto path = dir.file("config.ini");
    writeFile(path, "[Config]\nSoftName=Mine\n; keep me\n");
    ASSERT_TRUE(writeOutputFolder(path, "/data/out folder"));
    ASSERT_TRUE(writeProfileId(path, 12));
    EXPECT_EQ(test::readFile(path),
              "[Config]\nSoftName=Mine\n; keep me\nOutput=/data/out folder\nProfileID=12\n");
    EXPECT_EQ(readSettings(path, "/tmp", "/opt/m/").outputFolder, "/data/out folder");
}

} // namespace
} // namespace morvane::app
