#include "engine/command_builder.h"

#include <optional>

#include "engine/command_pieces.h"
#include "engine/engine_log.h"
#include "engine/file_guards.h"
#include "engine/frame_server_script.h"
#include "engine/output_names.h"
#include "engine/output_path.h"
#include "engine/target_recipes.h"
#include "engine/trace_file.h"
#include "platform/command_line.h"
#include "platform/file_identity.h"
#include "platform/text_rules.h"
#include "profiles/media_type_table.h"
#include "profiles/profile.h"

namespace morvane::engine {

namespace {

using platform::equalsNoCase;
using platform::leadingDecimal;
using platform::leadingInteger;

constexpr std::string_view kConverterName = "vec";
constexpr std::string_view kConverterMode = "ffmpeg-converter";
// Where the builder's own refusals are logged from.
constexpr int kLineOutputIsSource = 655;
constexpr int kLineOutputTooLong = 662;
constexpr int kLineScriptNotWritten = 671;
constexpr int kLineContainerChanged = 684;
constexpr int kLineValueIsAnOption = 690;
constexpr int kLineOutputOutsideFolder = 694;

// A profile option's value as the command builders see it; nothing when the option is left out.
// Switches set to anything but "False" are written without a value.
std::optional<std::string_view> effectiveValue(const profiles::ProfileParam& param) {
    std::string_view value = param.value;
    if (param.isSwitch()) {
        if (equalsNoCase(value, "False")) {
            return std::nullopt;
        }
        value = {};
    } else if (param.takesValue() && value.empty()) {
        return std::nullopt;
    }
    if (equalsNoCase(value, "Auto")) {
        return std::nullopt;
    }
    return value;
}

std::string converterPath(std::string_view programDirectory) {
    std::string path(programDirectory);
    path += kConverterName;
    return path;
}

void logAndTrace(int line, const std::string& text) {
    logModuleError(kEncoderModule, line, text);
    writeTraceLine(text);
}

// Decides what the converter reads: the frame-server script when the route is allowed and the
// source needs it, else the source itself. Writes the script when it is used.
std::string inputPath(const ConversionJob& job, bool frameServerAllowed, FrameServerScriptLock* lock) {
    const std::string source = job.sourcePath.str();
    if (!frameServerAllowed || job.useFrameServer != 1 || frameServerScriptKind(source) == ScriptKind::None) {
        return source;
    }
    const std::string script = job.scriptPath.str();
    // Another run's script must never be replaced before its converter has read it.
    if (auto held = lock != nullptr ? lock->acquire(script) : platform::Expected<void>(); !held) {
        logAndTrace(kLineScriptNotWritten,
                    held.error() + "; the converter reads \"" + source + "\" directly");
        return source;
    }
    const auto outcome = writeFrameServerScript(script, source);
    if (outcome && *outcome == ScriptOutcome::Written) {
        return script;
    }
    if (lock != nullptr) {
        lock->release();
    }
    if (outcome) {
        return source; // read directly: no script was needed
    }
    // The converter can still try the source itself; a missing script would fail for certain.
    logAndTrace(kLineScriptNotWritten, outcome.error() + "; the converter reads \"" + source + "\" directly");
    return source;
}

// The complete output path for `suffix`, after checking that it may be written: its file name is cut
// to what the file system holds, the path must fit the job's path field (a cut path would send the
// output elsewhere) and it must not be the source.
std::optional<std::string> checkedOutputPath(const ConversionJob& job, std::string_view suffix) {
    // A source name near the file system's limit still gets an output named after it; a value that
    // would lead the output out of its folder gets none.
    auto composed = composeOutputPath(job.outputPath.view(), suffix);
    if (!composed) {
        logAndTrace(kLineOutputOutsideFolder, "Refused: " + composed.error() + "; nothing was converted");
        return std::nullopt;
    }
    std::string output = *std::move(composed);
    if (job.outputNames != nullptr) {
        const std::string wanted = output;
        output = job.outputNames->claim(wanted);
        if (output != wanted) {
            writeTraceLine("The output \"" + wanted +
                           "\" is a source of the list or another row's output; writing \"" + output +
                           "\" instead");
        }
    }
    if (output.size() >= kJobPathCapacity) {
        logAndTrace(kLineOutputTooLong, "The output file name is longer than " +
                                            std::to_string(kJobPathCapacity - 1) + " bytes: \"" + output +
                                            "\"; nothing was converted");
        return std::nullopt;
    }
    const std::string source = job.sourcePath.str();
    if (platform::sameFile(output, source)) {
        logAndTrace(kLineOutputIsSource, "The output file \"" + output +
                                             "\" would replace the source file \"" + source +
                                             "\"; nothing was converted");
        return std::nullopt;
    }
    return output;
}

void appendOutput(std::string& commandLine, ConversionJob& job, const std::string& output) {
    commandLine += " -y ";
    commandLine += platform::quoteArgument(output);
    job.outputPath.assign(output);
}

void appendCommandHead(std::string& out, std::string_view programDirectory, const std::string& input) {
    out += platform::quoteArgument(converterPath(programDirectory));
    out += " ";
    out += kConverterMode;
    out += " ";
    out += " -vsync 24 -async 24 ";
    out += "-i";
    out += " ";
    out += platform::quoteArgument(input);
}

void appendVideoGroup(std::string& out, const ConversionJob& job) {
    out += " -b ";
    appendInteger(out, job.videoBitrate);
    out += "k";
    out += " -s ";
    appendInteger(out, job.width);
    out += "x";
    appendInteger(out, job.height);
    out += " -r ";
    appendTwoDecimals(out, job.frameRate);
    if (!job.aspect.empty()) {
        out += " -aspect ";
        out += bareArgument(job.aspect.view());
    }
    out += " -scodec copy ";
    out += " -title ";
    out += platform::quoteArgument(job.title.view());
    out += " ";
}

void appendAudioGroup(std::string& out, const ConversionJob& job) {
    out += " -ab ";
    appendTwoDecimals(out, job.audioBitrate);
    out += "k ";
    out += " -ac ";
    appendInteger(out, job.channels);
    out += " -ar ";
    appendTwoDecimals(out, job.sampleRate);
    const std::pair<std::string_view, std::string_view> texts[] = {
        {" -author ", job.author.view()},
        {" -album ", job.album.view()},
        {" -copyright ", job.copyright.view()},
        {" -comment ", job.comment.view()},
    };
    for (const auto& [option, text] : texts) {
        if (!text.empty()) {
            out += option;
            out += platform::quoteArgument(text);
        }
    }
}

void appendCutRange(std::string& out, const ConversionJob& job) {
    if (!job.startTime.empty()) {
        out += " -ss ";
        out += bareArgument(job.startTime.view());
    }
    if (!job.endTime.empty()) {
        out += " -t ";
        appendInteger(out, cutLengthSeconds(job.startTime.view(), job.endTime.view()));
    }
}

void appendGeneralGroup(std::string& out, const ConversionJob& job) {
    out += " -vol ";
    appendInteger(out, job.volume);
    appendCutRange(out, job);
}

// Whether the converter would read a value as an option of its own (a dash first, in one word).
// Only the flag lists take such values ("-flags -loop" turns a flag off).
bool readAsOption(std::string_view name, std::string_view value) {
    static constexpr std::string_view kFlagLists[] = {"flags", "flags2", "fflags", "movflags", "partitions",
                                                      "cmp",   "subcmp", "mbcmp",  "precmp"};
    // As the converter reads it: a dash and anything but a digit or a point ("-1" is a number).
    const bool optionLike = value.size() >= 2 && value[0] == '-' && !(value[1] >= '0' && value[1] <= '9') &&
                            value[1] != '.' && value.find_first_of(" \t") == std::string_view::npos;
    if (!optionLike) {
        return false;
    }
    for (const std::string_view flags : kFlagLists) {
        if (equalsNoCase(name, flags)) {
            return false;
        }
    }
    return true;
}

bool refuseOptionLikeValue(std::string_view name, std::string_view value) {
    if (!readAsOption(name, value)) {
        return false;
    }
    logAndTrace(kLineValueIsAnOption,
                "The profile's value \"" + std::string(value) + "\" of \"" + std::string(name) +
                    "\" would be read as an option of the converter; nothing was converted");
    return true;
}

std::int32_t buildTypedCommand(const CommandContext& context, ConversionJob& job, std::string& commandLine) {
    TargetRecipe recipe;
    if (!buildTargetRecipe(job, recipe)) {
        return 0;
    }
    const std::pair<std::string_view, std::string_view> texts[] = {
        {"vcodec", job.videoCodec.view()},   {"acodec", job.audioCodec.view()}, {"aspect", job.aspect.view()},
        {"title", job.title.view()},         {"author", job.author.view()},     {"album", job.album.view()},
        {"copyright", job.copyright.view()}, {"comment", job.comment.view()},
    };
    for (const auto& [name, value] : texts) {
        if (refuseOptionLikeValue(name, value)) {
            return 0;
        }
    }
    const auto output = checkedOutputPath(job, recipe.outputSuffix);
    if (!output) {
        return 0;
    }
    std::string& out = commandLine;
    appendCommandHead(out, context.programDirectory,
                      inputPath(job, context.forceFrameServer == 1, context.scriptLock));
    if (job.hasVideo == 1) {
        appendVideoGroup(out, job);
    }
    if (job.hasAudio == 1) {
        appendAudioGroup(out, job);
    }
    appendGeneralGroup(out, job);
    out += recipe.arguments;
    appendOutput(out, job, *output);
    return 1;
}

std::int32_t buildGeneralCommand(const CommandContext& context, ConversionJob& job,
                                 std::string& commandLine) {
    if (job.profile == nullptr) {
        return 0;
    }
    const profiles::Profile& profile = *job.profile;
    std::string suffix = "_";
    suffix += job.videoCodec.view();
    suffix += "_";
    suffix += job.audioCodec.view();
    suffix += ".";
    suffix += profile.ExtName;
    const auto output = checkedOutputPath(job, suffix);
    if (!output) {
        return 0;
    }

    std::string& out = commandLine;
    out += platform::quoteArgument(converterPath(context.programDirectory));
    out += " ";
    out += kConverterMode;
    out += " ";
    out += "-i";
    out += " ";
    // This path does not ask the encoder: the probe's finding alone decides the route.
    out += platform::quoteArgument(inputPath(job, true, context.scriptLock));
    appendCutRange(out, job);
    out += " ";

    for (const profiles::ProfileParam& param : profile.chain()) {
        if (param.takesValue() &&
            ((equalsNoCase(param.name, "t") && equalsNoCase(param.value, "Full")) ||
             (equalsNoCase(param.name, "ss") && equalsNoCase(param.value, "00:00:00")))) {
            continue;
        }
        const auto value = effectiveValue(param);
        if (!value) {
            continue;
        }
        std::string text(*value);
        if (refuseOptionLikeValue(param.name, text)) {
            return 0;
        }
        // The container is the one the profile's Format names (its extension without one); an option
        // may not change it.
        const std::string& container = profile.Format.empty() ? profile.ExtName : profile.Format;
        if (param.name == "f" && !equalsNoCase(text, container)) {
            logAndTrace(kLineContainerChanged,
                        "The profile \"" + profile.name + "\" asks for the container \"" + text +
                            "\" but its Format is \"" + container + "\"; nothing was converted");
            return 0;
        }
        if (equalsNoCase(param.name, "vcodec") || equalsNoCase(param.name, "acodec")) {
            text = generalCodecName(text);
        } else if (equalsNoCase(param.name, "ac")) {
            text = text.substr(0, 1);
        } else if (equalsNoCase(param.name, "b") || equalsNoCase(param.name, "ab")) {
            text += "k";
        }
        out += "-";
        out += bareArgument(param.name);
        out += " ";
        out += bareArgument(text);
        out += " ";
    }
    out += " -async 24 -vsync 24 ";
    appendOutput(out, job, *output);
    return 1;
}

} // namespace

bool applyProfileOptions(const profiles::Profile* profile, ConversionJob* job) {
    if (profile == nullptr || job == nullptr) {
        return false;
    }
    job->variant = profile->QALevel;
    for (const profiles::ProfileParam& param : profile->chain()) {
        const auto found = effectiveValue(param);
        if (!found) {
            continue;
        }
        const std::string_view value = *found;
        const std::string_view name = param.name;
        if (equalsNoCase(name, "author")) {
            job->author.assign(value);
        } else if (equalsNoCase(name, "copyright")) {
            job->copyright.assign(value);
        } else if (equalsNoCase(name, "comment")) {
            job->comment.assign(value);
        } else if (equalsNoCase(name, "album")) {
            job->album.assign(value);
        } else if (equalsNoCase(name, "title")) {
            job->title.assign(value);
        } else if (equalsNoCase(name, "vcodec")) {
            job->videoCodec.assign(value);
        } else if (equalsNoCase(name, "aspect")) {
            job->aspect.assign(value);
        } else if (equalsNoCase(name, "acodec")) {
            job->audioCodec.assign(value);
        } else if (equalsNoCase(name, "b")) {
            job->videoBitrate = leadingInteger(value);
        } else if (equalsNoCase(name, "r")) {
            job->frameRate = leadingDecimal(value);
        } else if (equalsNoCase(name, "ab")) {
            job->audioBitrate = leadingDecimal(value);
        } else if (equalsNoCase(name, "ar")) {
            job->sampleRate = leadingDecimal(value);
        } else if (equalsNoCase(name, "ac")) {
            job->channels = leadingInteger(value.substr(0, 1));
        } else if (equalsNoCase(name, "vol")) {
            job->volume = leadingInteger(value);
        } else if (equalsNoCase(name, "s")) {
            const std::size_t x = value.find('x');
            if (x == std::string_view::npos) {
                job->width = job->sourceWidth;
                job->height = job->sourceHeight;
            } else {
                job->width = leadingInteger(value.substr(0, x));
                job->height = leadingInteger(value.substr(x + 1));
            }
        }
    }
    return true;
}

std::int32_t buildConversionCommand(const CommandContext& context, ConversionJob* job,
                                    std::string* commandLine) {
    if (job == nullptr || commandLine == nullptr) {
        return 0;
    }
    commandLine->clear();
    std::int32_t result = 0;
    if (job->targetCode == profiles::kTargetGeneral) {
        result = buildGeneralCommand(context, *job, *commandLine);
    } else {
        result = buildTypedCommand(context, *job, *commandLine);
    }
    if (result != 1) {
        // Nothing half-built may ever run.
        commandLine->clear();
    }
    return result;
}

} // namespace morvane::engine
