#include "app/saved_list.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "platform/durable_file.h"
#include "profiles/profile.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

namespace fs = std::filesystem;
using morvane::test::TempDir;
using morvane::test::writeFile;

std::unique_ptr<profiles::Profile> profileFrom(const std::string& path, const std::string& name) {
    auto profile = std::make_unique<profiles::Profile>();
    profiles::parseProfileFile(path, name, *profile);
    return profile;
}

// A row as the window makes it, with every property set to something of its own.
void addRow(FileList& list, const std::string& source, std::unique_ptr<profiles::Profile> profile, int seed) {
    auto job = std::make_unique<engine::ConversionJob>();
    job->sourcePath = source;
    job->duration = 61.5 + seed;
    job->sourceFrameRate = 29.97;
    job->sourceAudioBitrate = 128000.0 + seed;
    job->sourceSampleRate = 48000.0;
    job->sourceVideoBitrate = 900000 + seed;
    job->sourceWidth = 640 + seed;
    job->sourceHeight = 480;
    job->sourceChannels = 2;
    job->hasVideo = seed % 2;
    job->hasAudio = 1;
    job->useFrameServer = seed % 2;
    job->targetCode = 10 + seed;
    list.append(std::move(job), std::move(profile));
}

class SavedListTest : public ::testing::Test {
protected:
    SavedListTest() {
        writeFile(dir.file("mp4.pf"),
                  "[Main]\nName=Phone MP4\nSName=MP4\nFormat=mp4\nExtName=mp4\nMediaType=MP4\n"
                  "[Parameter]\nb=,,800\ntitle=,,Holiday\nab=READONLY,,128,[64,128]\n");
        writeFile(dir.file("mp3.pf"),
                  "[Main]\nName=MP3\nSName=\nFormat=mp3\nMediaType=MP3\n[Parameter]\nab=,,192\n");
    }
    TempDir dir;
};

TEST_F(SavedListTest, EveryRowPropertyComesBackEvenWhenTheProfileFileIsGone) {
    FileList list;
    const std::string odd = dir.file("caf\xe9 \"clip\"\xff.mov"); // no UTF-8: any bytes are a name
    addRow(list, dir.file("one.mp4"), profileFrom(dir.file("mp4.pf"), "Phone MP4"), 1);
    addRow(list, odd, profileFrom(dir.file("mp4.pf"), "Phone MP4"), 2);
    addRow(list, dir.file("three.wav"), profileFrom(dir.file("mp3.pf"), "MP3"), 3);
    addRow(list, dir.file("four.mp4"), profileFrom(dir.file("mp4.pf"), "Phone MP4"), 4);
    // Edited settings, cuts, statuses and check marks of each kind.
    list.row(0).profile->findParam("b")->value = "1500";
    list.row(0).profile->findParam("title")->value = "Beach \xe2\x80\x94 day 2";
    list.row(0).cells[kColumnStart] = "00:00:05";
    list.row(0).cells[kColumnEnd] = "00:00:42";
    list.row(1).cells[kColumnStatus] = kStatusCompleted;
    list.row(1).checked = false;
    list.row(2).progress = 40; // converting when the list was saved
    list.row(3).cells[kColumnStatus] = kStatusFail;
    list.row(3).checked = false;

    ListSnapshotter snapshotter;
    const SavedList saved = snapshotter.snapshot(list, true);
    ASSERT_EQ(saved.profiles.size(), 2U) << "rows of one profile file share it";
    EXPECT_EQ(saved.rows[0].settings.size(), 2U) << "only the edited settings are kept per row";
    EXPECT_TRUE(saved.rows[1].settings.empty());

    fs::remove(dir.file("mp4.pf"));
    auto parsed = parseSavedList(savedListText(saved));
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_TRUE(parsed->open);
    ASSERT_EQ(parsed->rows.size(), 4U);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(parsed->rows[i], saved.rows[i]) << i;
    }
    const auto restored = restoreRows(*parsed, [](const std::string&) { return true; });
    ASSERT_EQ(restored.rows.size(), 4U);
    EXPECT_TRUE(restored.missing.empty());
    for (int i = 0; i < 4; ++i) {
        const FileRow& before = list.row(i);
        const FileRow& after = restored.rows[static_cast<std::size_t>(i)];
        ASSERT_NE(after.profile, nullptr);
        EXPECT_EQ(after.job->profile, after.profile.get());
        EXPECT_EQ(after.job->sourcePath.str(), before.job->sourcePath.str());
        EXPECT_EQ(after.job->duration, before.job->duration);
        EXPECT_EQ(after.job->sourceWidth, before.job->sourceWidth);
        EXPECT_EQ(after.job->sourceVideoBitrate, before.job->sourceVideoBitrate);
        EXPECT_EQ(after.job->sourceAudioBitrate, before.job->sourceAudioBitrate);
        EXPECT_EQ(after.job->hasVideo, before.job->hasVideo);
        EXPECT_EQ(after.job->useFrameServer, before.job->useFrameServer);
        EXPECT_EQ(after.job->targetCode, before.job->targetCode);
        EXPECT_EQ(after.profile->name, before.profile->name);
        EXPECT_EQ(after.profile->Format, before.profile->Format);
        EXPECT_EQ(after.profile->paramCount, before.profile->paramCount);
        for (int p = 0; p < before.profile->paramCount; ++p) {
            const auto& param = before.profile->params[static_cast<std::size_t>(p)];
            EXPECT_EQ(after.profile->findParam(param.name)->value, param.value) << i << " " << param.name;
            EXPECT_EQ(after.profile->findParam(param.name)->isReadOnly(), param.isReadOnly());
        }
        for (const int column : {kColumnFile, kColumnTarget, kColumnStart, kColumnEnd}) {
            EXPECT_EQ(after.cells[static_cast<std::size_t>(column)],
                      before.cells[static_cast<std::size_t>(column)]);
        }
    }
    // Completed stays completed and unchecked; converting comes back Ready and checked; a failure keeps both.
    EXPECT_EQ(restored.rows[1].cells[kColumnStatus], kStatusCompleted);
    EXPECT_FALSE(restored.rows[1].checked);
    EXPECT_EQ(restored.rows[2].cells[kColumnStatus], kStatusReady);
    EXPECT_TRUE(restored.rows[2].checked);
    EXPECT_EQ(restored.rows[3].cells[kColumnStatus], kStatusFail);
    EXPECT_FALSE(restored.rows[3].checked);

    // Files no longer there are left out and named.
    const auto without = restoreRows(*parsed, [&](const std::string& path) { return path != odd; });
    EXPECT_EQ(without.rows.size(), 3U);
    EXPECT_EQ(without.missing, std::vector<std::string>{odd});
}

