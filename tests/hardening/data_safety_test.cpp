// What a careless or hostile user can do to the files around a batch: stop it over an earlier
// output, give it sources whose outputs collide, cut past the end of a clip. Every case runs the
// real morvane-batch, vec and FFmpeg; none may lose a file or report a loss as a success.
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/hardening/hardening_env.h"

namespace morvane::hardening {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kEarlier = "an earlier complete output, which a stopped run must not replace";

class DataSafety : public HardeningTest {
protected:
    // Starts a slow conversion of a 10 s clip and sends `signal` once it is under way.
    test::WatchedRun stopMidRun(int signal) {
        makeClip("long.mov", 10.0);
        test::WatchedProgram program(command({"-p", kSlowProfile, "-o", output(), "long.mov"}), options());
        EXPECT_TRUE(program.waitForOutput("long.mov: 1%", 60s)) << program.out() << program.err();
        program.kill(signal);
        return program.finish();
    }
    std::string slowOutput() const { return output() + "/long" + kSlowSuffix; }
};

TEST_F(DataSafety, StoppedRunNeverReplacesAnEarlierOutput) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        fs::create_directories(output());
        test::writeFile(slowOutput(), kEarlier);
        const auto run = stopMidRun(signal);
        EXPECT_TRUE(test::readFile(slowOutput()) == kEarlier) << "the earlier output was replaced\n"
                                                              << shown(run);
        EXPECT_EQ(run.exitCode, 1) << shown(run);
        EXPECT_NE(run.out.find("long.mov: Fail\n"), std::string::npos) << shown(run);
        EXPECT_NE(trace().find("the file already there was kept"), std::string::npos) << trace();
        for (const auto& name : folderNames(output())) {
            EXPECT_EQ(name.find(".vec-part-"), std::string::npos) << name;
        }
    }
}

TEST_F(DataSafety, StoppedRunKeepsItsPartialOutputAndSaysItWasStopped) {
    const auto run = stopMidRun(SIGTERM);
    // What was converted so far is kept, but a stopped batch did not do what it was asked.
    EXPECT_EQ(run.exitCode, 1) << shown(run);
    EXPECT_NE(run.out.find("long.mov: Completed\n"), std::string::npos) << shown(run);
    std::error_code ec;
    EXPECT_GT(fs::file_size(slowOutput(), ec), 0u) << ec.message();
}

TEST_F(DataSafety, OutputsNeverReplaceASourceOrEachOther) {
    struct Case {
        const char* what;
        std::vector<std::string> sources; // below the clips folder
        std::vector<std::string> outputs; // expected in the output folder
    };
    const std::string suffix = kFastSuffix;
    const Case cases[] = {
        {"same name in two folders",
         {"d1/clip.mov", "d2/clip.mov"},
         {"clip" + suffix, "clip_mpeg1video_mp2 (2).mpg"}},
        {"same name with two extensions", {"x.mkv", "x.mov"}, {"x" + suffix, "x_mpeg1video_mp2 (2).mpg"}},
        {"one name without a dot in two folders",
         {"d3/noext", "d4/noext"},
         {"noext" + suffix, "noext_mpeg1video_mp2 (2).mpg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args{"-p", kFastProfile, "-o", output() + "/" + c.what};
        for (std::size_t i = 0; i < c.sources.size(); ++i) {
            fs::create_directories(fs::path(clip(c.sources[i])).parent_path());
            // Containers follow the extension; a name without one is written as Matroska.
            const auto& name = c.sources[i];
            const std::string made = name.find('.') == std::string::npos ? name + ".mkv" : name;
            makeClip(made, 1.0 + static_cast<double>(i));
            if (made != name) {
                fs::rename(clip(made), clip(name));
            }
            args.push_back(name);
        }
        const auto run = batch(args);
        EXPECT_EQ(run.exitCode, 0) << shown(run);
        auto expected = c.outputs;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(folderNames(output() + "/" + c.what), expected) << shown(run);
    }
}

TEST_F(DataSafety, OutputNeverReplacesALaterSourceOfTheList) {
    // The first row's output name is the second row's source, in the same folder.
    makeClip("clip.mov", 1.0);
    makeClip("clip_mpeg1video_mp2.mpg", 2.0);
    const std::string source = test::readFile(clip("clip_mpeg1video_mp2.mpg"));
    const auto run = batch({"-p", kFastProfile, "-o", clips(), "clip.mov", "clip_mpeg1video_mp2.mpg"});
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_TRUE(test::readFile(clip("clip_mpeg1video_mp2.mpg")) == source) << "the source was overwritten";
    EXPECT_TRUE(test::fileExists(clip("clip_mpeg1video_mp2 (2).mpg"))) << shown(run);
    EXPECT_TRUE(test::fileExists(clip("clip_mpeg1video_mp2_mpeg1video_mp2.mpg"))) << shown(run);
    EXPECT_NE(trace().find("is a source of the list or another row's output; writing"), std::string::npos);
}

TEST_F(DataSafety, CutPastTheEndFailsAndKeepsTheEarlierOutput) {
    makeClip("short.mov", 3.0);
    fs::create_directories(output());
    // An MP4 file holds its header even without a frame.
    const std::string earlier = output() + "/short" + kSlowSuffix;
    test::writeFile(earlier, kEarlier);
    // A start exactly at the end of the 3 s clip is refused like a later one.
    for (const auto& [start, end] : {std::pair{"00:00:10", "00:00:20"}, std::pair{"00:00:04", "00:00:09"},
                                     std::pair{"00:00:03", "00:00:09"}}) {
        SCOPED_TRACE(start);
        const auto run =
            batch({"-p", kSlowProfile, "-o", output(), "--start", start, "--end", end, "short.mov"});
        expectFailedRow(run, "short.mov");
        EXPECT_TRUE(test::readFile(earlier) == kEarlier) << "the earlier output was replaced";
        EXPECT_NE(trace().find("at or after the end of the"), std::string::npos) << trace();
    }
    EXPECT_EQ(folderNames(output()), std::vector<std::string>{"short" + std::string(kSlowSuffix)});

    // The converter alone, asked for a start far past the end.
    const std::string out = output() + "/direct.mp4";
    std::string said;
    const int code = test::runProgram({bin() + "/vec", "ffmpeg-converter", "-i", clip("short.mov"), "-ss",
                                       "99999", "-vcodec", "mpeg4", "-y", out},
                                      &said);
    EXPECT_NE(code, 0) << said;
    EXPECT_FALSE(test::fileExists(out)) << said;
}

// Width of the first video stream of a file, 0 when it has none.
int videoWidth(const std::string& path) {
    std::string said;
    test::runProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width",
                      "-of", "default=nw=1:nk=1", path},
                     &said);
    return std::atoi(said.c_str());
}

