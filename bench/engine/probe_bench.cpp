// Probing 200 small files as the file list does when they are added (bGetMediaFileContent: the media
// detector in process, the converter's "-info" for the audio-only ones), against spawning ffprobe once
// per file on the same files in the same run. Each iteration times both back to back, so drift affects
// both alike; the counters give the time per file and the ratio to ffprobe (target: 0.15 or less).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ffmpeg_encoder.h"
#include "platform/process.h"
#include "tests/support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace engine = morvane::engine;

constexpr int kFiles = 200;
constexpr int kAudioOnlyEvery = 10; // one file in ten has no picture

struct Clip {
    std::string path;
    bool audioOnly = false;
};

// A few generated clips in the common containers, copied under distinct names.
const std::vector<Clip>& files() {
    static const morvane::test::TempDir dir;
    static const std::vector<Clip> made = [] {
        struct Source {
            std::string name;
            std::string kind;
        };
        const std::vector<Source> sources = {
            {"a.mkv", "av"}, {"b.mp4", "av"}, {"c.avi", "av"}, {"d.mov", "video"}, {"e.wav", "audio"}};
        for (const auto& source : sources) {
            if (!morvane::test::generateClip(dir.file(source.name), source.kind, 1.0, 320, 240)) {
                return std::vector<Clip>{};
            }
        }
        std::vector<Clip> clips;
        for (int i = 0; i < kFiles; ++i) {
            const bool audioOnly = i % kAudioOnlyEvery == kAudioOnlyEvery - 1;
            const Source& source = audioOnly ? sources.back() : sources[static_cast<std::size_t>(i) % 4];
            const std::string path = dir.file("clip" + std::to_string(i) +
                                              std::filesystem::path(source.name).extension().string());
            std::filesystem::copy_file(dir.file(source.name), path);
            clips.push_back({path, audioOnly});
        }
        return clips;
    }();
    return made;
}

bool runFfprobe(const std::string& path) {
    morvane::platform::SpawnOptions options;
    options.stdoutMode = morvane::platform::StdStream::Pipe;
    options.stderrMode = morvane::platform::StdStream::MergeWithStdout;
    auto child = morvane::platform::ChildProcess::spawn(
        {"ffprobe", "-v", "error", "-show_format", "-show_streams", path}, options);
    if (!child.valid()) {
        return false;
    }
    char buffer[4096];
    while (child.readStdout(buffer, sizeof buffer) > 0) {
    }
    return child.wait().success();
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void probeAddedFiles(benchmark::State& state) {
    const auto& clips = files();
    if (clips.size() != static_cast<std::size_t>(kFiles)) {
        state.SkipWithError("ffmpeg could not generate the clips");
        return;
    }
    engine::CFfmpegEncoder encoder;
    engine::EncoderInitRecord record;
    record.callback = [](std::int32_t, void*) {};
    record.programDirectory.assign(MORVANE_PROGRAM_DIR);
    encoder.Initialize(&record);

    double probeTime = 0;
    double ffprobeTime = 0;
    double converterTime = 0; // the audio-only files, which the converter answers
    for (auto _ : state) {
        const auto t0 = Clock::now();
        int probed = 0;
        Clock::duration byConverter{};
        for (const auto& clip : clips) {
            const auto start = Clock::now();
            engine::ConversionJob job;
            job.sourcePath = clip.path;
            probed += encoder.bGetMediaFileContent(job.sourcePath.c_str(), &job);
            benchmark::DoNotOptimize(job.duration);
            if (clip.audioOnly) {
                byConverter += Clock::now() - start;
            }
        }
        const auto t1 = Clock::now();
        int answered = 0;
        for (const auto& clip : clips) {
            answered += runFfprobe(clip.path) ? 1 : 0;
        }
        const auto t2 = Clock::now();
        if (probed != kFiles || answered != kFiles) {
            state.SkipWithError("a file could not be probed");
            break;
        }
        probeTime += seconds(t1 - t0);
        converterTime += seconds(byConverter);
        ffprobeTime += seconds(t2 - t1);
        state.SetIterationTime(seconds(t1 - t0));
    }
    const double runs = static_cast<double>(state.iterations()) * kFiles;
    if (runs == 0 || ffprobeTime == 0) {
        return;
    }
    state.counters["us_per_file"] = probeTime / runs * 1e6;
    const double converterRuns = runs / kAudioOnlyEvery;
    state.counters["detector_us_per_file"] = (probeTime - converterTime) / (runs - converterRuns) * 1e6;
    state.counters["converter_us_per_file"] = converterTime / converterRuns * 1e6;
    state.counters["ffprobe_us_per_file"] = ffprobeTime / runs * 1e6;
    state.counters["ratio_to_ffprobe"] = probeTime / ffprobeTime;
}
BENCHMARK(probeAddedFiles)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
