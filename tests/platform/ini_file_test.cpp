#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "tests/support/test_support.h"

namespace morvane::platform {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(IniRead, NamesMatchWithoutCaseAndValuesAreTrimmedAndUnquoted) {
    const auto ini = IniFile::parse("\xEF\xBB\xBF"
                                    "; comment\r\n"
                                    "[Config]\r\n"
                                    "  SoftName =  My Converter  \r\n"
                                    "version=\"2.0 beta\"\r\n"
                                    "Output=' /data/out '\r\n"
                                    "Odd=\"left only\r\n"
                                    "Mixed=\"a'\r\n"
                                    "Empty=\r\n"
                                    "Equals=a=b=c\r\n"
                                    "no equals sign here\r\n"
                                    "softname=second wins not\r\n"
                                    "[ other ]\n"
                                    "key=v\n"
                                    "[config]\n"
                                    "Late=ignored, the first section counts\n"
                                    "[Tail]\n"
                                    "last=no newline");
    EXPECT_EQ(ini.value("config", "SOFTNAME"), "My Converter");
    EXPECT_EQ(ini.value("CONFIG", "Version"), "2.0 beta");
    EXPECT_EQ(ini.value("Config", "Output"), " /data/out ");
    EXPECT_EQ(ini.value("Config", "Odd"), "\"left only");
    EXPECT_EQ(ini.value("Config", "Mixed"), "\"a'");
    EXPECT_EQ(ini.value("Config", "Empty"), "");
    EXPECT_EQ(ini.value("Config", "Equals"), "a=b=c");
    EXPECT_FALSE(ini.value("Config", "Late").has_value());
    EXPECT_FALSE(ini.value("Config", "missing").has_value());
    EXPECT_FALSE(ini.value("Nowhere", "key").has_value());
    EXPECT_EQ(ini.value("Other", "KEY"), "v");
    EXPECT_EQ(ini.value("tail", "last"), "no newline");
    EXPECT_EQ(ini.keyNames("Config"),
              (std::vector<std::string>{"SoftName", "version", "Output", "Odd", "Mixed", "Empty", "Equals"}));
}

TEST(IniRead, CallerLimitsCutValuesAndKeyLists) {
    TempDir dir;
    const auto path = dir.file("config.ini");
    writeFile(path, "[Config]\nOutput=" + std::string(1500, 'o') + "\nName=caf\xC3\xA9\nA=1\nBB=2\nCCC=3\n");
    EXPECT_EQ(iniReadString(path, "Config", "Output", "x", 1025).size(), 1024U);
    EXPECT_EQ(iniReadString(path, "Config", "Name", "", 5), "caf"); // no half "é"
    EXPECT_EQ(iniReadString(path, "Config", "Missing", "  default ", 64), "default");
    EXPECT_EQ(iniReadString(dir.file("absent.ini"), "Config", "Output", "C:\\temp", 1025), "C:\\temp");
    EXPECT_EQ(iniReadString(path, "Config", "Output", "x", 0), "");

    // "Output\0Name\0A\0BB\0CCC\0\0" needs 24 bytes; with 20 the last name is cut to "C".
    EXPECT_EQ(iniReadKeyNames(path, "config", 24).size(), 5U);
    EXPECT_EQ(iniReadKeyNames(path, "config", 16384).size(), 5U);
    EXPECT_EQ(iniReadKeyNames(path, "config", 20),
              (std::vector<std::string>{"Output", "Name", "A", "BB", "C"}));
    EXPECT_TRUE(iniReadKeyNames(path, "missing", 16384).empty());
}

TEST(IniRead, HostileFilesGiveSensibleResults) {
    TempDir dir;
    std::mt19937 random(7);
    std::string garbage(256 * 1024, '\0');
    for (auto& c : garbage) {
        c = static_cast<char>(random());
    }
    writeFile(dir.file("garbage.ini"), garbage);
    const auto fromGarbage = IniFile::load(dir.file("garbage.ini"));
    EXPECT_FALSE(fromGarbage.value("Config", "Output").has_value());

    std::string big = "[Main]\nName=Big\n";
    while (big.size() < 10U * 1024U * 1024U) {
        big += "Padding" + std::to_string(big.size()) + "=" + std::string(200, 'p') + "\n";
    }
    writeFile(dir.file("big.ini"), big);
    EXPECT_EQ(iniReadString(dir.file("big.ini"), "main", "name", "", 1000), "Big");

    std::filesystem::create_directory(dir.file("folder.ini"));
    EXPECT_EQ(iniReadString(dir.file("folder.ini"), "Config", "Output", "d", 100), "d");
    EXPECT_FALSE(iniWriteString(dir.file("folder.ini"), "Config", "Output", "x"));
}

TEST(IniWrite, ReplacesInPlaceAndKeepsEveryOtherLine) {
    TempDir dir;
    const auto path = dir.file("config.ini");
    const std::string original = "; settings\r\n[Config]\r\nSoftName=Quillon\r\n  output = /old  \r\n\r\n"
                                 "[Other]\r\nOutput=keep\r\n";
    writeFile(path, original);
    ASSERT_TRUE(iniWriteString(path, "CONFIG", "Output", "/new/place"));
    EXPECT_EQ(readFile(path), "; settings\r\n[Config]\r\nSoftName=Quillon\r\nOutput=/new/place\r\n\r\n"
                              "[Other]\r\nOutput=keep\r\n");

    ASSERT_TRUE(iniWriteString(path, "Config", "ProfileID", "3"));
    EXPECT_EQ(readFile(path),
              "; settings\r\n[Config]\r\nSoftName=Quillon\r\nOutput=/new/place\r\nProfileID=3\r\n"
              "\r\n[Other]\r\nOutput=keep\r\n");
    EXPECT_EQ(iniReadString(path, "config", "profileid", "0", 8), "3");
}

TEST(IniWrite, CreatesFileAndSectionAndRefusesBrokenNames) {
    TempDir dir;
    const auto path = dir.file("config.ini");
    ASSERT_TRUE(iniWriteString(path, "Config", "ProfileID", "0"));
    EXPECT_EQ(readFile(path), "[Config]\nProfileID=0\n");

    writeFile(path, "[Main]\nName=x"); // no final line feed
    ASSERT_TRUE(iniWriteString(path, "Main", "SName", "avi"));
    EXPECT_EQ(readFile(path), "[Main]\nName=x\nSName=avi\n");
    ASSERT_TRUE(iniWriteString(path, "Config", "Output", "/tmp"));
    EXPECT_EQ(readFile(path), "[Main]\nName=x\nSName=avi\n[Config]\nOutput=/tmp\n");

    EXPECT_FALSE(iniWriteString(path, "Config", "Output", "two\nlines"));
    EXPECT_FALSE(iniWriteString(path, "Config", "a=b", "x"));
    EXPECT_FALSE(iniWriteString(path, "", "key", "x"));
    EXPECT_FALSE(iniWriteString(path, "Config", "  ", "x"));
    EXPECT_EQ(readFile(path), "[Main]\nName=x\nSName=avi\n[Config]\nOutput=/tmp\n");
    EXPECT_FALSE(iniWriteString(dir.file("no/such/folder/config.ini"), "Config", "Output", "x"));
}

TEST(IniWrite, AnInterruptedWriteLeavesTheOldFileIntact) {
    TempDir dir;
    const auto path = dir.file("config.ini");
    const std::string original = "[Config]\nOutput=/old\n";
    writeFile(path, original);
    // The write is cut off by the file size limit part way, as a full disk or a crash would.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(iniWriteString(path, "Config", "Output", std::string(4096, 'n')) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the write should have failed";
    EXPECT_EQ(readFile(path), original);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1U) << "no temporary file may be left behind";
}

} // namespace
} // namespace morvane::platform
