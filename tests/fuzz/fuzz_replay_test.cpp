// Replays every kept fuzz input (seeds and the inputs of past findings) through its target's property
// checks, so the normal build keeps them without clang's fuzzer.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

void checkFailed(const char* expression, const char* file, int line, const std::string& detail) {
    throw std::runtime_error(std::string(file) + ":" + std::to_string(line) +
                             ": property broken: " + expression + "\n  " + detail);
}

namespace {

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void runOn(const FuzzTarget& target, const std::string& bytes, const std::string& label) {
    try {
        target.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    } catch (const std::exception& error) {
        ADD_FAILURE() << target.name << " on " << label << ": " << error.what();
    }
}

class FuzzCorpusReplay : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzCorpusReplay, KeptInputsKeepTheirProperties) {
    const FuzzTarget& target = GetParam();
    runOn(target, std::string(), "the empty input");
    runOn(target, std::string(64, '\0'), "64 zero bytes");
    runOn(target, std::string(64, '\xFF'), "64 bytes 0xFF");

    const std::filesystem::path folder = std::filesystem::path(MORVANE_FUZZ_CORPUS_DIR) / target.name;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    EXPECT_FALSE(files.empty()) << "no seeds in " << folder;
    for (const auto& file : files) {
        runOn(target, readBytes(file), file.lexically_relative(folder).string());
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpusReplay, ::testing::ValuesIn(kFuzzTargets),
                         [](const ::testing::TestParamInfo<FuzzTarget>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

} // namespace morvane::fuzz

namespace morvane::fuzz {
namespace {

// A short deterministic run of the output-path target in every build: inputs drawn from a fixed seed,
// rich in separators, dots, zero bytes and line ends, so values that would lead out of the output
// folder come up in every form.
TEST(FuzzShortRun, OutputPathsStayInTheirFolder) {
    std::mt19937 random(26);
    const std::string alphabet = std::string("/./..\n\n\n_ab~%\\") + std::string(1, '\0') + "\xC3\xA9";
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(random() % 300, ' ');
        for (auto& byte : bytes) {
            byte =
                random() % 4 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
        }
        runOn(FuzzTarget{"output_path", fuzzOutputPath}, bytes, "round " + std::to_string(round));
    }
}

} // namespace
} // namespace morvane::fuzz
