#include "converter/translator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "converter/translator_private.h"

namespace morvane::converter {

namespace translation {

std::optional<double> parseNumber(std::string_view text) {
    const std::string value(text);
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || end == value.c_str() || *end != '\0' || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

std::optional<double> parseBitrate(std::string_view text) {
    std::string value(text);
    double scale = 1.0;
    if (!value.empty()) {
        switch (value.back()) {
        case 'k':
        case 'K':
            scale = 1e3;
            break;
        case 'M':
            scale = 1e6;
            break;
        case 'G':
            scale = 1e9;
            break;
        default:
            break;
        }
        if (scale != 1.0) {
            value.pop_back();
        }
    }
    const auto number = parseNumber(value);
    if (!number || *number <= 0.0) {
        return std::nullopt;
    }
    return *number * scale;
}

std::string formatInteger(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

std::string formatBitrate(double bitsPerSecond) {
    char text[32];
    if (std::fmod(bitsPerSecond, 1000.0) == 0.0) {
        std::snprintf(text, sizeof text, "%.0fk", bitsPerSecond / 1000.0);
    } else {
        std::snprintf(text, sizeof text, "%.0f", bitsPerSecond);
    }
    return text;
}

std::string joinTokens(const std::vector<std::string>& tokens) {
    std::string text;
    for (const auto& t : tokens) {
        text += t;
    }
    return text;
}

namespace {

// Options that act on reading the input wherever the old command put them.
bool alwaysInput(std::string_view name) {
    return name == "ss" || name == "itsoffset" || name == "re" || name == "loop_input";
}

} // namespace

bool Translator::inputSide(const OldOption& option) const {
    static const std::set<std::string> inputOptions = {"f",       "s",       "r",      "ar",    "ac",
                                                       "pix_fmt", "threads", "vcodec", "acodec"};
    if (alwaysInput(option.name)) {
        return true;
    }
    return option.beforeInput &&
           (inputOptions.count(option.name) != 0 || oldOptionArity(option.name) == OldArity::Unknown);
}

const SourceFacts& Translator::probed() {
    if (!m_probed) {
        m_probed = true;
        m_facts = m_request.source;
        if (!m_facts.known && m_request.probe) {
            m_facts = m_request.probe();
        }
    }
    return m_facts;
}

const StreamFacts& Translator::streamFacts() {
    if (!m_streamFacts) {
        m_streamFacts = m_request.streamProbe && !m_request.script ? m_request.streamProbe() : StreamFacts{};
    }
    return *m_streamFacts;
}

void Translator::scan() {
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (option.name == "target") {
            m_target = targetInfo(option.value);
            m_targetIndex = i;
        }
    }
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (m_target && i < m_targetIndex && overriddenByTarget(*m_target, option.name)) {
            m_skip.insert(i);
            continue; // settled once the codecs are known
        }
        if (option.beforeInput && inputSide(option) && !alwaysInput(option.name)) {
            continue; // input options stand apart from the output's
        }
        m_last[option.name] = i;
    }

    // The codecs and the format that win by position: the last of the options and the target.
    std::string format;
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (option.beforeInput && inputSide(option)) {
            continue;
        }
        if (option.name == "vcodec") {
            m_videoAsked = option.value;
            m_videoIndex = i;
        } else if (option.name == "acodec") {
            m_audioAsked = option.value;
            m_audioIndex = i;
        } else if (option.name == "f") {
            format = option.value == "aac" ? "adts" : option.value;
        } else if (option.name == "target" && m_target) {
            m_videoAsked = m_target->videoEncoder;
            m_videoIndex.reset();
            m_audioAsked = m_target->audioEncoder;
            m_audioIndex.reset();
            format = m_target->format;
        }
    }
    m_muxer = muxerFor(format, m_request.outputPath);
}

std::int64_t Translator::cutStart() const {
    const auto* start = last("ss");
    return start == nullptr ? 0 : parseDuration(start->value).value_or(0);
}

bool Translator::reachesTheEnd(const OldOption& length) {
    // The program writes the length of the whole file when nothing is cut, from a header that can
    // under-report it: a length that reaches the end of an uncut source means all of it.
    const auto microseconds = parseDuration(length.value);
    if (cutStart() != 0 || !microseconds || has("loop_input")) {
        return false;
    }
    const SourceFacts& source = probed();
    return source.known && !source.still && source.duration > 0.0 &&
           static_cast<double>(*microseconds) / 1e6 >= source.duration;
}

platform::Expected<void> Translator::checkCut() {
    std::string error;
    if (const auto* length = last("t")) {
        const auto microseconds = parseDuration(length->value);
        if (!microseconds) {
            error = "the cut length -t " + length->value + " is not a time";
        } else if (*microseconds <= 0) {
            error = "the cut length -t " + length->value + " is not above zero; there is nothing to convert";
        }
    }
    if (const auto* start = last("ss")) {
        const auto microseconds = parseDuration(start->value);
        if (!microseconds || *microseconds < 0) {
            error = "the start time -ss " + start->value + " is not a time";
        }
    }
    if (!error.empty()) {
        return platform::Failure{error};
    }
    return {};
}

void Translator::emitInput() {
    const auto& preamble = ffmpegPreamble();
    m_result.arguments.assign(preamble.begin(), preamble.end());
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (!inputSide(option)) {
            continue;
        }
        if (option.name == "ss") {
            if (m_last["ss"] == i && cutStart() > 0 && !m_request.seekOnOutput) {
                // Seeking on the input decodes from the key frame before the cut only; FFmpeg 5.1 still
                // cuts exactly there when it transcodes. A start of 0 is no seek at all: inputs that
                // cannot seek would lose everything.
                out({"-ss", option.value});
                m_result.seeksInput = true;
            }
        } else if (option.name == "itsoffset") {
            if (m_last["itsoffset"] == i) {
                out({"-itsoffset", option.value});
            }
        } else if (option.name == "re") {
            if (m_last["re"] == i) {
                out({"-re"});
            }
        } else if (option.name == "loop_input") {
            if (m_last["loop_input"] != i) {
                continue;
            }
            const bool still = probed().still;
            if (still && has("t")) {
                out({"-loop", "1"});
            } else {
                dropNote(option, still ? "a looped picture needs -t, or it never ends"
                                       : "only a still picture can be looped");
            }
        } else if (option.name == "vcodec") {
            out({"-c:v", option.value});
        } else if (option.name == "acodec") {
            out({"-c:a", option.value});
        } else {
            out({"-" + option.name});
            if (option.hasValue) {
                out({option.value});
            }
        }
    }
    const std::string input = m_request.script ? m_request.script->path : m_request.command.input;
    out({"-i", fileUrl(input)});
    if (!m_fillerVideo.empty() || !m_fillerAudio.empty()) {
        out({"-f", "lavfi", "-i", m_fillerVideo.empty() ? m_fillerAudio : m_fillerVideo});
    }
}

