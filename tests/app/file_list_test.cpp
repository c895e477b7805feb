#include "app/file_list.h"

#include <gtest/gtest.h>

#include "app/file_adder.h"
#include "engine/quillon_media_cntl.h"
#include "profiles/profile_catalogue.h"
#include "tests/app/batch_fakes.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

using test::RecordingPrompts;

TEST(FileAdder, AddsDecodableFilesAndReportsTheOthersByName) {
    morvane::test::TempDir dir;
    morvane::test::writeFile(dir.file("a.pf"), "[Main]\nName=Phone MP4\nSName=\nFormat=mp4\nMediaType=MP4\n");
    profiles::ProfileCatalogue catalogue;
    catalogue.scan(dir.path(), dir.file("config.ini"));
    test::FakeEncoderLog log;
    engine::CQuillonMediaCntl facade(test::fakeFactory(log));
    engine::EncoderInitRecord record;
    record.callback = [](std::int32_t, void*) {};
    ASSERT_EQ(facade.Init(&record), 1);

    FileList list;
    RecordingPrompts prompts;
    // Files that are not there are refused before any probe, so the clips exist (the fake probes by name).
    for (const char* name : {"first.avi", "bad \"one\".avi", "third.mov"}) {
        morvane::test::writeFile(dir.file(name), "");
        addOneFile(list, facade, catalogue, "Phone MP4", dir.file(name), prompts);
    }
    ASSERT_EQ(list.rowCount(), 2);
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, "The file \"bad \"one\".avi\" can not be decoded.");
    EXPECT_EQ(prompts.messages[0].caption, "Error");
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Stop);

    const auto& row = list.row(1);
    EXPECT_TRUE(row.checked);
    EXPECT_EQ(row.cells, (std::array<std::string, kColumnCount>{"", "third.mov", "MP4", "00:00:00",
                                                                "00:00:11", "Ready"}));
    ASSERT_NE(row.profile, nullptr);
    EXPECT_EQ(row.profile->name, "Phone MP4");
    EXPECT_EQ(row.job->profile, row.profile.get());
    EXPECT_NE(list.row(0).profile.get(), row.profile.get()) << "every row owns its own profile";

    // Read several at once, the jobs keep the order of the paths.
    std::vector<std::string> paths;
    for (int i = 0; i < 9; ++i) {
        paths.push_back(dir.file(i % 3 == 1 ? "bad \"one\".avi" : "first.avi"));
    }
    const auto jobs = probeFiles(facade, paths, 4);
    ASSERT_EQ(jobs.size(), paths.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_EQ(jobs[i] == nullptr, i % 3 == 1) << i;
        EXPECT_TRUE(jobs[i] == nullptr || jobs[i]->sourcePath.str() == paths[i]) << i;
    }
    facade.Release();
}

TEST(FileList, RemovesMovesAndChecksRows) {
    FileList list;
    for (const char* name : {"/a.avi", "/b.avi", "/c.avi"}) {
        auto job = std::make_unique<engine::ConversionJob>();
        job->sourcePath = name;
        job->duration = 3725.9;
        list.append(std::move(job), std::make_unique<profiles::Profile>());
    }
    EXPECT_EQ(list.row(0).cells[kColumnEnd], "01:02:05");
    EXPECT_TRUE(list.moveUp(2));
    EXPECT_EQ(list.row(1).cells[kColumnFile], "c.avi");
    EXPECT_FALSE(list.moveUp(0));
    EXPECT_FALSE(list.moveDown(2));
    EXPECT_TRUE(list.moveDown(0));
    EXPECT_EQ(list.row(0).cells[kColumnFile], "c.avi");
    list.checkAll(false);
    EXPECT_EQ(list.firstChecked(), -1);
    list.row(2).checked = true;
    EXPECT_EQ(list.firstChecked(), 2);
    EXPECT_FALSE(list.remove(3));
    EXPECT_TRUE(list.remove(0));
    EXPECT_EQ(list.rowCount(), 2);
    list.removeAll();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(endCellText(-1), "00:00:00");
}

} // namespace
} // namespace morvane::app
