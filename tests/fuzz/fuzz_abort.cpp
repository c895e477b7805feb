// Broken properties in a fuzzer build: print what broke and abort, so libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzz_support.h"

namespace morvane::fuzz {

void checkFailed(const char* expression, const char* file, int line, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n  %s\n", file, line, expression, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace morvane::fuzz
