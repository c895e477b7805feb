#include "converter/old_arguments.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace morvane::converter {

namespace {

// Options of the old converter's table that take a value, and the codec options of that era that the
// command builders and profiles use.
constexpr std::array kValueOptions = {
    // option table
    "f", "map", "map_meta_data", "fs", "itsoffset", "loop_output", "v", "target", "threads", "vsync", "async",
    "vglobal", "dts_delta_threshold", "vframes", "aframes", "dframes", "pix_fmt", "croptop", "cropbottom",
    "cropleft", "cropright", "padtop", "padbottom", "padleft", "padright", "padcolor", "vdt", "qscale",
    "qdiff", "rc_eq", "rc_override", "me", "me_threshold", "ps", "strict", "pass", "passlogfile", "vhook",
    "intra_matrix", "inter_matrix", "top", "dc", "vtag", "aq", "atag", "vol", "alang", "scodec", "slang",
    "vd", "vc", "ad", "grab", "gd", "muxdelay", "muxpreload", "absf", "vbsf", "default", "ss", "t", "title",
    "author", "copyright", "comment", "album", "timestamp", "vcodec", "tvstd", "s", "b", "r", "aspect",
    "acodec", "ab", "ar", "ac",
    // codec options
    "coder", "g", "vlevel", "level", "qmin", "qmax", "maxrate", "minrate", "bufsize", "flags", "flags2",
    "cmp", "subcmp", "mbcmp", "precmp", "partitions", "subq", "trellis", "refs", "me_range", "keyint_min",
    "sc_threshold", "i_qfactor", "b_qfactor", "qcomp", "qblur", "bidir_refine", "bf", "b_strategy", "bt",
    "mbd", "directpred", "me_method", "crf", "qp", "lmin", "lmax", "dia_size", "nr", "rc_init_occupancy"};

// Switches of the option table; the informational options and the stream adders take no value either.
constexpr std::array kSwitches = {"y",       "benchmark", "dump",     "hex",      "re",          "loop_input",
                                  "copyts",  "shortest",  "intra",    "sameq",    "deinterlace", "psnr",
                                  "vstats",  "qphist",    "vn",       "an",       "L",           "h",
                                  "version", "formats",   "newvideo", "newaudio", "newsubtitle"};

constexpr std::array kTextOptions = {"title", "author", "copyright", "comment",    "album",
                                     "alang", "slang",  "timestamp", "passlogfile"};

template <std::size_t N>
bool contains(const std::array<const char*, N>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

bool looksLikeOption(std::string_view token) {
    // An argument holding a blank came quoted: it is a value, never an option.
    if (token.size() < 2 || token.front() != '-' || token.find_first_of(" \t") != std::string_view::npos) {
        return false;
    }
    const auto next = static_cast<unsigned char>(token[1]);
    return !(std::isdigit(next) != 0 || next == '.'); // "-1" is a negative number
}

bool isKnownOption(std::string_view token) {
    return looksLikeOption(token) && (token == "-i" || oldOptionArity(token.substr(1)) != OldArity::Unknown);
}

} // namespace

OldArity oldOptionArity(std::string_view name) {
    if (contains(kValueOptions, name)) {
        return OldArity::Value;
    }
    if (contains(kSwitches, name)) {
        return OldArity::Switch;
    }
    return OldArity::Unknown;
}

bool oldOptionIsText(std::string_view name) {
    return contains(kTextOptions, name);
}

namespace {

// Where the words of an unquoted text value go on: the index of its option, -1 for none.
using TextOption = std::ptrdiff_t;

// Reads the option at `at` (before `end`) into the command; gives the index after it.
std::size_t readOption(const std::vector<std::string>& arguments, std::size_t at, std::size_t end,
                       bool haveInput, OldCommand& command, TextOption& textOption) {
    const std::string& token = arguments[at];
    OldOption option;
    option.name = token.substr(1);
    option.beforeInput = !haveInput;
    const OldArity arity = oldOptionArity(option.name);
    const bool nextIsValue = at + 1 < end && !isKnownOption(arguments[at + 1]) &&
                             (arity == OldArity::Value || !looksLikeOption(arguments[at + 1]));
    std::size_t next = at + 1;
    if (arity == OldArity::Switch || !nextIsValue) {
        if (arity == OldArity::Value) {
            command.notes.push_back("ignored " + token + ": it has no value");
            textOption = -1;
            return next;
        }
    } else {
        option.value = arguments[at + 1];
        option.hasValue = true;
        next = at + 2;
    }
    textOption = oldOptionIsText(option.name) ? static_cast<TextOption>(command.options.size()) : -1;
    command.options.push_back(std::move(option));
    return next;
}

} // namespace

platform::Expected<OldCommand> parseOldCommand(const std::vector<std::string>& arguments) {
    OldCommand command;
    std::size_t end = arguments.size();
    bool haveOutput = false;
    if (end >= 2 && arguments[end - 2] == "-y") {
        // The output always follows the final "-y", whatever it looks like.
        command.output = arguments[end - 1];
        haveOutput = true;
        end -= 2;
    }

    bool haveInput = false;
    std::vector<std::string> stray;
    TextOption textOption = -1; // option whose unquoted words may continue in the next argument
    for (std::size_t i = 0; i < end;) {
        const std::string& token = arguments[i];
        if (token == "-i") {
            textOption = -1;
            if (i + 1 >= end) {
                return platform::Failure{"the option -i needs an input file"};
            }
            if (haveInput) {
                command.notes.push_back("ignored the second input \"" + arguments[i + 1] +
                                        "\": one input is converted");
            } else {
                command.input = arguments[i + 1];
                haveInput = true;
            }
            i += 2;
            continue;
        }
        if (looksLikeOption(token)) {
            i = readOption(arguments, i, end, haveInput, command, textOption);
            continue;
        }
        if (textOption >= 0 && !token.empty()) {
            // The general command path writes text values without quotes: the words belong together.
            auto& value = command.options[static_cast<std::size_t>(textOption)].value;
            value += value.empty() ? token : " " + token;
        } else if (!token.empty()) {
            stray.push_back(token);
        }
        ++i;
    }

    if (!haveOutput && !stray.empty()) {
        command.output = stray.back();
        stray.pop_back();
        haveOutput = true;
    }
    for (const auto& token : stray) {
        command.notes.push_back("ignored the stray argument \"" + token + "\"");
    }
    if (!haveInput || command.input.empty()) {
        return platform::Failure{"no input file: the command needs -i and a file"};
    }
    if (!haveOutput || command.output.empty()) {
        return platform::Failure{"no output file: the command must end with -y and a file"};
    }
    return command;
}

} // namespace morvane::converter
