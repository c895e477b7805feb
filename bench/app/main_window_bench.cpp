// The main window under load, each figure against a reference run in the same process:
// - the longest stall of the UI thread (a 1 ms timer's longest gap) while a batch converts with a
//   progress line every 100 ms, against the same probe with the window idle; goal 50 ms or less;
// - adding 500 files at once (a drop): the longest UI stall (goal 100 ms or less) and the time until
//   every row is in, as a ratio to probing the same files one after another without a window (goal
//   1.2 or less);
// - the resident memory of the idle program against a bare dialog of the same Qt (goal 1.5 or less).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <time.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/batch_driver.h"
#include "app/file_adder.h"
#include "app/main_window.h"
#include "app/main_window_layout.h"
#include "bench/app/ui_timing.h"
#include "engine/quillon_media_cntl.h"
#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "resources/resources.h"
#include "tests/support/batch_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace app = morvane::app;
namespace test = morvane::test;
using morvane::bench::threadCpuMs;
using morvane::bench::waitUntil;

constexpr int kDroppedFiles = 500;

// A 1 ms timer on the UI thread: the longest wall-clock gap between its ticks is the longest stall.
// On a loaded machine much of a gap is waiting for a core; the UI thread's own CPU time between two
// ticks is the work of ours that held it.
class StallProbe {
public:
    StallProbe() {
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] {
            m_longest = std::max(m_longest, static_cast<double>(m_sinceTick.nsecsElapsed()) / 1e6);
            m_sinceTick.restart();
            const double cpu = threadCpuMs();
            m_longestBusy = std::max(m_longestBusy, cpu - m_cpuAtTick);
            m_cpuAtTick = cpu;
        });
        m_ticker.start(1);
        m_sinceTick.start();
        m_cpuAtTick = threadCpuMs();
    }
    double longestMs() const { return m_longest; }
    double longestBusyMs() const { return m_longestBusy; }

private:
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    double m_longest = 0;
    double m_cpuAtTick = 0;
    double m_longestBusy = 0;
};

// A program directory of the bench's own: the fake converter as "vec" and one profile.
class ProgramDir {
public:
    ProgramDir() {
        std::filesystem::create_symlink(MORVANE_FAKE_CONVERTER, m_dir.file("vec"));
        std::filesystem::create_directories(m_dir.file("profiles"));
        test::writeFile(
            m_dir.file("profiles/a.pf"),
            "[Main]\nName=AVI\nSName=AVI\nFormat=avi\nExtName=avi\nMediaType=AVI\n[Parameter]\nb=,,1200\n");
        morvane::platform::setProgramDirectory(path());
    }
    ~ProgramDir() {
        morvane::engine::closeTraceFile();
        morvane::platform::setProgramDirectory("");
    }
    std::string path() const { return m_dir.path() + "/"; }
    std::string file(const std::string& name) const { return m_dir.file(name); }

private:
    test::TempDir m_dir;
};

const std::vector<std::string>& clips() {
    static const test::TempDir dir;
    static const std::vector<std::string> made = [] {
        if (!test::generateClip(dir.file("clip.mp4"), "av", 3.0, 320, 240)) {
            return std::vector<std::string>{};
        }
        std::vector<std::string> paths;
        for (int i = 0; i < kDroppedFiles; ++i) {
            paths.push_back(dir.file("clip" + std::to_string(i) + ".mp4"));
            std::filesystem::copy_file(dir.file("clip.mp4"), paths.back());
        }
        return paths;
    }();
    return made;
}

// Answers every message at once, as a user who clicks OK straight away.
class QuickPrompts final : public app::UserPrompts {
public:
    app::MessageAnswer ask(const app::Message&) override { return app::MessageAnswer::Ok; }
};

app::WindowServices quietServices(test::RecordingPowerControl& power) {
    static QuickPrompts prompts;
    app::WindowServices services;
    services.power = &power;
    services.prompts = &prompts;
    return services;
}

