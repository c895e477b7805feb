// `vec`'s old option dialect: any argument list gives an FFmpeg argument vector or a clear error, and
// what comes out is never more than a small multiple of what went in.

#include <string>
#include <string_view>
#include <vector>

#include "converter/old_arguments.h"
#include "converter/script_reader.h"
#include "converter/translator.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

namespace {

using converter::OldCommand;

std::size_t totalBytes(const std::vector<std::string>& texts) {
    std::size_t bytes = 0;
    for (const auto& text : texts) {
        bytes += text.size();
    }
    return bytes;
}

bool contains(const std::vector<std::string>& texts, std::string_view wanted) {
    for (const auto& text : texts) {
        if (text == wanted) {
            return true;
        }
    }
    return false;
}

void checkParsed(const std::vector<std::string>& arguments, const platform::Expected<OldCommand>& parsed) {
    const std::size_t inBytes = totalBytes(arguments);
    const std::string what = shown(arguments);
    if (!parsed) {
        MORVANE_FUZZ_CHECK(!parsed.error().empty(), what);
        return;
    }
    const OldCommand& command = *parsed;
    MORVANE_FUZZ_CHECK(!command.input.empty() && !command.output.empty(), what);
    MORVANE_FUZZ_CHECK(command.options.size() + command.notes.size() <= arguments.size() + 1, what);
    std::size_t optionBytes = 0;
    for (const auto& option : command.options) {
        optionBytes += option.name.size() + option.value.size();
        MORVANE_FUZZ_CHECK(!option.name.empty() && (option.hasValue || option.value.empty() ||
                                                    converter::oldOptionIsText(option.name)),
                           what);
    }
    MORVANE_FUZZ_CHECK(optionBytes <= inBytes + arguments.size(), what);
    MORVANE_FUZZ_CHECK(totalBytes(command.notes) <= 2 * inBytes + 64 * arguments.size(), what);
    MORVANE_FUZZ_CHECK(contains(arguments, command.input) && contains(arguments, command.output), what);
}

void checkTranslated(const std::vector<std::string>& arguments, const converter::TranslationRequest& request,
                     const platform::Expected<converter::Translation>& translated) {
    const std::string what = shown(arguments);
    if (!translated) {
        MORVANE_FUZZ_CHECK(!translated.error().empty(), what);
        MORVANE_FUZZ_CHECK(translated.error().size() <= 2 * totalBytes(arguments) + 300,
                           shown(translated.error()));
        return;
    }
    const converter::Translation& translation = *translated;
    MORVANE_FUZZ_CHECK(!translation.arguments.empty(), what);
    const std::size_t inBytes =
        totalBytes(arguments) + request.writePath.size() + (request.script ? request.script->path.size() : 0);
    MORVANE_FUZZ_CHECK(translation.arguments.size() <= 4 * arguments.size() + 64,
                       what + " gave " + shown(translation.arguments));
    MORVANE_FUZZ_CHECK(totalBytes(translation.arguments) <= 4 * inBytes + 2048,
                       what + " gave " + shown(translation.arguments));
    // One note per dropped piece: a list value ("-flags +a+b") may hold a piece every two bytes.
    MORVANE_FUZZ_CHECK(translation.notes.size() <= inBytes / 2 + 2 * arguments.size() + 32,
                       what + " " + shown(translation.notes));
    MORVANE_FUZZ_CHECK(totalBytes(translation.notes) <= 64 * inBytes + 4096,
                       what + " " + shown(translation.notes));
    // FFmpeg's preamble first; the input read as a file; the temporary output last, also read as a file.
    const auto& preamble = converter::ffmpegPreamble();
    const auto& out = translation.arguments;
    MORVANE_FUZZ_CHECK(out.size() >= preamble.size() + 4 &&
                           std::equal(preamble.begin(), preamble.end(), out.begin()),
                       shown(out));
    MORVANE_FUZZ_CHECK(out[out.size() - 2] == "-y" && out.back() == converter::fileUrl(request.writePath),
                       shown(out));
    const std::string input = request.script ? request.script->path : request.command.input;
    std::size_t inputAt = 0;
    for (std::size_t i = preamble.size(); i + 1 < out.size() && inputAt == 0; ++i) {
        if (out[i] == "-i" && out[i + 1] == converter::fileUrl(input)) {
            inputAt = i + 1;
        }
    }
    MORVANE_FUZZ_CHECK(inputAt != 0, shown(out));
    // The output's sample rate and channel count are positive whole numbers, whatever the old command said.
    // (Options before the input go to FFmpeg's reading of it as written; FFmpeg judges those.)
    for (std::size_t i = inputAt + 1; i + 1 < out.size(); ++i) {
        if (out[i] == "-ar" || out[i] == "-ac") {
            const auto& value = out[i + 1];
            const bool positive = !value.empty() && value.front() != '0' &&
                                  value.find_first_not_of("0123456789") == std::string::npos;
            MORVANE_FUZZ_CHECK(positive, what + " gave " + out[i] + " " + shown(value));
        }
    }
}

} // namespace

void fuzzOldArguments(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t facts = input.takeByte();
    const std::uint8_t sizes = input.takeByte();
    const auto arguments = splitAtLineFeeds(input.rest());

    const auto parsed = converter::parseOldCommand(arguments);
    checkParsed(arguments, parsed);
    if (!parsed) {
        return;
    }
    const OldCommand& command = *parsed;

    converter::TranslationRequest request;
    request.command = command;
    request.outputPath = command.output;
    request.writePath = command.output + ".vec-part";
    request.source.known = (facts & 1U) != 0;
    request.source.hasVideo = (facts & 2U) != 0;
    request.source.hasAudio = (facts & 4U) != 0;
    request.source.still = (facts & 8U) != 0;
    static constexpr int kWidths[] = {0, 1, 176, 320, 641, 1920, 7680, -2};
    request.source.width = kWidths[sizes % 8U];
    request.source.height = kWidths[(sizes >> 3U) % 8U];
    static constexpr double kRates[] = {0.0, 8000.0, 44100.0, 48000.0};
    request.source.sampleRate = kRates[(facts >> 4U) % 4U];
    request.source.channels = (facts >> 6U) * 3 % 9;
    if ((sizes & 0x40U) != 0) {
        converter::ScriptSource script;
        script.path = "/tmp/source of script.mov";
        script.frameRate = (sizes & 0x80U) != 0 ? 23.976 : 0.0;
        script.convertFrameRate = (sizes & 0x80U) != 0;
        request.script = script;
    }
    const auto translation = converter::translateCommand(request);
    checkTranslated(arguments, request, translation);
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzOldArguments)
