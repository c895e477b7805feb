// Scanning a folder of 1,000 profiles and parsing each once, against reading the same files'
// bytes in the same run: the INI layer should cost little over the raw read. Each iteration
// times the raw read and the scan and parse back to back, so drift affects both alike; the
// counters give the time per profile and the ratios to the raw read.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "profiles/profile_catalogue.h"
#include "tests/support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace profiles = morvane::profiles;

constexpr int kProfiles = 1000;

// The shipped profiles copied round-robin under unique names and file names.
const morvane::test::TempDir& folder() {
    static const morvane::test::TempDir dir;
    static const bool written = [] {
        std::vector<std::string> sources;
        for (const auto& entry : std::filesystem::directory_iterator(MORVANE_SHIPPED_PROFILES)) {
            sources.push_back(entry.path().string());
        }
        std::sort(sources.begin(), sources.end());
        for (int i = 0; i < kProfiles; ++i) {
            std::string text = morvane::test::readFile(sources[static_cast<std::size_t>(i) % sources.size()]);
            const auto name = text.find("Name=") + 5;
            text.insert(text.find('\n', name), " #" + std::to_string(i));
            char fileName[32];
            std::snprintf(fileName, sizeof fileName, "p%04d.pf", i);
            morvane::test::writeFile(dir.file(fileName), text);
        }
        return true;
    }();
    (void)written;
    return dir;
}

std::vector<std::string> filesOf(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void scanAndParse(benchmark::State& state) {
    const auto& dir = folder();
    const std::string config = dir.file("config.ini"); // absent: the first entry is selected
    double rawRead = 0;
    double scan = 0;
    double parse = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bytes = 0;
        for (const auto& file : filesOf(dir.path())) {
            bytes += morvane::test::readFile(file).size();
        }
        const auto t1 = Clock::now();
        profiles::ProfileCatalogue catalogue;
        catalogue.scan(dir.path(), config);
        const auto t2 = Clock::now();
        profiles::Profile profile;
        for (const auto& name : catalogue.names()) {
            profiles::parseProfile(catalogue, name, profile);
            benchmark::DoNotOptimize(profile.paramCount);
        }
        const auto t3 = Clock::now();
        if (catalogue.size() != static_cast<std::size_t>(kProfiles)) {
            state.SkipWithError("the catalogue lost profiles");
            break;
        }
        rawRead += seconds(t1 - t0);
        scan += seconds(t2 - t1);
        parse += seconds(t3 - t2);
        state.SetIterationTime(seconds(t3 - t1));
        benchmark::DoNotOptimize(bytes);
    }
    const double runs = static_cast<double>(state.iterations()) * kProfiles;
    if (runs == 0 || rawRead == 0) {
        return;
    }
    state.counters["us_per_profile"] = (scan + parse) / runs * 1e6;
    state.counters["raw_read_us_per_profile"] = rawRead / runs * 1e6;
    state.counters["ratio_scan_parse_to_raw"] = (scan + parse) / rawRead;
    state.counters["ratio_scan_to_raw"] = scan / rawRead;
    state.counters["ratio_parse_to_raw"] = parse / rawRead;
    state.counters["bytes_per_profile"] = static_cast<double>(bytes) / kProfiles;
}
BENCHMARK(scanAndParse)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