void longestUiStallWhileConverting(benchmark::State& state) {
    if (clips().empty()) {
        state.SkipWithError("ffmpeg could not make the clips");
        return;
    }
    double busy = 0;
    double busyCpu = 0;
    double idle = 0;
    for (auto _ : state) {
        ProgramDir dir;
        // Thirty progress lines, one every 100 ms, for each of two files.
        std::string script;
        for (int i = 1; i <= 30; ++i) {
            script += "out frame= " + std::to_string(i) +
                      " fps= 0 q=2.0 size= 10kB dup=0 time=" + std::to_string(i / 10.0) +
                      " bitrate=1.0kbits/s\\n\nsleep 100\n";
        }
        test::writeFile(dir.file("vec-script.txt"), script + "writelast converted\n");
        test::RecordingPowerControl power;
        app::MainWindow window(dir.path(), quietServices(power));
        window.findChild<QLineEdit*>(QStringLiteral("outputEdit"))
            ->setText(QString::fromStdString(dir.file("out")));
        window.findChild<QCheckBox*>(QStringLiteral("openFolderCheck"))->setChecked(false);
        window.show();
        window.addDroppedFiles({clips()[0], clips()[1]});
        if (!waitUntil([&] { return window.filesBeingProbed() == 0; }, 20000)) {
            state.SkipWithError("the files were not added");
            return;
        }
        QElapsedTimer clock;
        clock.start();
        {
            const StallProbe probe;
            waitUntil([] { return false; }, 6000);
            idle = std::max(idle, probe.longestMs());
        }
        {
            const StallProbe probe;
            window.runCommand(app::kIdStart);
            if (!waitUntil([&] { return !window.driver().busy(); }, 30000)) {
                state.SkipWithError("the batch did not end");
                return;
            }
            busy = std::max(busy, probe.longestMs());
            busyCpu = std::max(busyCpu, probe.longestBusyMs());
        }
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["longest_stall_ms"] = busy;
    state.counters["longest_ui_busy_ms"] = busyCpu;
    state.counters["idle_longest_gap_ms"] = idle;
    state.counters["ratio_to_idle"] = idle > 0 ? busy / idle : 0;
}
BENCHMARK(longestUiStallWhileConverting)->UseManualTime()->Iterations(2)->Unit(benchmark::kSecond);

void droppingFiveHundredFiles(benchmark::State& state) {
    if (clips().empty()) {
        state.SkipWithError("ffmpeg could not make the clips");
        return;
    }
    std::vector<double> ratios;
    double longestStall = 0;
    double longestBusy = 0;
    double windowSeconds = 0;
    double aloneSeconds = 0;
    for (auto _ : state) {
        ProgramDir dir;
        // Reference: the same files probed one after another through a facade, no window.
        {
            morvane::engine::CQuillonMediaCntl facade;
            morvane::engine::EncoderInitRecord record;
            record.programDirectory = dir.path();
            facade.Init(&record);
            const auto started = std::chrono::steady_clock::now();
            int probed = 0;
            for (const auto& path : clips()) {
                probed += app::probeFile(facade, path) != nullptr ? 1 : 0;
            }
            aloneSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            facade.Release();
            if (probed != kDroppedFiles) {
                state.SkipWithError("the reference probe failed");
                return;
            }
        }
        test::RecordingPowerControl power;
        app::MainWindow window(dir.path(), quietServices(power));
        window.show();
        QCoreApplication::processEvents();
        const StallProbe probe;
        QElapsedTimer clock;
        clock.start();
        window.addDroppedFiles(clips());
        if (!waitUntil([&] { return window.files().rowCount() == kDroppedFiles; }, 120000)) {
            state.SkipWithError("not every file reached the list");
            return;
        }
        windowSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        longestStall = std::max(longestStall, probe.longestMs());
        longestBusy = std::max(longestBusy, probe.longestBusyMs());
        state.SetIterationTime(windowSeconds);
        ratios.push_back(windowSeconds / aloneSeconds);
        // Order kept: the rows are the files in drop order.
        for (int i = 0; i < kDroppedFiles; ++i) {
            if (window.files().row(i).job->sourcePath.str() != clips()[static_cast<std::size_t>(i)]) {
                state.SkipWithError("the rows are not in drop order");
                return;
            }
        }
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["ratio_to_probing_alone"] = ratios[ratios.size() / 2];
    state.counters["longest_stall_ms"] = longestStall;
    state.counters["longest_ui_busy_ms"] = longestBusy;
    state.counters["window_s"] = windowSeconds;
    state.counters["probing_alone_s"] = aloneSeconds;
}
BENCHMARK(droppingFiveHundredFiles)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);

// Resident memory of a program 3 s after it started, shown on the offscreen platform.
long idleResidentKilobytes(const std::string& program) {
    test::WatchOptions options;
    options.environment = {"QT_QPA_PLATFORM=offscreen", "MORVANE_TESTING=1"};
    options.timeLimit = std::chrono::seconds(30);
    test::WatchedProgram running({program}, options);
    if (!running.started()) {
        return -1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long kilobytes = test::residentKilobytes(running.pid());
    running.kill(SIGTERM);
    running.finish();
    return kilobytes;
}

void idleMemoryAgainstABareDialog(benchmark::State& state) {
    long ours = 0;
    long bare = 0;
    for (auto _ : state) {
        ours = idleResidentKilobytes(MORVANE_PROGRAM_DIR "/morvane");
        bare = idleResidentKilobytes(MORVANE_BARE_DIALOG);
        if (ours <= 0 || bare <= 0) {
            state.SkipWithError("a program did not start");
            return;
        }
        state.SetIterationTime(3);
    }
    state.counters["morvane_kB"] = static_cast<double>(ours);
    state.counters["bare_dialog_kB"] = static_cast<double>(bare);
    state.counters["ratio"] = static_cast<double>(ours) / static_cast<double>(bare);
}
BENCHMARK(idleMemoryAgainstABareDialog)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("MORVANE_TESTING", "1");
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    morvane::resources::initialise();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
