// What keeping the window's list on disk costs, each figure against a reference taken in the same
// process:
// - the UI thread's time per save of a 1,000-row list (the snapshot taken when the save is due; the
//   text is made and written on the writer's thread), against the change that caused it; goal 2 ms;
// - restoring 1,000 rows at the window's opening, against adding the same 1,000 files through the
//   window (probing included); goal 1.2 or less. The row-making alone (a parsed document into rows, no
//   window, against appending the same probed rows to a list) is printed beside it.
//
// Run: cmake --build build --target bench && build/bench/morvane_list_keeping_bench
#include <QApplication>
#include <QElapsedTimer>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/file_adder.h"
#include "app/list_keeper.h"
#include "app/main_window.h"
#include "app/saved_list.h"
#include "bench/app/ui_timing.h"
#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "profiles/profile.h"
#include "resources/resources.h"
#include "tests/support/test_support.h"
#include "widgets/cell_list_ctrl.h"

namespace {

namespace app = morvane::app;
namespace fs = std::filesystem;
namespace test = morvane::test;
using morvane::bench::threadCpuMs;
using morvane::bench::waitUntil;

constexpr int kRows = 1000;
constexpr int kChanges = 200;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

class YesPrompts final : public app::UserPrompts {
public:
    app::MessageAnswer ask(const app::Message& message) override {
        return message.buttons == app::MessageButtons::YesNo ? app::MessageAnswer::Yes
                                                             : app::MessageAnswer::Ok;
    }
};

// The first shipped profile with the most settings: a list's rows are as large as they get.
std::string richestShippedProfile() {
    std::string best;
    int most = -1;
    for (const auto& entry : fs::directory_iterator(std::string(MORVANE_PROGRAM_DIR) + "/profiles")) {
        if (entry.path().extension() != ".pf") {
            continue;
        }
        morvane::profiles::Profile profile;
        morvane::profiles::parseProfileFile(entry.path().string(), "x", profile);
        if (profile.paramCount > most) {
            most = profile.paramCount;
            best = entry.path().string();
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    morvane::resources::initialise();

    test::TempDir clipDir;
    if (!test::generateClip(clipDir.file("clip.mp4"), "av", 1.0, 160, 120)) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    std::vector<std::string> clips;
    for (int i = 0; i < kRows; ++i) {
        clips.push_back(clipDir.file("clip" + std::to_string(i) + ".mp4"));
        fs::copy_file(clipDir.file("clip.mp4"), clips.back());
    }
    test::TempDir dir;
    fs::create_symlink(MORVANE_FAKE_CONVERTER, dir.file("vec"));
    fs::create_directories(dir.file("profiles"));
    const std::string shipped = richestShippedProfile();
    fs::copy_file(shipped, dir.file("profiles/rich.pf"));
    test::writeFile(dir.file("config.ini"), "[Config]\nKeepList=TRUE\n");
    const std::string programDir = dir.path() + "/";
    morvane::platform::setProgramDirectory(programDir);
    YesPrompts prompts;
    test::RecordingPowerControl power;
    app::WindowServices services;
    services.prompts = &prompts;
    services.power = &power;

    double addSeconds = 0;
    std::vector<double> changeMs;
    std::vector<double> saveMs;
    std::vector<double> scheduleMs;
    {
        app::MainWindow window(programDir, services);
        const auto started = std::chrono::steady_clock::now();
        window.addDroppedFiles(clips);
        if (!waitUntil([&] { return window.files().rowCount() == kRows && window.filesBeingProbed() == 0; },
                       600000)) {
            std::fprintf(stderr, "not every file reached the list\n");
            return 1;
        }
        addSeconds = secondsSince(started);
        waitUntil([] { return false; }, 500); // the save the additions scheduled is done
        auto* keeper = window.listKeeper();
        for (int i = 0; i < kChanges; ++i) {
            const int row = (i * 37) % kRows;
            double cpu = threadCpuMs();
            window.list().setItemText(row, app::kColumnStart,
                                      QString::fromStdString("00:00:" + std::to_string(10 + i % 40)));
            changeMs.push_back(threadCpuMs() - cpu);
            cpu = threadCpuMs();
            keeper->changed();
            scheduleMs.push_back(threadCpuMs() - cpu);
            cpu = threadCpuMs();
            keeper->saveNow(); // what the timer runs once the delay is over
            saveMs.push_back(threadCpuMs() - cpu);
        }
    }
    if (!fs::exists(dir.file("file-list.json"))) {
        std::fprintf(stderr, "the list was not kept\n");
        return 1;
    }
    const auto listBytes = fs::file_size(dir.file("file-list.json"));

    // The window's opening with the kept list, less its opening without one.
    double withList = 0;
    double without = 0;
    for (int round = 0; round < 3; ++round) {
        auto started = std::chrono::steady_clock::now();
        {
            app::MainWindow window(programDir, services);
            const double seconds = secondsSince(started);
            if (window.files().rowCount() != kRows) {
                std::fprintf(stderr, "the list did not come back whole\n");
                return 1;
            }
            withList = round == 0 ? seconds : std::min(withList, seconds);
        }
        fs::rename(dir.file("file-list.json"), dir.file("kept.json"));
        started = std::chrono::steady_clock::now();
        {
            app::MainWindow window(programDir, services);
            const double seconds = secondsSince(started);
            without = round == 0 ? seconds : std::min(without, seconds);
        }
        fs::rename(dir.file("kept.json"), dir.file("file-list.json"));
    }
    const double restoreSeconds = std::max(withList - without, 0.0);

    // Row-making alone: the parsed document into rows, against appending probed rows to a list.
    const std::string text = test::readFile(dir.file("file-list.json"));
    const auto restoreStarted = std::chrono::steady_clock::now();
    const auto parsed = app::parseSavedList(text);
    const auto rows = app::restoreRows(*parsed, [](const std::string& path) { return fs::exists(path); });
    const double rowsFromDocument = secondsSince(restoreStarted);
    morvane::profiles::Profile profile;
    morvane::profiles::parseProfileFile(dir.file("profiles/rich.pf"), "rich", profile);
    std::vector<std::unique_ptr<morvane::engine::ConversionJob>> jobs;
    for (const auto& clip : clips) {
        auto job = std::make_unique<morvane::engine::ConversionJob>();
        job->sourcePath = clip;
        job->duration = 2.0;
        jobs.push_back(std::move(job));
    }
    const auto appendStarted = std::chrono::steady_clock::now();
    app::FileList list;
    for (auto& job : jobs) {
        list.append(std::move(job), std::make_unique<morvane::profiles::Profile>(profile));
    }
    const double rowsAppended = secondsSince(appendStarted);

    std::printf("profile: %s (%d settings); %d rows, list file %ju bytes\n",
                fs::path(shipped).filename().c_str(), profile.paramCount, kRows,
                static_cast<std::uintmax_t>(listBytes));
    std::printf("UI thread per save of %d rows: median %.3f ms, max %.3f ms (goal <= 2 ms)\n", kRows,
                median(saveMs), *std::max_element(saveMs.begin(), saveMs.end()));
    std::printf(
        "  the change itself: median %.3f ms; scheduling the save: median %.4f ms; save/change %.2f\n",
        median(changeMs), median(scheduleMs), median(changeMs) > 0 ? median(saveMs) / median(changeMs) : 0.0);
    std::printf("restore %d rows at opening: %.3f s (opening with %.3f s, without %.3f s)\n", kRows,
                restoreSeconds, withList, without);
    std::printf("add %d files through the window: %.3f s; restore/add %.3f (goal <= 1.2)\n", kRows,
                addSeconds, addSeconds > 0 ? restoreSeconds / addSeconds : 0.0);
    std::printf("rows from the document %.4f s (%zu rows), rows appended %.4f s: ratio %.2f\n",
                rowsFromDocument, rows.rows.size(), rowsAppended,
                rowsAppended > 0 ? rowsFromDocument / rowsAppended : 0.0);
    morvane::engine::closeTraceFile();
    morvane::platform::setProgramDirectory("");
    return 0;
}
