#include "engine/file_guards.h"
#include "platform/work_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <set>

#include "platform/ini_file.h"
#include "tests/support/test_support.h"

namespace morvane::engine {
namespace {

namespace fs = std::filesystem;
using morvane::test::TempDir;

TEST(SourceProblem, OnlyRegularFilesMayBeConverted) {
    TempDir dir;
    morvane::test::writeFile(dir.file("clip.mov"), "media");
    fs::create_directory(dir.file("folder.mov"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.mov").c_str(), 0644), 0);
    fs::create_symlink(dir.file("clip.mov"), dir.file("link.mov"));
    fs::create_symlink(dir.file("pipe.mov"), dir.file("link-to-pipe.mov"));

    EXPECT_EQ(sourceProblem(dir.file("clip.mov")), std::nullopt);
    EXPECT_EQ(sourceProblem(dir.file("link.mov")), std::nullopt);
    EXPECT_EQ(sourceProblem(dir.file("gone.mov")),
              "The source file \"" + dir.file("gone.mov") + "\" cannot be read: No such file or directory");
    EXPECT_EQ(sourceProblem(dir.file("folder.mov")),
              "The source \"" + dir.file("folder.mov") + "\" is a folder, not a media file");
    for (const auto& name : {"pipe.mov", "link-to-pipe.mov"}) {
        const auto problem = sourceProblem(dir.file(name));
        ASSERT_TRUE(problem) << name;
        EXPECT_NE(problem->find("is not a regular file (a named pipe or a device)"), std::string::npos);
    }
    EXPECT_TRUE(sourceProblem("/dev/null"));
    EXPECT_TRUE(sourceProblem(""));
}

TEST(OutputFileName, LongNamesAreCutKeepingTheExtensionAndStayingDistinct) {
    const std::string folder = "/media/out dir/";
    EXPECT_EQ(fitOutputFileName(folder + "clip_xvid_mp3.avi"), folder + "clip_xvid_mp3.avi");
    const std::string fits(kLongestOutputName, 'a');
    EXPECT_EQ(fitOutputFileName(folder + fits), folder + fits);

    const std::string longStem(246, 'L');
    const std::string cut = fitOutputFileName(folder + longStem + "_mpeg1video_mp2.mpg");
    ASSERT_EQ(cut.rfind(folder, 0), 0u);
    const std::string name = cut.substr(folder.size());
    EXPECT_EQ(name.size(), kLongestOutputName);
    EXPECT_TRUE(name.ends_with(".mpg")) << name;
    EXPECT_EQ(name.rfind(std::string(200, 'L'), 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 13, 1), "~") << name;
    EXPECT_EQ(fitOutputFileName(folder + longStem + "_mpeg1video_mp2.mpg"), cut)
        << "the same name every time";

    // Names that share their first bytes still give two files.
    std::set<std::string> outputs;
    for (const char last : {'a', 'b', 'c'}) {
        outputs.insert(fitOutputFileName(folder + longStem + last + ".mpg"));
    }
    EXPECT_EQ(outputs.size(), 3u);

    // A cut never splits a UTF-8 sequence.
    std::string wide;
    while (wide.size() < 400) {
        wide += "日本語";
    }
    const std::string cutWide = fitOutputFileName("/o/" + wide + ".mp4").substr(3);
    EXPECT_LE(cutWide.size(), kLongestOutputName);
    const std::string kept = cutWide.substr(0, cutWide.find('~'));
    EXPECT_EQ(kept.size() % 3, 0u) << kept;
    EXPECT_EQ(wide.rfind(kept, 0), 0u);

    // A long extension is no extension; a name without a folder keeps having none.
    const std::string odd = fitOutputFileName(std::string(300, 'x') + "." + std::string(40, 'e'));
    EXPECT_EQ(odd.size(), kLongestOutputName);
    EXPECT_EQ(odd.find('/'), std::string::npos);
}

TEST(ConverterWorkFiles, OnlyFilesLeftByThisRunAreRemoved) {
    TempDir dir;
    const std::string output = dir.file("clip_h264_aac.mp4");
    const std::string earlier = dir.file("clip_h264_aac.vec-part-AAAAAA.mp4");
    morvane::test::writeFile(earlier, "another run's work");
    for (const auto& unrelated : {"clip_h264_aac.mp4", "clip_h264_aac.vec-part-AAAAA.mp4",
                                  "clip_h264_aac.vec-part-AAAA-A.mp4", "clip_h264_aac.vec-part-AAAAAA.mkv",
                                  "other.vec-part-AAAAAA.mp4", "clip_h264_aac.vec-part-AAAAAAA.mp4"}) {
        morvane::test::writeFile(dir.file(unrelated), "keep");
    }
    const auto before = converterWorkFiles(output);
    EXPECT_EQ(before, std::vector<std::string>{earlier});

    // A work file the converter made (marked), one it still holds, and a user's file of the same form
    // that appeared meanwhile: only the first goes.
    auto made = morvane::platform::createWorkFile(output, ".vec-part-");
    auto running = morvane::platform::createWorkFile(output, ".vec-part-");
    ASSERT_TRUE(made && running);
    const std::string left = made->path;
    made->fd.reset();
    const std::string users = dir.file("clip_h264_aac.vec-part-backup.mp4");
    morvane::test::writeFile(users, "the user's own");
    EXPECT_EQ(converterWorkFiles(output).size(), 4U);
    EXPECT_EQ(removeNewWorkFiles(output, before), std::vector<std::string>{left});
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(earlier) && fs::exists(users) && fs::exists(running->path));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 9);

    // Outputs without an extension, or in a folder that is gone.
    const std::string bare = dir.file("clip");
    morvane::test::writeFile(dir.file("clip.vec-part-123456"), "half");
    EXPECT_EQ(converterWorkFiles(bare), std::vector<std::string>{dir.file("clip.vec-part-123456")});
    EXPECT_EQ(converterWorkFiles(dir.file("gone/clip.mp4")), std::vector<std::string>{});
}

TEST(IniSections, ManyThousandKeysKeepTheirFirstValues) {
    std::string text = "[Parameter]\n";
    for (int i = 0; i < 200000; ++i) {
        text += "key" + std::to_string(i % 100000) + "=" + std::to_string(i) + "\n";
    }
    text += "KEY7=late\n";
    const auto file = platform::IniFile::parse(text);
    const auto entries = file.entries("parameter");
    ASSERT_EQ(entries.size(), 100000u);
    EXPECT_EQ(entries[7].key, "key7");
    EXPECT_EQ(entries[7].value, "7");
    EXPECT_EQ(entries.back().key, "key99999");
    EXPECT_EQ(file.value("Parameter", "Key7"), "7");
}

} // namespace
} // namespace morvane::engine
