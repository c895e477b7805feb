#pragma once

#include <cstddef>
#include <cstdint>

namespace morvane::fuzz {

// One function per fuzz target; each checks the properties of one parser on one input.
void fuzzIniFile(const std::uint8_t* data, std::size_t size);
void fuzzProfile(const std::uint8_t* data, std::size_t size);
void fuzzCommandLine(const std::uint8_t* data, std::size_t size);
void fuzzConverterOutput(const std::uint8_t* data, std::size_t size);
void fuzzScriptReader(const std::uint8_t* data, std::size_t size);
void fuzzOldArguments(const std::uint8_t* data, std::size_t size);
void fuzzTimeText(const std::uint8_t* data, std::size_t size);
void fuzzProbeOutput(const std::uint8_t* data, std::size_t size);
void fuzzInfoLine(const std::uint8_t* data, std::size_t size);
void fuzzOutputPath(const std::uint8_t* data, std::size_t size);

struct FuzzTarget {
    const char* name; // also the folder of its corpus and the suffix of its fuzzer: fuzz_<name>
    void (*run)(const std::uint8_t* data, std::size_t size);
};

// clang-format off
inline constexpr FuzzTarget kFuzzTargets[] = {
    {"ini_file", fuzzIniFile},
    {"profile", fuzzProfile},
    {"command_line", fuzzCommandLine},
    {"converter_output", fuzzConverterOutput},
    {"script_reader", fuzzScriptReader},
    {"old_arguments", fuzzOldArguments},
    {"time_text", fuzzTimeText},
    {"probe_output", fuzzProbeOutput},
    {"info_line", fuzzInfoLine},
    {"output_path", fuzzOutputPath},
};
// clang-format on

} // namespace morvane::fuzz
