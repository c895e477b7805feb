// Faults injected into real conversions: processes killed mid-run, programs missing, output that
// cannot be written, sources that change under the batch, damaged media. Every failure must end
// the row as "Fail" with the failure text naming the trace file, say in the trace what happened,
// overwrite nothing and leave the next batch working.
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <thread>

#include "tests/hardening/hardening_env.h"

namespace morvane::hardening {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kEarlierOutput = "the output of an earlier batch, which no failure may touch";

// The first process named `name` below `root`, waited for.
std::optional<test::ProcessEntry> waitForDescendant(pid_t root, const std::string& name,
                                                    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& process : test::descendantsOf(root)) {
            if (process.name == name && process.state != 'Z') {
                return process;
            }
        }
        std::this_thread::sleep_for(5ms);
    }
    return std::nullopt;
}

bool waitUntilGone(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (test::processRunning(pid)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::vector<std::string> workFilesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& name : folderNames(folder)) {
        if (name.find(".vec-part-") != std::string::npos) {
            found.push_back(name);
        }
    }
    return found;
}

class FaultInjection : public HardeningTest {
protected:
    // Starts a slow conversion over an earlier output of the same name, and once it is under way
    // (progress shown, FFmpeg writing) kills `victim` ("vec" or "ffmpeg").
    test::WatchedRun killMidRun(const std::string& victim, pid_t* ffmpegPid) {
        makeClip("long.mov", 10.0);
        fs::create_directories(output());
        test::writeFile(earlierOutput(), kEarlierOutput);
        m_source = test::readFile(clip("long.mov"));

        test::WatchedProgram program(command({"-p", kSlowProfile, "-o", output(), "long.mov"}), options());
        EXPECT_TRUE(program.waitForOutput("long.mov: 1%", 60s)) << program.out() << program.err();
        const auto vec = waitForDescendant(program.pid(), "vec", 10s);
        const auto ffmpeg = vec ? waitForDescendant(vec->pid, "ffmpeg", 10s) : std::nullopt;
        EXPECT_TRUE(vec && ffmpeg) << "the converter and FFmpeg run below morvane-batch";
        if (vec && ffmpeg) {
            *ffmpegPid = ffmpeg->pid;
            // Frozen, FFmpeg cannot finish before the kill lands.
            ::kill(ffmpeg->pid, SIGSTOP);
            // The unfinished output has no name in the folder.
            EXPECT_EQ(workFilesIn(output()), std::vector<std::string>{});
            ::kill(victim == "vec" ? vec->pid : ffmpeg->pid, SIGKILL);
        }
        return program.finish();
    }

    std::string earlierOutput() const { return output() + "/long" + kSlowSuffix; }

    void expectNothingOverwritten() {
        EXPECT_EQ(test::readFile(earlierOutput()), kEarlierOutput);
        EXPECT_EQ(test::readFile(clip("long.mov")), m_source);
        EXPECT_EQ(workFilesIn(output()), std::vector<std::string>{}) << "no half-written file is left";
    }

    std::string m_source;
};

TEST_F(FaultInjection, ConverterKilledMidRun) {
    pid_t ffmpeg = 0;
    const auto run = killMidRun("vec", &ffmpeg);
    expectFailedRow(run, "long.mov");
    const std::string text = trace();
    EXPECT_NE(text.find("The converter failed: killed by signal 9"), std::string::npos) << text;
    expectNothingOverwritten();
    EXPECT_TRUE(waitUntilGone(ffmpeg, 10s)) << "FFmpeg ends with its converter";
    expectNextBatchWorks();
}

TEST_F(FaultInjection, FfmpegKilledMidRun) {
    pid_t ffmpeg = 0;
    const auto run = killMidRun("ffmpeg", &ffmpeg);
    expectFailedRow(run, "long.mov");
    const std::string text = trace();
    EXPECT_NE(text.find("ffmpeg was killed by signal 9"), std::string::npos) << text;
    EXPECT_NE(text.find("The converter failed: exit code"), std::string::npos) << text;
    expectNothingOverwritten();
    expectNextBatchWorks();
}

TEST_F(FaultInjection, FfmpegMissingFromPath) {
    makeClip("clip.mov");
    fs::create_directories(home.path() + "/no-ffmpeg");
    auto watch = options();
    watch.environment.push_back("PATH=" + home.path() + "/no-ffmpeg");
    const auto run = batch({"-p", kFastProfile, "-o", output(), "clip.mov"}, watch);
    expectFailedRow(run, "clip.mov");
    const std::string text = trace();
    EXPECT_NE(text.find("ffmpeg was not found in PATH"), std::string::npos) << text;
    EXPECT_NE(text.find("The converter failed: exit code 127"), std::string::npos) << text;
    EXPECT_EQ(folderNames(output()), std::vector<std::string>{});
    expectNextBatchWorks();
}

