// What the converter costs over running ffmpeg directly, and what a cut near the end of a long file costs.
//
// Profiles: the same conversion of a 30 s 720p clip through `vec` (old command line in, progress lines
// out) and through the equivalent direct ffmpeg command (vec's own translation, run as it stands), for an
// H.264, an MPEG-4 Visual and an audio profile. Each iteration runs both back to back, alternating which
// goes first; the counters give the median wall times of five runs and their ratio (target <= 1.02).
//
// Cut: the last 10 s of a 10-minute clip against converting a 10 s clip, both through `vec` (target
// <= 1.3): the cut seeks on the input instead of decoding the first 9:50.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "converter/old_arguments.h"
#include "converter/translator.h"
#include "converter/vec_program.h"
#include "platform/process.h"
#include "platform/program_dir.h"
#include "tests/support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
using Words = std::vector<std::string>;
namespace converter = morvane::converter;
namespace platform = morvane::platform;

constexpr int kRuns = 5;

const morvane::test::TempDir& media() {
    static const morvane::test::TempDir dir;
    return dir;
}

bool ffmpeg(const Words& arguments) {
    Words argv{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return morvane::test::runProgram(argv) == 0;
}

// A test pattern with a tone, MPEG-4 Visual with a key frame every 10 s and MP3, like a typical source.
std::string clip(const std::string& name, int seconds, const std::string& size) {
    const std::string path = media().file(name);
    if (!morvane::test::fileExists(path)) {
        const std::string length = std::to_string(seconds);
        ffmpeg({"-f",   "lavfi", "-i",        "testsrc2=size=" + size + ":rate=25:duration=" + length,
                "-f",   "lavfi", "-i",        "sine=frequency=440:sample_rate=44100:duration=" + length,
                "-c:v", "mpeg4", "-q:v",      "4",
                "-g",   "250",   "-c:a",      "libmp3lame",
                "-b:a", "128k",  "-shortest", path});
    }
    return path;
}

// Runs a program, draining what it prints as the engine does; gives the wall time in seconds.
double timed(const Words& argv) {
    platform::SpawnOptions options;
    const auto start = Clock::now();
    auto child = platform::ChildProcess::spawn(argv, options);
    char buffer[4096];
    while (child.valid() && child.readStdout(buffer, sizeof buffer) > 0) {
    }
    const auto status = child.wait();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!status.success()) {
        std::fprintf(stderr, "%s failed: %s\n", argv.front().c_str(), status.describe().c_str());
    }
    return seconds;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

Words vecCommand(const Words& old) {
    Words argv{MORVANE_VEC_PROGRAM, "ffmpeg-converter"};
    argv.insert(argv.end(), old.begin(), old.end());
    return argv;
}

// The ffmpeg command vec runs for `old`, writing straight to `output`.
Words directCommand(const Words& old, const std::string& output) {
    converter::TranslationRequest request;
    request.command = converter::parseOldCommand(old).value();
    request.outputPath = request.command.output;
    request.writePath = output;
    // The media plugin vec reads with lies beside vec.
    const std::string vec = MORVANE_VEC_PROGRAM;
    platform::setProgramDirectory(vec.substr(0, vec.rfind('/') + 1));
    platform::setPluginDirectory(vec.substr(0, vec.rfind('/') + 1));
    const std::string input = request.command.input;
    request.probe = [input] { return converter::probeSource(input); };
    Words argv{"ffmpeg"};
    const auto translation = converter::translateCommand(request).value();
    argv.insert(argv.end(), translation.arguments.begin(), translation.arguments.end());
    return argv;
}

// The old command lines of three shipped profiles, as the command builders write them.
Words profileCommand(const std::string& profile, const std::string& input, const std::string& outputBase) {
    const Words head = {"-vsync", "24", "-async", "24", "-i", input};
    const Words video = {"-b", "1000k", "-s", "640x480", "-r", "29.97", "-scodec", "copy", "-title", ""};
    const Words audio = {"-ab", "128.00k", "-ac", "2", "-ar", "44100.00"};
    Words old = head;
    if (profile == "mp4-h264-aac") { // MP4 variant 5: no format argument
        old.insert(old.end(), video.begin(), video.end());
        old.insert(old.end(), audio.begin(), audio.end());
        old.insert(old.end(), {"-vol", "256", "-vcodec", "libx264", "-acodec", "libfaac", "-y",
                               outputBase + "_h264_aac.mp4"});
    } else if (profile == "avi-xvid-mp3") { // AVI variant 0
        Words xvidVideo = video;
        xvidVideo[1] = "1200k";
        old.insert(old.end(), xvidVideo.begin(), xvidVideo.end());
        old.insert(old.end(), audio.begin(), audio.end());
        old.insert(old.end(), {"-vol", "256", "-vcodec", "libxvid", "-vtag", "xvid", "-acodec", "libmp3lame",
                               "-y", outputBase + "_xvid_mp3.avi"});
    } else { // MP3: audio only
        old.insert(old.end(), audio.begin(), audio.end());
        old.insert(old.end(), {"-vol", "256", "-vn", "-acodec", "libmp3lame", "-y", outputBase + ".mp3"});
    }
    return old;
}

void throughVecAndDirect(benchmark::State& state, const std::string& profile) {
    const std::string source = clip("source720p.avi", 30, "1280x720");
    const auto& dir = media();
    const Words old = profileCommand(profile, source, dir.file("via_vec"));
    const std::string directOutput = dir.file("direct") + old.back().substr(old.back().rfind('.'));
    const Words viaVec = vecCommand(old);
    const Words direct = directCommand(old, directOutput);
    std::vector<double> vecTimes;
    std::vector<double> directTimes;
    bool vecFirst = true;
    for (auto _ : state) {
        if (vecFirst) {
            vecTimes.push_back(timed(viaVec));
            directTimes.push_back(timed(direct));
        } else {
            directTimes.push_back(timed(direct));
            vecTimes.push_back(timed(viaVec));
        }
        vecFirst = !vecFirst;
        std::remove(old.back().c_str());
        std::remove(directOutput.c_str());
    }
    state.counters["vec_s"] = median(vecTimes);
    state.counters["ffmpeg_s"] = median(directTimes);
    state.counters["ratio"] = median(vecTimes) / median(directTimes);
    state.counters["target"] = 1.02;
}

void cutNearTheEnd(benchmark::State& state) {
    const std::string longClip = clip("ten_minutes.avi", 600, "640x480");
    const std::string shortClip = clip("ten_seconds.avi", 10, "640x480");
    const auto& dir = media();
    const Words cut =
        vecCommand({"-vsync", "24",       "-async",  "24",    "-i",      longClip,           "-b",   "1200k",
                    "-s",     "640x480",  "-vcodec", "mpeg4", "-acodec", "libmp3lame",       "-vol", "256",
                    "-ss",    "00:09:50", "-t",      "10",    "-y",      dir.file("cut.avi")});
    const Words whole =
        vecCommand({"-vsync", "24", "-async", "24", "-i", shortClip, "-b", "1200k", "-s", "640x480",
                    "-vcodec", "mpeg4", "-acodec", "libmp3lame", "-vol", "256", "-y", dir.file("whole.avi")});
    std::vector<double> cutTimes;
    std::vector<double> wholeTimes;
    bool cutFirst = true;
    for (auto _ : state) {
        if (cutFirst) {
            cutTimes.push_back(timed(cut));
            wholeTimes.push_back(timed(whole));
        } else {
            wholeTimes.push_back(timed(whole));
            cutTimes.push_back(timed(cut));
        }
        cutFirst = !cutFirst;
    }
    state.counters["cut_s"] = median(cutTimes);
    state.counters["short_clip_s"] = median(wholeTimes);
    state.counters["ratio"] = median(cutTimes) / median(wholeTimes);
    state.counters["target"] = 1.3;
}

BENCHMARK_CAPTURE(throughVecAndDirect, mp4_h264_aac, std::string("mp4-h264-aac"))
    ->Iterations(kRuns)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(throughVecAndDirect, avi_xvid_mp3, std::string("avi-xvid-mp3"))
    ->Iterations(kRuns)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(throughVecAndDirect, mp3_128k, std::string("mp3-128k"))
    ->Iterations(kRuns)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(cutNearTheEnd)->Iterations(kRuns)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
