// The converter's refusals, and the path from a profile's values to the converter's options fuzzed
// with hostile texts: a value is always one argument, and no value adds an option, an input or an
// output.
#include "converter/option_guard.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/command_builder.h"
#include "engine/conversion_job.h"
#include "platform/command_line.h"
#include "profiles/profile.h"
#include "tests/support/test_support.h"

namespace morvane::converter {
namespace {

OldOption option(const std::string& name, const std::string& value = "", bool hasValue = true) {
    OldOption o;
    o.name = name;
    o.value = value;
    o.hasValue = hasValue && !value.empty();
    return o;
}

TEST(OptionGuard, RefusesFilesDevicesAndArgumentsFfmpegWouldTakeAsOutputs) {
    struct Case {
        OldOption option;
        bool refused;
    };
    const std::vector<Case> cases = {
        {option("vstats"), true},
        {option("vstats_file", "/some/file"), true},
        {option("filter:v", "movie=/etc/passwd"), true},
        {option("x264-params", "stats=/x"), true},
        {option("init_hw_device", "vaapi=/dev/dri/renderD128"), true},
        {option("f", "image2"), true},
        {option("f", "alsa"), true},
        {option("passlogfile", "/elsewhere/log"), true},
        {option("passlogfile", "log"), false},
        {option("passlogfile", "proto:log"), true}, // a protocol FFmpeg would open
        {option("passlogfile", "", false), true},
        {option("pass", "1"), false},
        {option("pass:v", "2"), false},
        {option("pass", "3"), true}, // FFmpeg would rewrite the logs it reads in place
        {option("pass", "0"), true},
        {option("pass", "01"), true},
        {option("nostats", "/tmp/extra.mkv"), true},    // FFmpeg's switch: the value becomes an output
        {option("noshortest", "/tmp/extra.mkv"), true}, // a switch turned off is one too
        {option("preset", "", false), true},            // FFmpeg would take the next argument
        {option("preset", "slow"), false},
        {option("bitexact", "", false), false},
        {option("f", "psp"), false},
        {option("aspect", "4:3 -vstats"), false}, // one (bad) value: FFmpeg refuses it itself
        {option("vcodec", "mpeg4"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option.name + " " + c.option.value);
        const auto refusal = refusedOption(c.option);
        EXPECT_EQ(refusal.has_value(), c.refused) << refusal.value_or("");
        if (refusal) {
            EXPECT_EQ(refusal->find('\n'), std::string::npos) << "one line";
            EXPECT_EQ(refusal->rfind("refused -" + c.option.name, 0), 0u) << *refusal;
        }
    }
}

TEST(OptionGuard, FuzzedProfileValuesStayOneArgumentEach) {
    const std::vector<std::string> tokens = {
        "-vstats", "-vstats_file", "/tmp/victim", "-f",    "image2", "-i",         "-y", "\"",
        "\\",      "\\\"",         "a",           "x.mkv", "'",      "$(touch x)", ";",  "-map",
        "0",       "--",           "-",           "\t",    "4:3",    "=",
    };
    const std::vector<std::string> names = {"aspect", "title", "preset", "s", "r", "pix_fmt", "metadata"};
    std::mt19937 random(17);
    test::TempDir dir;
    int built = 0;
    int refused = 0;
    for (int round = 0; round < 500; ++round) {
        std::string text = "[Main]\nName=Fuzz\nFormat=matroska\nExtName=mkv\n[Parameter]\n";
        std::vector<std::string> keys;
        for (const auto& name : names) {
            if (random() % 2 == 0) {
                continue;
            }
            std::string value;
            for (int i = 0, n = 1 + static_cast<int>(random() % 4); i < n; ++i) {
                value += (i > 0 && random() % 2 == 0 ? " " : "") + tokens[random() % tokens.size()];
            }
            text += name + "=,," + value + "\n";
            keys.push_back(name);
        }
        test::writeFile(dir.file("fuzz.pf"), text);
        profiles::Profile profile;
        profiles::parseProfileFile(dir.file("fuzz.pf"), "Fuzz", profile);
        engine::ConversionJob job;
        job.sourcePath = "/media/in/clip.mov";
        job.outputPath = "/media/out/clip";
        job.profile = &profile;
        engine::resetJobSettings(job);
        engine::applyProfileOptions(&profile, &job);
        std::string command;
        // A value the converter would read as an option of its own is refused, with the row.
        if (engine::buildConversionCommand(engine::CommandContext{"/opt/m/", 0}, &job, &command) != 1) {
            ++refused;
            continue;
        }
        ++built;

        auto arguments = platform::splitCommandLine(command);
        ASSERT_GE(arguments.size(), 2u);
        arguments.erase(arguments.begin(), arguments.begin() + 2); // the program and its mode
        const auto parsing = parseOldCommand(arguments);
        SCOPED_TRACE(text + command);
        ASSERT_TRUE(parsing) << parsing.error();
        const OldCommand& parsed = *parsing;
        EXPECT_EQ(parsed.input, "/media/in/clip.mov");
        EXPECT_EQ(parsed.output, job.outputPath.str());
        const std::set<std::string> allowed(keys.begin(), keys.end());
        for (const auto& o : parsed.options) {
            EXPECT_TRUE(allowed.count(o.name) != 0 || o.name == "async" || o.name == "vsync")
                << "-" << o.name;
        }
        // Every value the profile holds reaches the converter as it stands, in one piece.
        for (const auto& param : profile.chain()) {
            if (param.value.empty() || param.value == "Auto") {
                continue;
            }
            EXPECT_NE(std::find(arguments.begin(), arguments.end(), param.value), arguments.end())
                << param.value;
        }
    }
    EXPECT_GT(built, 100);
    EXPECT_GT(refused, 10);
}

} // namespace
} // namespace morvane::converter
