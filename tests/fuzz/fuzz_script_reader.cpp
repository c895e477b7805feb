// The frame-server scripts `vec` reads: any text gives a source or a reason, and every script of the
// form the program writes (the engine's own writer among them) gives back the source, frame rate and
// conversion it names.

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include "converter/script_reader.h"
#include "engine/frame_server_script.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

namespace {

using converter::readFrameServerScript;

void checkAnyText(std::string_view text, std::string_view folder) {
    const auto reading = readFrameServerScript(text, folder);
    MORVANE_FUZZ_CHECK(reading.hasValue() == reading.error().empty(),
                       shown(text) + " " + shown(reading.error()));
    MORVANE_FUZZ_CHECK(reading.error().size() <= 2 * text.size() + 200, shown(reading.error()));
    if (!reading) {
        return;
    }
    const auto& source = *reading;
    MORVANE_FUZZ_CHECK(!source.path.empty() && source.path.size() <= text.size() + folder.size() + 1,
                       shown(source.path));
    MORVANE_FUZZ_CHECK(std::isfinite(source.frameRate) && source.frameRate >= 0.0,
                       std::to_string(source.frameRate));
    MORVANE_FUZZ_CHECK(!source.convertFrameRate || source.frameRate > 0.0, shown(text));
    if (!folder.empty()) {
        const std::string prefix = std::string(folder) + (folder.back() == '/' ? "" : "/");
        MORVANE_FUZZ_CHECK(source.path.front() == '/' || source.path.compare(0, prefix.size(), prefix) == 0,
                           shown(source.path) + " in " + shown(folder));
    }
}

// A script as the program writes it, with the liberties a hand-edited one may take.
void checkWrittenScript(std::string_view path, std::uint8_t style, std::string_view folder) {
    if (path.empty() || path.find('\n') != std::string_view::npos) {
        return;
    }
    static constexpr const char* kRates[] = {"23.976", "25", "29.97", "1e1", "0.5", "120.000"};
    const char* rate = kRates[(style >> 4U) % std::size(kRates)];
    std::string sourceLine = "DirectShowSource(\"" + std::string(path) + "\"";
    const int kind = style % 3;
    if (kind == 0) {
        sourceLine += std::string(", fps=") + rate + ", convertfps=true )";
    } else if (kind == 1) {
        sourceLine += std::string(", fps=") + rate + ", convertfps=false )";
    } else {
        sourceLine += ")";
    }
    const std::string eol = (style & 4U) != 0 ? "\r\n" : "\n";
    std::string script = "LoadPlugin(\"plugin\\DirectShowSource.dll\")" + eol;
    if ((style & 8U) != 0) {
        script += eol + "  ";
    }
    script += sourceLine + eol + "return last";

    const auto reading = readFrameServerScript(script, folder);
    MORVANE_FUZZ_CHECK(reading.hasValue(), shown(script) + " refused: " + reading.error());
    const bool absolute = path.front() == '/' || folder.empty();
    const std::string expectedPath =
        absolute ? std::string(path)
                 : std::string(folder) + (folder.back() == '/' ? "" : "/") + std::string(path);
    MORVANE_FUZZ_CHECK(reading->path == expectedPath, shown(reading->path) + " from " + shown(script));
    const double expectedRate = kind == 2 ? 0.0 : std::strtod(rate, nullptr);
    MORVANE_FUZZ_CHECK(reading->frameRate == expectedRate, std::to_string(reading->frameRate));
    MORVANE_FUZZ_CHECK(reading->convertFrameRate == (kind == 0), shown(script));
}

// The script the engine writes for a source, read by `vec`: the same source, timed as its kind says.
void checkEngineScript(std::string_view path, std::string_view folder) {
    const auto kind = engine::frameServerScriptKind(path);
    if (kind == engine::ScriptKind::None || path.empty() ||
        path.find_first_of("\r\n") != std::string_view::npos) {
        return;
    }
    const auto script = engine::frameServerScriptText(kind, path);
    const auto reading = readFrameServerScript(script, folder);
    MORVANE_FUZZ_CHECK(reading.hasValue(), shown(script) + " refused: " + reading.error());
    const bool absolute = path.front() == '/' || folder.empty();
    const std::string expectedPath =
        absolute ? std::string(path)
                 : std::string(folder) + (folder.back() == '/' ? "" : "/") + std::string(path);
    MORVANE_FUZZ_CHECK(reading->path == expectedPath, shown(reading->path) + " from " + shown(script));
    const bool stated = kind != engine::ScriptKind::SourceFrameRate;
    MORVANE_FUZZ_CHECK(reading->frameRate == (stated ? 23.976 : 0.0), shown(script));
    MORVANE_FUZZ_CHECK(reading->convertFrameRate == (kind == engine::ScriptKind::ConvertedFrameRate),
                       shown(script));
}

} // namespace

void fuzzScriptReader(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t style = input.takeByte();
    const std::string_view folder =
        (style & 0x80U) != 0 ? "/tmp/program dir/" : ((style & 0x40U) != 0 ? "" : "rel");
    checkAnyText(input.rest(), folder);
    checkWrittenScript(input.rest(), style, folder);
    checkEngineScript(input.rest(), folder);
    const auto path = input.rest();
    const auto slash = path.rfind('/');
    const auto name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const bool avs = name.size() >= 4 && (name[name.size() - 4] == '.') &&
                     (name[name.size() - 3] | 0x20) == 'a' && (name[name.size() - 2] | 0x20) == 'v' &&
                     (name[name.size() - 1] | 0x20) == 's';
    MORVANE_FUZZ_CHECK(converter::isFrameServerScript(path) == avs, shown(path));
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzScriptReader)
