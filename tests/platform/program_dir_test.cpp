#include "platform/program_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"

namespace morvane::platform {
namespace {

TEST(ProgramDirectory, IsTheExecutablesFolderWhateverTheCurrentDirectory) {
    const auto exe = std::filesystem::read_symlink("/proc/self/exe");
    const auto expected = exe.parent_path().string() + "/";
    const auto before = std::filesystem::current_path();
    test::TempDir elsewhere;
    std::filesystem::current_path(elsewhere.path());
    EXPECT_EQ(programDirectory(), expected);
    std::filesystem::current_path(before);

    setProgramDirectory("/opt/morvane");
    EXPECT_EQ(programDirectory(), "/opt/morvane/");
    setProgramDirectory("");
    EXPECT_EQ(programDirectory(), expected);
}

} // namespace
} // namespace morvane::platform