// Two batches of one program directory at once, each through the frame-server script: every output
// must come from its own source, never from the script the other batch wrote meanwhile.
TEST_F(DataSafety, ConcurrentBatchesNeverReadEachOthersScript) {
    constexpr int kClips = 4;
    constexpr const char* kMatroska = "Matroska MKV - H.264 + AAC (keeps source size)";
    std::vector<std::string> small{"-p", kMatroska, "-o", output() + "/small"};
    std::vector<std::string> large{"-p", kMatroska, "-o", output() + "/large"};
    for (int i = 0; i < kClips; ++i) {
        const std::string name = std::to_string(i);
        makeClip("small" + name + ".mov", 0.5, 160, 120);
        makeClip("large" + name + ".mov", 0.5, 320, 240);
        small.push_back("small" + name + ".mov");
        large.push_back("large" + name + ".mov");
    }
    // bench/soak/run-script-race.sh runs many more rounds.
    const char* asked = std::getenv("MORVANE_SCRIPT_RACE_ROUNDS");
    const int rounds = asked != nullptr && std::atoi(asked) > 0 ? std::atoi(asked) : 3;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        test::WatchedProgram first(command(small), options());
        test::WatchedProgram second(command(large), options());
        const auto a = first.finish();
        const auto b = second.finish();
        ASSERT_EQ(a.exitCode, 0) << shown(a);
        ASSERT_EQ(b.exitCode, 0) << shown(b);
        EXPECT_NE(a.out.find("small0.mov: Completed"), std::string::npos) << shown(a);
        for (int i = 0; i < kClips; ++i) {
            const std::string name = std::to_string(i) + "_h264_aac.mkv";
            EXPECT_EQ(videoWidth(output() + "/small/small" + name), 160) << name;
            EXPECT_EQ(videoWidth(output() + "/large/large" + name), 320) << name;
        }
    }
    // The script was the route taken.
    EXPECT_NE(trace().find("input.avs"), std::string::npos);
}

// Profiles from elsewhere (shared, downloaded) may hold anything: no value may make the converter
// write another file, add an output or change the container.
TEST_F(DataSafety, HostileProfilesCannotReachOtherFiles) {
    const std::string victim = home.path() + "/victim.mkv";
    struct Case {
        const char* name;
        const char* parameters; // the [Parameter] section
        bool typed;             // an MP4 target of its own, else the general path
        const char* row;        // "Completed" or "Fail"
    };
    const std::string v = victim;
    const std::vector<Case> cases = {
        {"aspect", "aspect=,,4:3 -vstats -vstats_file VICTIM\n", true, "Fail"},
        {"size", "s=,,160x120 -f image2 VICTIM\n", true, "Completed"},
        {"key", "vstats_file=,,VICTIM\n", false, "Fail"},
        {"format", "f=,,image2\n", false, "Fail"},
        {"switch with a value", "shortest=,,VICTIM\nnostats=,,VICTIM\n", false, "Fail"},
    };
    makeClip("clip.mov", 1.0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(victim, kEarlier);
        std::string parameters = c.parameters;
        for (std::size_t at; (at = parameters.find("VICTIM")) != std::string::npos;) {
            parameters.replace(at, 6, victim);
        }
        const std::string name = std::string("Hostile ") + c.name;
        test::writeFile(bin() + "/profiles/hostile.pf",
                        "[Main]\nName=" + name + "\nSName=X\nFormat=" + (c.typed ? "mp4" : "matroska") +
                            "\nExtName=" + (c.typed ? "mp4" : "mkv") +
                            (c.typed ? "\nMediaType=MP4\nQALevel=5" : "") +
                            "\n[Parameter]\nvcodec=,,mpeg4\nacodec=,,aac\n" + parameters);
        const std::string folder = output() + "/" + c.name;
        const auto run = batch({"-p", name, "-o", folder, "clip.mov"});
        EXPECT_NE(run.out.find(std::string("clip.mov: ") + c.row + "\n"), std::string::npos) << shown(run);
        EXPECT_TRUE(test::readFile(victim) == kEarlier) << "the profile reached another file\n" << shown(run);
        const auto made = folderNames(folder);
        EXPECT_LE(made.size(), 1u) << shown(run);
        for (const auto& file : made) {
            EXPECT_EQ(file, c.typed ? "clip_mpeg4_aac.mp4" : "clip_mpeg4_aac.mkv");
        }
    }
}

} // namespace
} // namespace morvane::hardening
