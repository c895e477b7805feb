#pragma once

// morvane-batch as a user runs it, in a program directory of the test's own (config.ini, trace.flt,
// input.avs and the profiles belong to the test), with the real converter and FFmpeg on clips
// generated for the test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/batch_harness.h"
#include "tests/support/test_support.h"

namespace morvane::hardening {

// Fast to convert: small MPEG-1 output.
inline constexpr const char* kFastProfile = "MP4 Player - MPEG-1 + MP2 (320x240)";
inline constexpr const char* kFastSuffix = "_mpeg1video_mp2.mpg";
// Slow enough to be caught mid-run: H.264 at 640x480.
inline constexpr const char* kSlowProfile = "MP4 - H.264 + AAC (640x480)";
inline constexpr const char* kSlowSuffix = "_h264_aac.mp4";

class HardeningTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::string bin() const { return home.path() + "/bin"; }
    std::string clips() const { return home.path() + "/clips"; }
    std::string output() const { return home.path() + "/out"; }
    std::string clip(const std::string& name) const { return clips() + "/" + name; }
    std::string tracePath() const { return bin() + "/trace.flt"; }
    std::string trace() const { return test::readFile(tracePath()); }

    // A clip with video and audio in the clips folder; the format follows the name's extension.
    void makeClip(const std::string& name, double seconds = 2.0, int width = 160, int height = 120);

    // morvane-batch with `args`, run in the clips folder.
    test::WatchOptions options() const;
    test::WatchedRun batch(const std::vector<std::string>& args) const;
    test::WatchedRun batch(const std::vector<std::string>& args, const test::WatchOptions& options) const;
    std::vector<std::string> command(const std::vector<std::string>& args) const;

    // The run ended with the row of `file` failed, the failure text naming the trace file, and no
    // row completed.
    void expectFailedRow(const test::WatchedRun& run, const std::string& file) const;
    // A fresh batch of a fresh clip converts (the failure before it left nothing in the way).
    void expectNextBatchWorks();

    test::TempDir home;
};

// What a run printed, for failure messages.
std::string shown(const test::WatchedRun& run);

// The names in a folder (not its subfolders), sorted.
std::vector<std::string> folderNames(const std::string& folder);

// Files named exactly `name` anywhere under `root`.
std::vector<std::string> filesNamed(const std::string& root, const std::string& name);

} // namespace morvane::hardening
