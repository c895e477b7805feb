#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/expected.h"

namespace morvane::converter {

// One option of the old dialect as the program wrote it.
struct OldOption {
    std::string name; // without the dash
    std::string value;
    bool hasValue = false;
    bool beforeInput = false; // stood before "-i": applies to the input
};

// A conversion command of the old dialect, split into its parts.
struct OldCommand {
    std::string input;
    std::string output;
    std::vector<OldOption> options; // in command-line order, without "-i" and the output
    std::vector<std::string> notes; // one line for each argument that had to be ignored
};

// How an option of the old dialect is written.
enum class OldArity { Value, Switch, Unknown };

// Arity by the old converter's own option table and its codec options; Unknown for others.
OldArity oldOptionArity(std::string_view name);

// Whether an option's value is free text that the program may have written unquoted (so it can
// reach here as several words).
bool oldOptionIsText(std::string_view name);

// Splits the arguments that follow "ffmpeg-converter": "-i" and the input, options, "-y" and the
// output, which is always the last argument. A failure says why the command cannot run.
platform::Expected<OldCommand> parseOldCommand(const std::vector<std::string>& arguments);

} // namespace morvane::converter