TEST_F(FaultInjection, ConverterMissingFromTheProgramDirectory) {
    makeClip("clip.mov");
    fs::remove(bin() + "/vec");
    const auto run = batch({"-p", kFastProfile, "-o", output(), "clip.mov"});
    expectFailedRow(run, "clip.mov");
    const std::string text = trace();
    EXPECT_NE(text.find("cannot start \"" + bin() + "/vec\": No such file or directory"), std::string::npos)
        << text;
    EXPECT_EQ(folderNames(output()), std::vector<std::string>{});

    fs::create_hard_link(std::string(MORVANE_PROGRAM_DIR) + "/vec", bin() + "/vec");
    expectNextBatchWorks();
}

TEST_F(FaultInjection, OutputFolderThatIsARegularFile) {
    makeClip("clip.mov");
    const std::string file = home.path() + "/not-a-folder";
    test::writeFile(file, kEarlierOutput);
    for (const std::string& folder : {file, file + "/below"}) {
        const auto run = batch({"-p", kFastProfile, "-o", folder, "clip.mov"});
        expectFailedRow(run, "clip.mov");
        const std::string text = trace();
        EXPECT_NE(text.find("The output folder \"" + folder + "\" cannot be made: "), std::string::npos)
            << text;
        EXPECT_NE(text.find("(\"" + folder + "\"): Not a directory"), std::string::npos) << text;
        EXPECT_EQ(test::readFile(file), kEarlierOutput);
    }
    expectNextBatchWorks();
}

TEST_F(FaultInjection, FileSizeLimitReachedMidRun) {
    makeClip("long.mov", 10.0);
    fs::create_directories(output());
    test::writeFile(earlierOutput(), kEarlierOutput);
    m_source = test::readFile(clip("long.mov"));

    // The output outgrows the limit; the trace stays well below it.
    auto watch = options();
    watch.fileSizeLimit = 256 * 1024;
    auto run = batch({"-p", kSlowProfile, "-o", output(), "long.mov"}, watch);
    expectFailedRow(run, "long.mov");
    std::string text = trace();
    EXPECT_NE(text.find("ffmpeg was killed by signal 25 (File size limit exceeded)"), std::string::npos)
        << text;
    expectNothingOverwritten();

    // A limit the trace itself reaches: the program still reports the row instead of dying.
    watch.fileSizeLimit = 2048;
    run = batch({"-p", kSlowProfile, "-o", output(), "long.mov"}, watch);
    expectFailedRow(run, "long.mov");
    text = trace();
    EXPECT_LE(text.size(), 2048u);
    EXPECT_NE(text.find("ffmpeg-converter"), std::string::npos) << "the trace holds what fitted: " << text;
    expectNothingOverwritten();
    expectNextBatchWorks();
}

// The second of three rows is changed after it was added, while the first converts.
TEST_F(FaultInjection, SourceThatChangesBetweenAddingAndConverting) {
    struct Case {
        const char* change;
        const char* traced;
    };
    const Case cases[] = {
        {"vanishes", "\" cannot be read: No such file or directory; nothing was converted"},
        {"becomes a folder", "\" is a folder, not a media file; nothing was converted"},
        {"becomes a named pipe", "\" is not a regular file (a named pipe or a device)"},
    };
    makeClip("first.mov", 3.0, 320, 240);
    makeClip("third.mov", 1.0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        makeClip("victim.mov", 1.0);
        const std::string folder = output() + "/" + c.change;
        test::WatchedProgram program(
            command({"-j", "1", "-p", kSlowProfile, "-o", folder, "first.mov", "victim.mov", "third.mov"}),
            options());
        ASSERT_TRUE(program.waitForOutput("first.mov: 0%", 60s)) << program.out() << program.err();
        fs::remove(clip("victim.mov"));
        if (std::string(c.change) == "becomes a folder") {
            fs::create_directory(clip("victim.mov"));
        } else if (std::string(c.change) == "becomes a named pipe") {
            ASSERT_EQ(::mkfifo(clip("victim.mov").c_str(), 0644), 0);
        }
        const auto run = program.finish();
        EXPECT_FALSE(run.timedOut) << shown(run);
        EXPECT_EQ(run.exitCode, 1) << shown(run);
        EXPECT_NE(run.out.find("first.mov: Completed\n"), std::string::npos) << shown(run);
        EXPECT_NE(run.out.find("victim.mov: Fail\n"), std::string::npos) << shown(run);
        EXPECT_EQ(run.out.find("third.mov: "), std::string::npos) << "the batch ends at the failure";
        EXPECT_NE(run.err.find("Convert fail! Please send the trace file \"" + tracePath() + "\""),
                  std::string::npos)
            << shown(run);
        const std::string text = trace();
        EXPECT_NE(text.find(clip("victim.mov") + c.traced), std::string::npos) << text;
        EXPECT_EQ(folderNames(folder), std::vector<std::string>{std::string("first") + kSlowSuffix});
        fs::remove_all(clip("victim.mov"));
    }
    expectNextBatchWorks();
}

