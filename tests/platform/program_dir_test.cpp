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

// Plugins are looked for beside the running executable (the test executables are pointed at the
// build's program directory), whatever program directory a process acts for.
TEST(ProgramDirectory, PluginsFollowTheirOwnSettingNotTheProgramDirectory) {
    const auto exe = std::filesystem::read_symlink("/proc/self/exe");
    const std::string built = pluginDirectory();
    EXPECT_EQ(built.back(), '/');
    setProgramDirectory("/opt/elsewhere");
    EXPECT_EQ(pluginDirectory(), built);
    setPluginDirectory("/opt/plugins");
    EXPECT_EQ(pluginDirectory(), "/opt/plugins/");
    EXPECT_EQ(programDirectory(), "/opt/elsewhere/");
    setPluginDirectory("");
    EXPECT_EQ(pluginDirectory(), exe.parent_path().string() + "/");
    setPluginDirectory(built);
    setProgramDirectory("");
}

} // namespace
} // namespace morvane::platform