void Translator::emitOutputOptions() {
    const bool explicitMap = has("map");
    if (!explicitMap) {
        // The old converter's choice: the first video and the first audio stream, nothing else.
        if (m_mapVideo) {
            out({"-map", m_fillerVideo.empty() ? "0:V:0?" : "1:v:0"});
        }
        if (m_mapAudio) {
            out({"-map", m_fillerAudio.empty() ? "0:a:0?" : "1:a:0"});
        }
        if (!m_fillerVideo.empty() || !m_fillerAudio.empty()) {
            out({"-shortest"});
        }
    }
    if (m_request.seekOnOutput && cutStart() > 0) {
        // The input cannot seek: everything before the cut is decoded and left out.
        out({"-ss", last("ss")->value});
    }
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const auto& option = m_options[i];
        if (inputSide(option) || m_skip.count(i) != 0) {
            continue;
        }
        const bool repeatable = option.name == "map" || option.name == "flags" || option.name == "flags2";
        if (!repeatable && m_last[option.name] != i) {
            continue; // a later occurrence wins
        }
        if (option.name == "flags" || option.name == "flags2") {
            if (m_last[option.name] == i) {
                emitOption(i);
            }
            continue;
        }
        emitOption(i);
    }
}

void Translator::emitOption(std::size_t index) {
    const OldOption& option = m_options[index];
    const auto& table = optionHandlers();
    if (const auto it = table.find(option.name); it != table.end()) {
        (this->*(it->second))(option, index);
    } else {
        passOption(option, index);
    }
}

platform::Expected<Translation> Translator::run() {
    scan();
    chooseCodecs();
    for (const std::size_t index : m_skip) {
        if (m_target && index < m_targetIndex) {
            settleBeforeTarget(m_options[index]);
        }
    }
    if (auto cut = checkCut(); !cut) {
        return platform::Failure{cut.error()};
    }

    // Rates that the chosen encoders and containers take.
    settleMaxrate();
    chooseDevice();
    settleSampleRate();
    settleChannels();

    planFilters();
    padShortAdts();
    emitInput();
    emitOutputOptions();
    emitFixes();
    emitFilters();
    emitClosing();
    return std::move(m_result);
}

void Translator::emitClosing() {
    if (m_muxer == "avi" && m_result.videoOut && !videoCopy() && !has("avoid_negative_ts")) {
        // AVI keeps no times: each picture shows at its place in the file. FFmpeg would move every picture
        // but the first by the audio encoder's priming, rounded up to a whole frame (67 ms at 15 frames per
        // second); the pictures stay where they are and the priming delays only the sound, by 25 ms.
        out({"-avoid_negative_ts", "disabled"});
    }
    if (m_interlacedOut) {
        out({"-flags:v", "+ildct+ilme"});
    }
    if (m_downmix) {
        out({"-rematrix_maxval", "1.0"});
    }
    // Tags kept with a stream (Ogg's comments) become the file's where its container holds none.
    if ((m_result.videoOut || m_audioOut) && !has("map_metadata") && !has("map_meta_data") &&
        streamFacts().tagStream != 0 &&
        (streamFacts().tagStream == 'a' ? probed().hasAudio : probed().hasVideo)) {
        out({"-map_metadata", std::string("0:s:") + streamFacts().tagStream + ":0"});
    }
    if (m_request.unnamedWrite && !m_muxer.empty()) {
        out({"-f", m_muxer}); // the file's name cannot tell FFmpeg
    }
    m_result.muxer = m_muxer;
    m_result.cutStart = static_cast<double>(cutStart()) / 1e6;
    out({"-y", fileUrl(m_request.writePath)});
}

} // namespace translation

const std::vector<std::string>& ffmpegPreamble() {
    static const std::vector<std::string> preamble = {"-hide_banner", "-nostats",  "-loglevel",
                                                      "warning",      "-progress", "pipe:1"};
    return preamble;
}

std::string fileUrl(const std::string& path) {
    return "file:" + path;
}

platform::Expected<Translation> translateCommand(const TranslationRequest& request) {
    try {
        return translation::Translator(request).run();
    } catch (const std::exception& error) {
        return platform::Failure{std::string("cannot translate the command: ") + error.what()};
    }
}

} // namespace morvane::converter