TEST_F(FaultInjection, SourcesThatCannotBeAddedAreRefusedAtOnceSayingWhy) {
    makeClip("clip.mov", 1.0);
    fs::create_directory(clip("folder.mov"));
    ASSERT_EQ(::mkfifo(clip("pipe.mov").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(clip("pipe.avs").c_str(), 0644), 0);
    // A path the file system holds but a job does not.
    std::string deep = clips();
    while (deep.size() < 1024) {
        deep += "/" + std::string(200, 'd');
    }
    fs::create_directories(deep);
    deep += "/deep.mov";
    fs::copy_file(clip("clip.mov"), deep);
    const std::string longName = std::string(300, 'n') + ".mov";
    const std::pair<std::string, std::string> cases[] = {
        {"folder.mov", "\"folder.mov\" can not be added: it is a folder, not a file."},
        {"pipe.mov", "\"pipe.mov\" can not be added: it is a named pipe, not a file."},
        {"pipe.avs", "\"pipe.avs\" can not be added: it is a named pipe, not a file."},
        {"/dev/null", "\"null\" can not be added: it is a device, not a file."},
        {"gone.mov", "\"gone.mov\" can not be added: it is not there."},
        {longName,
         "can not be added: its name is 304 bytes long; a file system holds names of at most 255 bytes."},
        {deep, "\"deep.mov\" can not be added: its path is " + std::to_string(deep.size()) +
                   " bytes long; files are converted from paths of at most 1024 bytes."},
    };
    std::vector<std::string> args{"-p", kFastProfile, "-o", output()};
    for (const auto& c : cases) {
        args.push_back(c.first);
    }
    args.push_back("clip.mov");
    auto watch = options();
    watch.timeLimit = 60s;
    const auto run = batch(args, watch);
    EXPECT_FALSE(run.timedOut) << "a named pipe must not hold the probe: " << shown(run);
    EXPECT_EQ(run.exitCode, 1) << shown(run);
    for (const auto& c : cases) {
        EXPECT_NE(run.err.find(c.second), std::string::npos) << c.second << "\n" << shown(run);
    }
    EXPECT_NE(run.out.find("clip.mov: Completed"), std::string::npos) << shown(run);
    const auto probed = batch({"--probe", "pipe.avs", "clip.mov"}, watch);
    EXPECT_FALSE(probed.timedOut) << shown(probed);
    EXPECT_NE(probed.err.find(cases[2].second), std::string::npos) << shown(probed);
}

// Half a clip and a clip with random bytes over its middle, in containers that survive it in
// different ways: each converts as far as FFmpeg can read it, or is refused or failed with a clear
// word; none hangs, none touches its source.
TEST_F(FaultInjection, TruncatedAndCorruptClips) {
    std::mt19937 random(20240607);
    std::vector<std::string> damaged;
    for (const std::string extension : {"mov", "mpg", "avi", "mkv"}) {
        makeClip("whole." + extension, 3.0);
        const std::string whole = test::readFile(clip("whole." + extension));
        ASSERT_GT(whole.size(), 1000u);
        test::writeFile(clip("half." + extension), whole.substr(0, whole.size() / 2));
        std::string corrupt = whole;
        for (std::size_t i = corrupt.size() / 4; i < corrupt.size() * 3 / 4; ++i) {
            corrupt[i] = static_cast<char>(random());
        }
        test::writeFile(clip("corrupt." + extension), corrupt);
        damaged.push_back("half." + extension);
        damaged.push_back("corrupt." + extension);
    }
    for (const auto& name : damaged) {
        SCOPED_TRACE(name);
        const std::string before = test::readFile(clip(name));
        auto watch = options();
        watch.timeLimit = 60s;
        const auto run = batch({"-p", kFastProfile, "-o", output(), name}, watch);
        ASSERT_FALSE(run.timedOut) << shown(run);
        const std::string stem = name.substr(0, name.rfind('.'));
        if (run.out.find(name + ": Completed") != std::string::npos) {
            EXPECT_EQ(run.exitCode, 0) << shown(run);
            std::error_code ec;
            EXPECT_GT(fs::file_size(output() + "/" + stem + kFastSuffix, ec), 0u);
        } else if (run.out.find(name + ": Fail") != std::string::npos) {
            expectFailedRow(run, name);
            EXPECT_NE(trace().find(clip(name)), std::string::npos) << trace();
        } else {
            EXPECT_NE(run.err.find("Error: The file \"" + name + "\" can not be decoded."), std::string::npos)
                << shown(run);
            EXPECT_EQ(run.exitCode, 1) << shown(run);
        }
        EXPECT_EQ(test::readFile(clip(name)), before);
    }
    EXPECT_EQ(workFilesIn(output()), std::vector<std::string>{});
}

} // namespace
} // namespace morvane::hardening
