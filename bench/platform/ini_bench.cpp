// Reading one key of an INI file against reading the same file's bytes: the INI layer should
// cost little over the raw read.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/ini_file.h"
#include "tests/support/test_support.h"

namespace {

const morvane::test::TempDir& folder() {
    static const morvane::test::TempDir dir;
    static const bool written = [] {
        std::string text = "[Main]\r\nName=Bench\r\n[Parameter]\r\n";
        for (int i = 0; i < 40; ++i) {
            text += "opt" + std::to_string(i) + "=\"0,|" + std::to_string(i) + "|1,2,3,4\"\r\n";
        }
        text += "[Config]\r\nOutput=/tmp/out\r\n";
        morvane::test::writeFile(dir.file("bench.ini"), text);
        return true;
    }();
    (void)written;
    return dir;
}

void rawRead(benchmark::State& state) {
    const auto path = folder().file("bench.ini");
    for (auto _ : state) {
        benchmark::DoNotOptimize(morvane::test::readFile(path));
    }
}
BENCHMARK(rawRead);

void readOneKey(benchmark::State& state) {
    const auto path = folder().file("bench.ini");
    for (auto _ : state) {
        benchmark::DoNotOptimize(morvane::platform::iniReadString(path, "config", "output", "", 1025));
    }
}
BENCHMARK(readOneKey);

void readKeyList(benchmark::State& state) {
    const auto path = folder().file("bench.ini");
    for (auto _ : state) {
        benchmark::DoNotOptimize(morvane::platform::iniReadKeyNames(path, "Parameter", 16384));
    }
}
BENCHMARK(readKeyList);

} // namespace

BENCHMARK_MAIN();
