// The processes of a batch: killing morvane-batch outright takes its converter and FFmpeg with it,
// and a long batch holds no more descriptors or memory at its end than near its start.
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/output_claims.h"
#include "tests/hardening/hardening_env.h"

namespace morvane::hardening {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

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

// Processes with these names still running below this test process.
std::vector<test::ProcessEntry> runningBelowUs(const std::vector<std::string>& names) {
    std::vector<test::ProcessEntry> found;
    for (const auto& process : test::descendantsOf(::getpid())) {
        if (process.state != 'Z' && std::find(names.begin(), names.end(), process.name) != names.end()) {
            found.push_back(process);
        }
    }
    return found;
}

// While it lives, processes orphaned below this one become its children instead of going to init,
// so whatever morvane-batch leaves behind stays in view.
class Subreaper {
public:
    Subreaper() { m_on = ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }
    ~Subreaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
    Subreaper(const Subreaper&) = delete;
    Subreaper& operator=(const Subreaper&) = delete;
    bool on() const { return m_on; }

private:
    bool m_on = false;
};

// Through the converter (vec starts FFmpeg in a process group of its own) and through the RealMedia
// producer (which starts FFmpeg from inside morvane-batch).
TEST_F(HardeningTest, KillingTheBatchLeavesNoConverterAndNoFfmpeg) {
    const Subreaper subreaper;
    ASSERT_TRUE(subreaper.on());
    makeClip("long.mov", 10.0);
    for (const std::string profile : {kSlowProfile, "RealMedia - 768k DSL or Cable (640x480)"}) {
        SCOPED_TRACE(profile);
        test::WatchedProgram program(command({"-p", profile, "-o", output(), "long.mov"}), options());
        ASSERT_TRUE(program.waitForOutput("long.mov: 0%", 60s)) << program.out() << program.err();
        const auto ffmpeg = waitForDescendant(program.pid(), "ffmpeg", 20s);
        ASSERT_TRUE(ffmpeg) << program.out() << program.err();
        // Frozen, FFmpeg cannot finish the conversion before morvane-batch is killed.
        ::kill(ffmpeg->pid, SIGSTOP);
        std::optional<test::ProcessEntry> vec;
        for (const auto& process : test::descendantsOf(program.pid())) {
            if (process.name == "vec") {
                vec = process;
            }
        }
        const bool throughVec = profile == kSlowProfile;
        EXPECT_EQ(vec.has_value(), throughVec);
        if (throughVec && vec) {
            EXPECT_EQ(ffmpeg->parent, vec->pid);
            EXPECT_EQ(ffmpeg->group, ffmpeg->pid) << "FFmpeg leads a process group of its own";
        }

        program.kill(SIGKILL);
        const auto run = program.finish();
        EXPECT_EQ(run.exitCode, 128 + SIGKILL) << shown(run);

        std::vector<pid_t> started{ffmpeg->pid};
        if (vec) {
            started.push_back(vec->pid);
        }
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        std::vector<test::ProcessEntry> left;
        for (;;) {
            // What ended below us is ours to reap.
            for (const pid_t pid : started) {
                ::waitpid(pid, nullptr, WNOHANG);
            }
            left = runningBelowUs({"vec", "ffmpeg"});
            const bool anyRunning = std::any_of(started.begin(), started.end(), test::processRunning);
            // A member that has ended but is not reaped yet still counts in its group.
            const bool groupGone = !throughVec || (::kill(-ffmpeg->group, 0) != 0 && errno == ESRCH);
            if ((left.empty() && !anyRunning && groupGone) || std::chrono::steady_clock::now() > deadline) {
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        for (const auto& process : left) {
            ADD_FAILURE() << "still running: " << process.name << " " << process.pid;
            ::kill(process.pid, SIGKILL);
        }
        for (const pid_t pid : started) {
            EXPECT_FALSE(test::processRunning(pid)) << pid;
            ::waitpid(pid, nullptr, WNOHANG);
        }
        if (throughVec) {
            errno = 0;
            EXPECT_EQ(::kill(-ffmpeg->group, 0), -1) << "FFmpeg's process group is empty";
            EXPECT_EQ(errno, ESRCH);
        }
    }
}

// However morvane-batch ends mid-conversion (killed outright, hung up on, or two quick Ctrl-C to its
// process group), the output folder holds nothing half-written and the earlier output is untouched;
// through the converter and through the RealMedia producer alike.
TEST_F(HardeningTest, EndingTheBatchAbruptlyLeavesNoWorkFiles) {
    if (::access("/usr/bin/setsid", X_OK) != 0) {
        GTEST_SKIP() << "setsid is missing: cannot give morvane-batch a process group of its own";
    }
    const Subreaper subreaper;
    ASSERT_TRUE(subreaper.on());
    makeClip("long.mov", 20.0, 640, 480);
    const std::string realMedia = "RealMedia - 768k DSL or Cable (640x480)";
    const struct {
        const char* name;
        int signal;
        int times;
        std::string profile;
        std::string outputName;
        std::chrono::milliseconds underWay;
    } endings[] = {{"SIGKILL", SIGKILL, 1, kSlowProfile, "long" + std::string(kSlowSuffix), 1500ms},
                   {"SIGHUP", SIGHUP, 1, kSlowProfile, "long" + std::string(kSlowSuffix), 1500ms},
                   {"two Ctrl-C", SIGINT, 2, kSlowProfile, "long" + std::string(kSlowSuffix), 1500ms},
                   // The producer is fast on an idle machine: it could finish the clip within a second.
                   {"RealMedia, SIGKILL", SIGKILL, 1, realMedia, "long_new.rm", 200ms}};
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.name);
        fs::remove_all(output());
        fs::create_directories(output());
        const std::string earlier = output() + "/" + ending.outputName;
        test::writeFile(earlier, "an earlier conversion");
        auto argv = command({"-p", ending.profile, "-o", output(), "long.mov"});
        argv.insert(argv.begin(), "/usr/bin/setsid");
        test::WatchedProgram program(argv, options());
        // Well under way: FFmpeg has written part of the output.
        ASSERT_TRUE(program.waitForOutput("long.mov: 0%", 60s)) << program.out() << program.err();
        ASSERT_TRUE(waitForDescendant(program.pid(), "ffmpeg", 20s)) << program.out() << program.err();
        std::this_thread::sleep_for(ending.underWay);
        for (int i = 0; i < ending.times; ++i) {
            ::kill(-program.pid(), ending.signal);
            std::this_thread::sleep_for(50ms);
        }
        const auto run = program.finish();
        EXPECT_NE(run.exitCode, 0) << shown(run);
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!runningBelowUs({"vec", "ffmpeg"}).empty() && std::chrono::steady_clock::now() < deadline) {
            while (::waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            std::this_thread::sleep_for(20ms);
        }
        // The empty claims file of a run that could not end in order stays until the next run into the
        // folder ends; it holds no claim (its locks went with the process) and no data.
        auto names = folderNames(output());
        const auto claims = std::find(names.begin(), names.end(), platform::kOutputClaimsFileName);
        if (claims != names.end()) {
            EXPECT_EQ(fs::file_size(output() + "/" + *claims), 0U);
            names.erase(claims);
        }
        EXPECT_EQ(names, std::vector<std::string>{ending.outputName});
        EXPECT_EQ(test::readFile(earlier), "an earlier conversion");
    }
}

// The batch's worker thread runs at idle priority; an unprivileged user could not bring a converter
// that inherited it back to normal, so a conversion on a busy machine would crawl. The converter and
// FFmpeg run at the nice value morvane-batch was started with, with normal scheduling.
TEST_F(HardeningTest, AnUnprivilegedUsersConverterRunsAtTheBatchsPriority) {
    if (::access("/usr/bin/setpriv", X_OK) != 0 || ::access("/usr/bin/nice", X_OK) != 0) {
        GTEST_SKIP() << "setpriv or nice is missing: cannot run morvane-batch as an unprivileged user";
    }
    makeClip("clip.mov", 1.0);
    // FFmpeg as the converter finds it in PATH, noting the nice value and scheduling policy it runs at.
    const std::string wrappers = home.path() + "/wrappers";
    const std::string noted = home.path() + "/priority";
    fs::create_directories(wrappers);
    test::writeFile(wrappers + "/ffmpeg", "#!/bin/sh\ncut -d' ' -f19,41 /proc/$$/stat >> '" + noted +
                                              "'\nexec /usr/bin/ffmpeg \"$@\"\n");
    fs::permissions(wrappers + "/ffmpeg", fs::perms::all);
    for (const auto& folder : {home.path(), bin(), clips()}) {
        fs::permissions(folder, fs::perms::all); // the user "nobody" writes config, trace and output here
    }
    auto watch = options();
    const char* path = std::getenv("PATH");
    watch.environment.push_back("PATH=" + wrappers + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
    const std::vector<std::string> argv{
        "/usr/bin/nice", "-n", "6", "/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
        "--clear-groups"};
    auto full = command({"-p", kFastProfile, "-o", output(), "clip.mov"});
    full.insert(full.begin(), argv.begin(), argv.end());
    const auto run = test::runWatched(full, watch);
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_NE(run.out.find("clip.mov: Completed"), std::string::npos) << shown(run);
    // The checks at start-up run FFmpeg as well; the conversion's run is the last.
    const std::string priorities = test::readFile(noted);
    // nice adds to the nice value the tests run at (a CI runner may itself run niced).
    const int batchNice = std::min(19, ::getpriority(PRIO_PROCESS, 0) + 6);
    const std::string normal = std::to_string(batchNice) + " " + std::to_string(SCHED_OTHER) + "\n";
    ASSERT_GE(priorities.size(), normal.size());
    EXPECT_EQ(priorities.substr(priorities.size() - normal.size()), normal) << priorities;
}

struct Sample {
    int completed = 0;
    int descriptors = 0;
    long residentKilobytes = 0;
    int processes = -1; // below morvane-batch, zombies included; -1 when not counted
};

struct Window {
    int minDescriptors = 1 << 30;
    int maxDescriptors = 0;
    long minResident = 1L << 40;
    long maxResident = 0;
    int maxProcesses = 0;
    int samples = 0;
};

Window windowOf(const std::vector<Sample>& samples, int from, int to) {
    Window window;
    for (const auto& sample : samples) {
        if (sample.completed < from || sample.completed >= to || sample.descriptors < 0 ||
            sample.residentKilobytes < 0) {
            continue;
        }
        window.minDescriptors = std::min(window.minDescriptors, sample.descriptors);
        window.maxDescriptors = std::max(window.maxDescriptors, sample.descriptors);
        window.minResident = std::min(window.minResident, sample.residentKilobytes);
        window.maxResident = std::max(window.maxResident, sample.residentKilobytes);
        window.maxProcesses = std::max(window.maxProcesses, sample.processes);
        ++window.samples;
    }
    return window;
}

// 60 clips in the suite; bench/soak/run-soak.sh runs 200 or more.
int soakClipCount() {
    const char* wanted = std::getenv("MORVANE_SOAK_CLIPS");
    const int count = wanted != nullptr ? std::atoi(wanted) : 0;
    return count >= 60 ? count : 60;
}

// One batch of many tiny clips: the program's descriptors and memory near the end are what they were
// near the start (the converter and FFmpeg come and go with every row).
TEST_F(HardeningTest, ABatchOfManyClipsKeepsDescriptorsAndMemoryFlat) {
    const int clipCount = soakClipCount();
    ASSERT_TRUE(test::generateClip(clip("seed.mov"), "av", 1.0, 160, 120));
    const std::string bytes = test::readFile(clip("seed.mov"));
    // One file at a time, so a row's converter and FFmpeg are all that run.
    std::vector<std::string> args{"-j", "1", "-p", kFastProfile, "-o", output()};
    for (int i = 1; i <= clipCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "c%03d.mov", i);
        test::writeFile(clip(name), bytes);
        args.emplace_back(name);
    }
    auto watch = options();
    watch.timeLimit = 900s;
    const auto started = std::chrono::steady_clock::now();
    test::WatchedProgram program(command(args), watch);
    ASSERT_TRUE(program.started()) << program.spawnError();

    std::vector<Sample> samples;
    while (test::processRunning(program.pid())) {
        const std::string out = program.out();
        Sample sample;
        for (std::size_t at = 0; (at = out.find(": Completed\n", at)) != std::string::npos; ++at) {
            ++sample.completed;
        }
        sample.descriptors = test::openDescriptorCount(program.pid());
        sample.residentKilobytes = test::residentKilobytes(program.pid());
        if (samples.size() % 8 == 0) {
            sample.processes = static_cast<int>(test::descendantsOf(program.pid()).size());
        }
        samples.push_back(sample);
        std::this_thread::sleep_for(10ms);
    }
    const auto run = program.finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_EQ(folderNames(output()).size(), static_cast<std::size_t>(clipCount));

    const Window early = windowOf(samples, 10, 30);
    const Window late = windowOf(samples, clipCount - 20, clipCount);
    ASSERT_GT(early.samples, 0);
    ASSERT_GT(late.samples, 0);
    std::printf("[ soak     ] %d clips in %.1f s; rows 10-30: descriptors %d-%d, resident %ld-%ld kB; "
                "rows %d-%d: descriptors %d-%d, resident %ld-%ld kB\n",
                clipCount, seconds, early.minDescriptors, early.maxDescriptors, early.minResident,
                early.maxResident, clipCount - 20, clipCount, late.minDescriptors, late.maxDescriptors,
                late.minResident, late.maxResident);
    RecordProperty("clips", clipCount);
    RecordProperty("seconds", static_cast<int>(seconds));
    RecordProperty("early_descriptors", early.minDescriptors);
    RecordProperty("late_descriptors", late.minDescriptors);
    RecordProperty("early_resident_kb", static_cast<int>(early.maxResident));
    RecordProperty("late_resident_kb", static_cast<int>(late.maxResident));

    // Between rows the program holds the same descriptors: a descriptor lost per row shows in the
    // minimum, as dozens more. The maximum only bounds what a running row holds at once (its pipes, the
    // probe's file, the trace), which depends on where a sample happens to fall within a row.
    EXPECT_LE(late.minDescriptors, early.minDescriptors + 2);
    EXPECT_LE(late.maxDescriptors, early.maxDescriptors + 6);
    // One converter and its FFmpeg at a time, each reaped before the next row.
    EXPECT_LE(early.maxProcesses, 2);
    EXPECT_LE(late.maxProcesses, 2);
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer keeps freed memory in quarantine: resident memory says nothing here.
#else
    EXPECT_LT(late.maxResident - early.maxResident, 4096) << "resident memory grew by more than 4 MB";
#endif
}

} // namespace
} // namespace morvane::hardening
