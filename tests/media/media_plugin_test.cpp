#include "media/media_plugin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/plugin.h"
#include "tests/support/test_support.h"

namespace morvane::media {
namespace {

using test::TempDir;

// The plugin hands over every fact the in-process detector finds, for each kind of file.
TEST(MediaPlugin, GivesTheSameFactsAsTheDetectorInProcess) {
    const TempDir dir;
    for (const std::string kind : {"av", "video", "audio", "still"}) {
        const std::string clip = dir.file("clip-" + kind + (kind == "still" ? ".png" : ".mkv"));
        ASSERT_TRUE(test::generateClip(clip, kind, 2.0, 320, 240)) << kind;
        MediaFacts direct;
        MediaFacts loaded;
        ASSERT_EQ(detectMediaFacts(clip, direct), kDetectOk) << kind;
        ASSERT_EQ(detectMediaFactsWithPlugin(clip, loaded), kDetectOk) << kind;
        EXPECT_TRUE(loaded == direct) << kind << ": every fact, the guessed length included";
    }
    EXPECT_EQ(mediaPluginProblem(), "");
}

// The path goes over whole: a name with a NUL in it is not cut short to another file's name.
TEST(MediaPlugin, UnreadableFilesGiveZeroFacts) {
    const TempDir dir;
    ASSERT_TRUE(test::generateClip(dir.file("clip.mkv"), "av", 1.0, 160, 120));
    double duration = -1;
    int width = -1;
    const std::string cut = dir.file("clip.mkv") + std::string(1, '\0') + "tail";
    for (const std::string& path : {dir.file("missing.mkv"), dir.path(), cut}) {
        EXPECT_NE(detectMediaWithPlugin(path, &duration, nullptr, nullptr, nullptr, &width, nullptr),
                  kDetectOk)
            << path;
        EXPECT_EQ(duration, 0.0) << path;
        EXPECT_EQ(width, 0) << path;
    }
}

// A plugin that is missing, is no shared object, does not speak this version or lacks the entry
// point is never used, and the reason names the file.
TEST(MediaPlugin, PluginsThatCannotBeUsedSayWhy) {
    const TempDir dir;
    test::writeFile(dir.file("not-elf.so"), "this is not a shared object\n");
    std::filesystem::copy_file(std::string(MORVANE_PROGRAM_DIR) + "/" + kMediaPluginFile,
                               dir.file(kMediaPluginFile));
    struct Case {
        std::string file;
        std::string entry;
        int version;
        std::string reason;
    };
    for (const auto& c : {Case{"missing.so", kMediaPluginEntry, kMediaPluginVersion, "cannot be loaded"},
                          Case{"not-elf.so", kMediaPluginEntry, kMediaPluginVersion, "cannot be loaded"},
                          Case{kMediaPluginFile, kMediaPluginEntry, kMediaPluginVersion + 1, "not a plugin"},
                          Case{kMediaPluginFile, "no_such_entry", kMediaPluginVersion, "not a plugin"}}) {
        platform::Plugin plugin(c.file, c.entry, c.version, dir.path());
        EXPECT_EQ(plugin.problem(), "") << "nothing is loaded before it is needed";
        EXPECT_EQ(plugin.table(), nullptr) << c.file;
        EXPECT_EQ(plugin.table(), nullptr) << c.file;
        EXPECT_NE(plugin.problem().find("\"" + dir.file(c.file) + "\""), std::string::npos)
            << plugin.problem();
        EXPECT_NE(plugin.problem().find(c.reason), std::string::npos) << plugin.problem();
    }
    platform::Plugin good(kMediaPluginFile, kMediaPluginEntry, kMediaPluginVersion, dir.path());
    EXPECT_EQ(good.loadedTableAs<MorvaneMediaPlugin>(), nullptr);
    EXPECT_NE(good.table(), nullptr);
    EXPECT_EQ(good.loadedTableAs<MorvaneMediaPlugin>(), good.table());
    EXPECT_EQ(good.problem(), "");
}

// The libraries' own warnings about a file come back through the plugin to the program's sink.
TEST(MediaPlugin, LibraryMessagesReachTheSink) {
    const TempDir dir;
    test::writeFile(dir.file("notes.avi"), "This is a plain text file, not a video.\nSecond line.\n");
    std::mutex mutex;
    std::vector<std::string> lines;
    setPluginMessageSink([&](std::string_view line) {
        const std::lock_guard lock(mutex);
        lines.emplace_back(line);
    });
    MediaFacts facts;
    EXPECT_NE(detectMediaFactsWithPlugin(dir.file("notes.avi"), facts), kDetectOk);
    setPluginMessageSink({});
    const std::lock_guard lock(mutex);
    ASSERT_FALSE(lines.empty());
    for (const auto& line : lines) {
        EXPECT_EQ(line.find('\n'), std::string::npos) << "one line at a time: " << line;
    }
}

// Probes start on several threads at once: the plugin is loaded once and every thread gets its table.
TEST(MediaPlugin, LoadsOnceWhenAskedFromManyThreads) {
    platform::Plugin plugin(kMediaPluginFile, kMediaPluginEntry, kMediaPluginVersion, MORVANE_PROGRAM_DIR);
    std::mutex mutex;
    std::set<const void*> tables;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            const void* table = plugin.table();
            const std::lock_guard lock(mutex);
            tables.insert(table);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_EQ(tables.size(), 1U);
    EXPECT_NE(*tables.begin(), nullptr);
}

} // namespace
} // namespace morvane::media
