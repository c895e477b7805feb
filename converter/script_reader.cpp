#include "converter/script_reader.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/text_rules.h"

namespace morvane::converter {

namespace {

using platform::endsWithNoCase;
using platform::startsWithNoCase;
using platform::toLowerAscii;
using platform::trimBlanks;

// `Name("text" rest)`: gives the quoted text and what follows it up to the closing parenthesis. The
// closing quote is the last one on the line, since the program writes paths without escaping.
bool splitCall(std::string_view line, std::string_view name, std::string& quoted, std::string_view& rest) {
    if (!startsWithNoCase(line, name)) {
        return false;
    }
    std::string_view body = trimBlanks(line.substr(name.size()));
    if (body.size() < 2 || body.front() != '(' || body.back() != ')') {
        return false;
    }
    body = trimBlanks(body.substr(1, body.size() - 2));
    const auto close = body.rfind('"');
    if (body.empty() || body.front() != '"' || close == 0 || close == std::string_view::npos) {
        return false;
    }
    quoted = std::string(body.substr(1, close - 1));
    rest = trimBlanks(body.substr(close + 1));
    return true;
}

std::vector<std::string_view> scriptLines(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto line = trimBlanks(text.substr(0, end));
        if (!line.empty()) {
            lines.push_back(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string readSourceArguments(std::string_view rest, ScriptSource& source) {
    bool convert = false;
    while (!rest.empty()) {
        if (rest.front() != ',') {
            return "unexpected text after the source path: \"" + std::string(rest) + "\"";
        }
        rest = trimBlanks(rest.substr(1));
        const auto next = rest.find(',');
        const auto argument = trimBlanks(rest.substr(0, next));
        rest = next == std::string_view::npos ? std::string_view() : trimBlanks(rest.substr(next));
        const auto equals = argument.find('=');
        if (equals == std::string_view::npos) {
            return "unsupported DirectShowSource argument \"" + std::string(argument) + "\"";
        }
        const auto key = toLowerAscii(trimBlanks(argument.substr(0, equals)));
        const auto value = std::string(trimBlanks(argument.substr(equals + 1)));
        if (key == "fps") {
            char* end = nullptr;
            const double rate = std::strtod(value.c_str(), &end);
            if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(rate) || rate <= 0.0) {
                return "fps=" + value + " is not a frame rate";
            }
            source.frameRate = rate;
        } else if (key == "convertfps") {
            const auto flag = toLowerAscii(value);
            if (flag != "true" && flag != "false") {
                return "convertfps=" + value + " must be true or false";
            }
            convert = flag == "true";
        } else {
            return "unsupported DirectShowSource argument \"" + std::string(argument) + "\"";
        }
    }
    if (convert && source.frameRate <= 0.0) {
        return "convertfps=true needs fps=";
    }
    source.convertFrameRate = convert;
    return {};
}

} // namespace

bool isFrameServerScript(std::string_view path) {
    const auto slash = path.find_last_of('/');
    const auto name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return endsWithNoCase(name, ".avs");
}

platform::Expected<ScriptSource> readFrameServerScript(std::string_view text, std::string_view scriptFolder) {
    const auto lines = scriptLines(text);
    const auto fail = [](std::string why) { return platform::Failure{std::move(why)}; };
    if (lines.size() != 3) {
        return fail(
            "a script must hold exactly three lines: LoadPlugin, DirectShowSource and \"return last\"");
    }

    std::string plugin;
    std::string_view rest;
    if (!splitCall(lines[0], "LoadPlugin", plugin, rest) || !rest.empty() ||
        !endsWithNoCase(plugin, "DirectShowSource.dll") ||
        (plugin.size() > 20 && plugin[plugin.size() - 21] != '\\' && plugin[plugin.size() - 21] != '/')) {
        return fail("line 1 must load DirectShowSource.dll: " + std::string(lines[0]));
    }

    ScriptSource source;
    if (!splitCall(lines[1], "DirectShowSource", source.path, rest) || source.path.empty()) {
        return fail("line 2 must be DirectShowSource(\"file\" ...): " + std::string(lines[1]));
    }
    if (auto why = readSourceArguments(rest, source); !why.empty()) {
        return fail("line 2: " + why);
    }
    if (toLowerAscii(lines[2]) != "return last") {
        return fail("line 3 must be \"return last\": " + std::string(lines[2]));
    }
    if (source.path.front() != '/' && !scriptFolder.empty()) {
        std::string folder(scriptFolder);
        if (folder.back() != '/') {
            folder += '/';
        }
        source.path = folder + source.path;
    }
    return source;
}

} // namespace morvane::converter
