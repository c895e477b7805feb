// The converter's work files: which names a later run takes for abandoned and removes.
#include "converter/work_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace morvane::converter {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

Names namesIn(const std::string& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A file as a converter makes it: marked as the work file of `markedAs`.
void writeMarked(const std::string& path, const std::string& markedAs) {
    test::writeFile(path, "half");
    ASSERT_EQ(::setxattr(path.c_str(), "user.morvane.work", markedAs.data(), markedAs.size(), 0), 0);
}

TEST(WorkOutput, OnlyAbandonedWorkFilesAndTheirLogsAreRemoved) {
    test::TempDir dir;
    const Names holders = {"clip.vec-part-Ab12Cd.mp4", "bare.vec-part-000000"};
    const Names abandoned = {"clip.vec-part-Ab12Cd.mp4", "clip.vec-part-Ab12Cd.mp4.pass-0.log",
                             "clip.vec-part-Ab12Cd.mp4.pass-0.log.mbtree",
                             "clip.vec-part-Ab12Cd.mp4.pass-1.log.mbtree.temp", "bare.vec-part-000000"};
    const Names kept = {"live.vec-part-Live01.mkv", // locked: its run is going on
                        "live.vec-part-Live01.mkv.pass-0.log",
                        "gone.vec-part-zzzzzz.avi.pass-0.log", // no holder: may be anybody's
                        "keep.vec-part-backup.mp4",            // the user's: not marked
                        "copy.vec-part-Ab12Cd.mp4",            // a copy of a work file under another name
                        "input.vec-part-Inp123.mp4",           // the run's own input
                        "clip.mp4",
                        "clip.vec-part-Ab12C.mp4", // not a tag of six
                        "clip.vec-part-Ab12C-.mp4",
                        "clip.vec-part-Ab12Cd.mp4.bak",
                        "clip.vec-part-Ab12Cd.mp4.pass-x.log",
                        "clip.vec-part-Ab12Cd.mp4.pass-0.txt",
                        "notes.vec-part-abcdef.tar.gz"};
    for (const auto& name : abandoned) {
        test::writeFile(dir.file(name), "half");
    }
    for (const auto& name : kept) {
        test::writeFile(dir.file(name), "the user's");
    }
    for (const auto& name : holders) {
        writeMarked(dir.file(name), name);
    }
    writeMarked(dir.file("live.vec-part-Live01.mkv"), "live.vec-part-Live01.mkv");
    writeMarked(dir.file("copy.vec-part-Ab12Cd.mp4"), "clip.vec-part-Ab12Cd.mp4");
    writeMarked(dir.file("input.vec-part-Inp123.mp4"), "input.vec-part-Inp123.mp4");
    // Named like work files, but a folder and a link to a user's file.
    fs::create_directory(dir.file("folder.vec-part-Dir123"));
    fs::create_symlink(dir.file("clip.mp4"), dir.file("link.vec-part-Lnk123.mp4"));
    const int held = ::open(dir.file("live.vec-part-Live01.mkv").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    Names removed = removeAbandonedWorkFiles(dir.path(), {dir.file("input.vec-part-Inp123.mp4")});
    ::close(held);
    std::sort(removed.begin(), removed.end());
    Names expectedRemoved = abandoned;
    std::sort(expectedRemoved.begin(), expectedRemoved.end());
    EXPECT_EQ(removed, expectedRemoved);
    Names expectedKept = kept;
    expectedKept.insert(expectedKept.end(), {"folder.vec-part-Dir123", "link.vec-part-Lnk123.mp4"});
    std::sort(expectedKept.begin(), expectedKept.end());
    EXPECT_EQ(namesIn(dir.path()), expectedKept);
    EXPECT_EQ(test::readFile(dir.file("clip.mp4")), "the user's");
}

// A work file no longer needed leaves nothing; a stopped run never takes the place of a file there.
TEST(WorkOutput, PlacingKeepsOrReplacesAndDiscardingLeavesNothing) {
    test::TempDir dir;
    const std::string output = dir.file("out.mkv");
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named" : "unnamed");
        test::writeFile(output, "earlier");
        auto work = WorkOutput::create(output, named);
        ASSERT_TRUE(work) << work.error();
        test::writeFile(
            named ? work->ffmpegPath() : "/proc/self/fd/" + std::to_string(work->passedDescriptor()), "new");
        EXPECT_EQ(work->size(), 3);
        EXPECT_EQ(work->place(false), EEXIST);
        EXPECT_EQ(test::readFile(output), "earlier");
        EXPECT_EQ(work->place(true), 0);
        EXPECT_EQ(test::readFile(output), "new");
        EXPECT_EQ(namesIn(dir.path()), Names{"out.mkv"});
        char mark[300];
        EXPECT_LT(::getxattr(output.c_str(), "user.morvane.work", mark, sizeof mark), 0)
            << "a result is no work file";

        auto dropped = WorkOutput::create(output, named);
        ASSERT_TRUE(dropped);
        dropped->discard();
        EXPECT_EQ(namesIn(dir.path()), Names{"out.mkv"});
    }
}

} // namespace
} // namespace morvane::converter
