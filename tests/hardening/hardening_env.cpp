#include "tests/hardening/hardening_env.h"

#include <algorithm>
#include <filesystem>

namespace morvane::hardening {

namespace fs = std::filesystem;

void HardeningTest::SetUp() {
    test::cloneProgramDirectory(MORVANE_PROGRAM_DIR, bin());
    fs::create_directories(clips());
    ASSERT_TRUE(fs::exists(bin() + "/morvane-batch"));
    ASSERT_TRUE(fs::exists(bin() + "/vec"));
}

void HardeningTest::makeClip(const std::string& name, double seconds, int width, int height) {
    ASSERT_TRUE(test::generateClip(clip(name), "av", seconds, width, height)) << name;
}

test::WatchOptions HardeningTest::options() const {
    test::WatchOptions watch;
    watch.workingDirectory = clips();
    // Nothing may reach the user's own folders, whatever config.ini says.
    watch.environment = {"HOME=" + home.path(), "XDG_CONFIG_HOME=" + home.path() + "/.config",
                         "TMPDIR=" + home.path(), "MORVANE_TESTING=1"};
    watch.timeLimit = std::chrono::seconds(120);
    return watch;
}

std::vector<std::string> HardeningTest::command(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{bin() + "/morvane-batch"};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

test::WatchedRun HardeningTest::batch(const std::vector<std::string>& args) const {
    return batch(args, options());
}

test::WatchedRun HardeningTest::batch(const std::vector<std::string>& args,
                                      const test::WatchOptions& watch) const {
    return test::runWatched(command(args), watch);
}

void HardeningTest::expectFailedRow(const test::WatchedRun& run, const std::string& file) const {
    EXPECT_FALSE(run.timedOut) << "morvane-batch hung\n" << shown(run);
    EXPECT_EQ(run.exitCode, 1) << shown(run);
    EXPECT_NE(run.out.find(file + ": Fail\n"), std::string::npos) << shown(run);
    EXPECT_EQ(run.out.find(": Completed"), std::string::npos) << shown(run);
    const std::string failure = "Error: Convert fail! Please send the trace file \"" + tracePath() + "\" to ";
    EXPECT_NE(run.err.find(failure), std::string::npos) << shown(run);
    EXPECT_EQ(run.err.find("Mission accomplished"), std::string::npos) << shown(run);
}

void HardeningTest::expectNextBatchWorks() {
    makeClip("next.mov", 1.0);
    const auto run = batch({"-p", kFastProfile, "-o", home.path() + "/next", "next.mov"});
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_NE(run.out.find("next.mov: Completed"), std::string::npos) << shown(run);
    std::error_code ec;
    EXPECT_GT(fs::file_size(home.path() + "/next/next" + kFastSuffix, ec), 0u) << ec.message();
}

std::string shown(const test::WatchedRun& run) {
    return "exit " + std::to_string(run.exitCode) + (run.timedOut ? " (timed out)" : "") + "\n--- stdout\n" +
           run.out + "--- stderr\n" + run.err;
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> filesNamed(const std::string& root, const std::string& name) {
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->path().filename() == name) {
            found.push_back(it->path().string());
        }
    }
    return found;
}

} // namespace morvane::hardening
