#include "app/batch_journal.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "profiles/profile.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

namespace fs = std::filesystem;
using morvane::test::readFile;
using morvane::test::TempDir;
using morvane::test::writeFile;

class JournalTest : public ::testing::Test {
protected:
    JournalTest() {
        writeFile(dir.file("p.pf"), "[Main]\nName=MP4\nFormat=mp4\nMediaType=MP4\n[Parameter]\nb=,,800\n");
        profiles::parseProfileFile(dir.file("p.pf"), "MP4", profile);
        writeFile(source, "source bytes");
        writeFile(output, "converted");
    }
    JournalKey key() const { return *journalKeyFor(source, profile, "MP4", "", "", dir.path()); }
    JournalEntry completed() const { return JournalEntry{key(), "Completed", output, 2.5, ""}; }

    TempDir dir;
    profiles::Profile profile;
    std::string source = dir.file("a.mov");
    std::string output = dir.file("a.mp4");
    std::string path = dir.file("batch.journal");
};

TEST_F(JournalTest, ACompletedFileCountsUntilItsSourceProfileCutOrOutputChanges) {
    {
        auto journal = BatchJournal::open(path);
        ASSERT_TRUE(journal) << journal.error();
        EXPECT_FALSE(journal->completed(key()));
        ASSERT_TRUE(journal->record(JournalEntry{key(), "Fail", "", 1.0, "no stream"}));
        ASSERT_TRUE(journal->record(completed()));
        EXPECT_TRUE(journal->completed(key()));
    }
    // A later run reads what the earlier one wrote.
    auto journal = BatchJournal::open(path);
    ASSERT_TRUE(journal) << journal.error();
    const auto done = journal->completed(key());
    ASSERT_TRUE(done);
    EXPECT_EQ(done->output, output);
    EXPECT_EQ(done->seconds, 2.5);

    // Each thing that makes it another conversion.
    JournalKey other = key();
    other.start = "00:00:01";
    EXPECT_FALSE(journal->completed(other));
    other = key();
    other.outputFolder = "/elsewhere";
    EXPECT_FALSE(journal->completed(other));
    other = key();
    other.profile = "MP4 (other.pf)";
    EXPECT_FALSE(journal->completed(other));
    profiles::Profile edited = profile;
    edited.findParam("b")->value = "801";
    EXPECT_NE(settingsFingerprint(edited), settingsFingerprint(profile));
    EXPECT_FALSE(journal->completed(*journalKeyFor(source, edited, "MP4", "", "", dir.path())));
    writeFile(source, "source bytes, longer");
    EXPECT_FALSE(journal->completed(key())) << "a changed source is converted again";
    writeFile(source, "source bytes");
    fs::last_write_time(source, fs::last_write_time(source) + std::chrono::seconds(5));
    EXPECT_FALSE(journal->completed(key())) << "same size, other time";
    // The earlier key with its output gone.
    const JournalKey earlier = done->key;
    fs::remove(output);
    EXPECT_FALSE(journal->completed(earlier));
    EXPECT_FALSE(journalKeyFor(dir.file("gone.mov"), profile, "MP4", "", "", dir.path()));
}

TEST_F(JournalTest, ALineCutShortIsPassedOverAndTheNextStartsALineOfItsOwn) {
    const std::string line = journalLine(completed());
    writeFile(path, line + line.substr(0, line.size() / 2));
    {
        auto journal = BatchJournal::open(path);
        ASSERT_TRUE(journal) << journal.error();
        EXPECT_EQ(journal->unreadLines(), 1);
        EXPECT_TRUE(journal->completed(key()));
        // Several converting threads report at once.
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&] { ASSERT_TRUE(journal->record(completed())); });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    }
    auto journal = BatchJournal::open(path);
    ASSERT_TRUE(journal) << journal.error();
    EXPECT_EQ(journal->unreadLines(), 1) << readFile(path);
    EXPECT_TRUE(journal->completed(key()));
}

TEST_F(JournalTest, WhatIsNoJournalIsRefusedAndLeftAsItIs) {
    writeFile(path, "my own notes\nline two\n");
    const auto refused = BatchJournal::open(path);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("is not a journal of morvane-batch"), std::string::npos)
        << refused.error();
    EXPECT_EQ(readFile(path), "my own notes\nline two\n");
    EXPECT_FALSE(BatchJournal::open(dir.path()));
    // An empty file or none is a new journal.
    writeFile(path, "");
    EXPECT_TRUE(BatchJournal::open(path));
    EXPECT_TRUE(BatchJournal::open(dir.file("new.journal")));
}

} // namespace
} // namespace morvane::app
