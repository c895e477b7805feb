#include "platform/work_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

#include "tests/support/test_support.h"

namespace morvane::platform {
namespace {

TEST(WorkFiles, NamesKeepTheFolderAndExtensionAndAreRecognisedByTheirForm) {
    EXPECT_EQ(workFileName("/out/a clip_new.rm", ".rm-part-", "Ab12Cd"), "/out/a clip_new.rm-part-Ab12Cd.rm");
    EXPECT_EQ(workFileName("noext", ".rm-part-", "Ab12Cd"), "noext.rm-part-Ab12Cd");
    const std::string fitted = workFileName("/o/" + std::string(300, 'x') + ".rm", ".rm-part-", "Ab12Cd");
    EXPECT_EQ(fitted.size(), 3U + 255U);
    EXPECT_TRUE(isWorkFileName(fitted.substr(3), ".rm-part-"));
    const struct {
        const char* name;
        bool work;
    } cases[] = {
        {"a_new.rm-part-Ab12Cd.rm", true},   {"a_new.rm-part-Ab12Cd", true},
        {"a.rm-part-Ab12Cd.x.rm", false},    {"a_new.rm-part-Ab12C.rm", false},
        {"a_new.rm-part-Ab-2Cd.rm", false},  {"a_new.rm.partial", false},
        {"a_new.vec-part-Ab12Cd.rm", false}, {"a.rm", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isWorkFileName(c.name, ".rm-part-"), c.work) << c.name;
    }
}

// A fresh work file is its run's while the run holds it, and abandoned once the run lets go.
TEST(WorkFiles, AFreshFileIsHeldUntilItsRunLetsGo) {
    test::TempDir dir;
    auto created = createWorkFile(dir.file("out.rm"), ".rm-part-");
    ASSERT_TRUE(created) << created.error();
    const std::string name = created->path.substr(dir.path().size() + 1);
    EXPECT_TRUE(isWorkFileName(name, ".rm-part-")) << name;
    const UniqueFd folder(::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    EXPECT_FALSE(takeAbandonedWorkFile(folder.get(), name).valid()) << "its run still holds it";
    created->fd.reset();
    EXPECT_TRUE(takeAbandonedWorkFile(folder.get(), name).valid());
    ASSERT_EQ(::symlink(created->path.c_str(), dir.file("link.rm-part-Lnk123.rm").c_str()), 0);
    EXPECT_FALSE(takeAbandonedWorkFile(folder.get(), "link.rm-part-Lnk123.rm").valid())
        << "a link is no work file";
}

} // namespace
} // namespace morvane::platform