TEST(SavedListDocument, BrokenForeignAndLaterDocumentsAreRefusedWithTheirReason) {
    SavedList list;
    list.profiles.push_back(
        std::make_shared<SavedProfile>(SavedProfile{"P", "/p.pf", {{"Format", "mp4"}}, {}}));
    SavedRow row;
    row.sourcePath = "/clips/a.mp4";
    row.profile = 0;
    list.rows = {row, row};
    const std::string good = savedListText(list);
    ASSERT_TRUE(parseSavedList(good));
    std::string future = good;
    future.replace(future.find("\"version\": 1"), 12, "\"version\": 7");
    std::string badIndex = good;
    badIndex.replace(badIndex.find("\"profile\": 0"), 12, "\"profile\": 3");
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {good.substr(0, good.size() / 2), "it is cut short"},
        {"\x89PNG\r\n\x1a\n", "it is not readable"},
        {R"({"format": "someone-else", "version": 1})", "it is not a saved file list"},
        {"[1, 2, 3]", "it is not a saved file list"},
        {future, "a later version of the program wrote it (version 7)"},
        {badIndex, "it is damaged: a row in it names a profile that is not there"},
        {R"({"format": "morvane-file-list", "version": 1, "rows": [{"source": 5}]})", "it is damaged"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseSavedList(c.text);
        ASSERT_FALSE(parsed) << c.reason;
        EXPECT_EQ(parsed.error().rfind(c.reason, 0), 0U) << parsed.error();
    }
}

TEST(ListWriter, WritesTheLatestListWholeAndRemovesTheFile) {
    TempDir dir;
    const std::string path = dir.file("file-list.json");
    SavedList list;
    SavedRow row;
    row.sourcePath = "/clips/a.mp4";
    {
        ListWriter writer(path);
        for (int i = 0; i < 50; ++i) {
            row.start = std::to_string(i);
            list.rows = {row};
            writer.submit(list);
        }
        writer.flush();
        const auto parsed = parseSavedList(morvane::test::readFile(path));
        ASSERT_TRUE(parsed) << parsed.error();
        EXPECT_EQ(parsed->rows.at(0).start, "49") << "the latest list wins";
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600U) << "the list names the user's files: the user's alone";
        writer.remove();
        writer.flush();
        EXPECT_FALSE(fs::exists(path));
        EXPECT_FALSE(writer.lastError());
    }
    // What is in the way is left alone, and the failure is known.
    fs::create_directory(path);
    ListWriter writer(path);
    writer.submit(list);
    writer.flush();
    EXPECT_TRUE(writer.lastError());
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST(DurableFile, SetAsideNamesCarryTheDateAndNeverTakeAnExistingName) {
    TempDir dir;
    const std::string path = dir.file("file-list.json");
    const long long when = 1765151412; // 2025-12-07 23:50:12 UTC
    const std::string first = platform::setAsideName(path, when);
    EXPECT_TRUE(std::regex_match(first, std::regex(".*/file-list\\.json\\.2025120[78]-[0-9]{6}\\.bad")))
        << first;
    writeFile(first, "x");
    EXPECT_EQ(platform::setAsideName(path, when), first.substr(0, first.size() - 4) + "-2.bad");

    writeFile(path, "broken");
    const auto aside = platform::setFileAside(path);
    ASSERT_TRUE(aside) << aside.error();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(morvane::test::readFile(*aside), "broken");

    const auto owner = platform::FileOwnership::take(path);
    EXPECT_TRUE(owner.held());
    EXPECT_FALSE(platform::FileOwnership::take(path).held()) << "one owner at a time";
}

TEST(KeepListSetting, OffUnlessConfigSaysTrue) {
    TempDir dir;
    const std::string config = dir.file("config.ini");
    EXPECT_FALSE(readKeepList(config));
    ASSERT_TRUE(writeKeepList(config, true));
    EXPECT_TRUE(readKeepList(config));
    ASSERT_TRUE(writeKeepList(config, false));
    EXPECT_FALSE(readKeepList(config));
}

} // namespace
} // namespace morvane::app
