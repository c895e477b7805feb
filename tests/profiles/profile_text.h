#pragma once

#include <string>

#include "profiles/profile.h"
#include "tests/support/test_support.h"

namespace morvane::profiles::test {

// A profile named "Test" parsed from a file whose "Parameter" section holds `parameterLines`.
inline Profile parseParameterLines(const std::string& parameterLines) {
    const morvane::test::TempDir dir;
    const auto path = dir.file("p.pf");
    morvane::test::writeFile(path, "[Main]\nName=Test\n[Parameter]\n" + parameterLines);
    Profile profile;
    parseProfileFile(path, "Test", profile);
    return profile;
}

} // namespace morvane::profiles::test
