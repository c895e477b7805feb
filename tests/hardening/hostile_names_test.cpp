// Sources (and an output folder) whose names hold what shells, quoting rules and the converter's
// command line might trip over: each converts with a shipped profile, the output is named after it,
// and nothing in a name is ever run.
#include <filesystem>

#include "tests/hardening/hardening_env.h"

namespace morvane::hardening {
namespace {

namespace fs = std::filesystem;

TEST_F(HardeningTest, HostileFileNamesConvertUnderTheirOwnNames) {
    const std::string longStem(246, 'L');
    const std::vector<std::string> names = {
        "two  blanks and a trailing blank .mov",
        "double \"quoted\" name.mov",
        "\"whole name quoted\".mov",
        "single 'quoted' name.mov",
        "back\\slash\\.mov",
        "ends in two backslashes\\\\.mov",
        "backslash before quote\\\".mov",
        "-leading-dash.mov",
        "--output.mov",
        "$(touch x).mov",
        "`touch x`.mov",
        "semi;colon; touch x.mov",
        "pipe | and & and > and < and %PATH%.mov",
        "glob *?[a].mov",
        "tab\there.mov",
        "Ünïcödé 日本語 Русский العربية ελληνικά עברית हिन्दी 한국어 ✓.mov",
        longStem + ".mov", // 250 bytes, near the file systems' limit of 255
    };
    ASSERT_EQ((longStem + ".mov").size(), 250u);
    makeClip("plain.mov", 1.0);
    const std::string bytes = test::readFile(clip("plain.mov"));
    for (const auto& name : names) {
        test::writeFile(clip(name), bytes);
    }
    // The output folder's name is as hostile.
    const std::string folder = home.path() + "/out $(touch x) 'q' \"dq\" back\\";

    const bool strayBefore = fs::exists("x");
    std::vector<std::string> args{"-p", kFastProfile, "-o", folder, "--"};
    args.insert(args.end(), names.begin(), names.end());
    const auto run = batch(args);
    EXPECT_EQ(run.exitCode, 0) << shown(run);

    for (const auto& name : names) {
        SCOPED_TRACE(name);
        EXPECT_NE(run.out.find(name + ": Completed\n"), std::string::npos) << shown(run);
        EXPECT_EQ(test::readFile(clip(name)), bytes) << "the source is untouched";
        const std::string stem = name.substr(0, name.rfind('.'));
        if (name.size() < 200) {
            std::error_code ec;
            EXPECT_GT(fs::file_size(folder + "/" + stem + kFastSuffix, ec), 0u) << ec.message();
        }
    }
    // The long name's output keeps as much of it as the file system allows.
    std::vector<std::string> longOutputs;
    for (const auto& output : folderNames(folder)) {
        if (output.rfind(longStem.substr(0, 150), 0) == 0) {
            longOutputs.push_back(output);
        }
    }
    ASSERT_EQ(longOutputs.size(), 1u) << "the output of the 250-byte name";
    EXPECT_LE(longOutputs.front().size(), 255u - 16u) << "room for the converter's work file beside it";
    EXPECT_TRUE(longOutputs.front().ends_with(".mpg")) << longOutputs.front();
    std::error_code ec;
    EXPECT_GT(fs::file_size(folder + "/" + longOutputs.front(), ec), 0u);
    EXPECT_EQ(folderNames(folder).size(), names.size()) << "one output per source, nothing else";

    // Through the frame-server script the names reach the converter inside a script.
    test::writeFile(bin() + "/config.ini", "[Config]\nForceAVS=TRUE\n");
    const std::string scripted = home.path() + "/scripted";
    args = {"-p", kFastProfile, "-o", scripted, "--"};
    args.insert(args.end(), names.begin(), names.end());
    const auto viaScript = batch(args);
    EXPECT_EQ(viaScript.exitCode, 0) << shown(viaScript);
    EXPECT_EQ(folderNames(scripted).size(), names.size());
    EXPECT_TRUE(fs::exists(bin() + "/input.avs"));
    fs::remove(bin() + "/config.ini");

    // The RealMedia producer names its output (and its work file) after the source as well.
    const std::string realMedia = home.path() + "/rm";
    args = {"-p", "RealMedia - 56k Dial-up (176x144)", "-o", realMedia, "--"};
    args.insert(args.end(), names.begin(), names.end());
    const auto rm = batch(args);
    EXPECT_EQ(rm.exitCode, 0) << shown(rm);
    for (const auto& name : names) {
        EXPECT_NE(rm.out.find(name + ": Completed\n"), std::string::npos) << shown(rm);
        const std::string stem = name.substr(0, name.rfind('.'));
        if (name.size() < 200) {
            std::error_code ec;
            EXPECT_GT(fs::file_size(realMedia + "/" + stem + "_new.rm", ec), 0u)
                << name << ": " << ec.message();
        }
    }
    EXPECT_EQ(folderNames(realMedia).size(), names.size());

    EXPECT_EQ(filesNamed(home.path(), "x"), std::vector<std::string>{}) << "a name was run as a command";
    EXPECT_EQ(fs::exists("x"), strayBefore) << "a name was run as a command";
}

} // namespace
} // namespace morvane::hardening
