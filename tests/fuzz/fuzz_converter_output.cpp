// The converter's output as the reader loop receives it: chunks of up to 1024 bytes cut into lines,
// each line read for its progress time and turned into a percentage.

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_splitter.h"
#include "engine/progress.h"
#include "platform/fixed_text.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

namespace {

constexpr std::size_t kChunkBytes = 1024;        // the reader's read size
constexpr std::size_t kProgressLineBuffer = 512; // the encoder reads a line from a buffer of this size

// The lines the splitter must hand on: line feeds end lines, a carriage return right before a line
// feed in the same chunk is dropped, and a line longer than `maxLine` comes in pieces of that size.
std::vector<std::string> expectedLines(const std::vector<std::string_view>& chunks, std::size_t maxLine) {
    std::vector<std::string> lines;
    std::string pending;
    const auto flushPieces = [&](bool lineEnded) {
        std::size_t at = 0;
        while (pending.size() - at > maxLine) {
            lines.push_back(pending.substr(at, maxLine));
            at += maxLine;
        }
        if (lineEnded || at < pending.size()) {
            lines.push_back(pending.substr(at));
        }
        pending.clear();
    };
    for (const auto chunk : chunks) {
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            if (chunk[i] == '\n') {
                flushPieces(true);
            } else if (!(chunk[i] == '\r' && i + 1 < chunk.size() && chunk[i + 1] == '\n')) {
                pending += chunk[i];
            }
        }
    }
    if (!pending.empty()) {
        flushPieces(false);
    }
    return lines;
}

// "time=" after `tokens` whitespace-separated tokens, as the converter's progress line puts it, and the
// integer after it (clamped to int), found without sscanf.
std::optional<int> referenceSeconds(const char* line, int tokens) {
    const char* p = line;
    for (int i = 0; i < tokens; ++i) {
        while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p)) != 0) {
            ++p;
        }
        if (*p == '\0') {
            return std::nullopt;
        }
        while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p)) == 0) {
            ++p;
        }
    }
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p)) != 0) {
        ++p;
    }
    if (std::strncmp(p, "time=", 5) != 0) {
        return std::nullopt;
    }
    p += 5;
    // The number: blanks, a sign, digits.
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p)) != 0) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (std::isdigit(static_cast<unsigned char>(*p)) == 0) {
        return std::nullopt;
    }
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p)) != 0) {
        value = std::min<long long>(value * 10 + (*p - '0'), 1LL << 40);
        ++p;
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void checkProgress(int seconds, double duration) {
    const auto step = engine::progressStep(seconds, duration);
    MORVANE_FUZZ_CHECK(step.percent >= 1 && step.percent <= 99, std::to_string(step.percent));
    if (!std::isfinite(duration) || duration <= 0.0) {
        MORVANE_FUZZ_CHECK(step.percent == 1 && !step.reachedEnd, std::to_string(duration));
        return;
    }
    const double percent = static_cast<double>(seconds) / duration * 100.0;
    MORVANE_FUZZ_CHECK(step.reachedEnd == (percent >= 100.0),
                       std::to_string(seconds) + " of " + std::to_string(duration));
    if (percent >= 1.0 && percent < 100.0) {
        MORVANE_FUZZ_CHECK(step.percent == static_cast<int>(percent),
                           std::to_string(seconds) + " of " + std::to_string(duration));
    } else {
        MORVANE_FUZZ_CHECK(step.percent == 1, std::to_string(seconds) + " of " + std::to_string(duration));
    }
}

void checkLine(std::string_view line, bool hasVideo, double duration) {
    char buffer[kProgressLineBuffer];
    platform::copyText(buffer, sizeof buffer, line);
    const auto seconds = engine::parseProgressSeconds(buffer, hasVideo);
    const auto expected = referenceSeconds(buffer, hasVideo ? 8 : 2);
    MORVANE_FUZZ_CHECK(seconds == expected, shown(buffer) + (hasVideo ? " with video" : " without video"));
    if (seconds) {
        checkProgress(*seconds, duration);
    }
}

// A progress line of the expected shape, built from the fuzzer's numbers, reads back its time.
void checkMadeLine(FuzzInput& input, bool hasVideo) {
    const long long time = static_cast<long long>(input.takeUint32()) - (input.takeBool() ? (1LL << 31) : 0);
    static constexpr const char* kWords[] = {"frame=",   "25", "fps=0.0", "q=2.0", "size=", "12kB",
                                             "bitrate=", "x",  "Lsize=",  "-",     "N/A",   "time"};
    std::string line;
    for (int i = 0; i < (hasVideo ? 8 : 2); ++i) {
        line += kWords[input.takeByte() % std::size(kWords)];
        line += input.takeBool() ? "\t" : "  ";
    }
    line += "time=" + std::to_string(time) + ".44 bitrate= 10.0kbits/s";
    const auto seconds = engine::parseProgressSeconds(line.c_str(), hasVideo);
    const long long clamped = std::clamp<long long>(time, INT_MIN, INT_MAX);
    MORVANE_FUZZ_CHECK(seconds == static_cast<int>(clamped), shown(line));
    // The other shape has the wrong number of tokens before the time.
    MORVANE_FUZZ_CHECK(!engine::parseProgressSeconds(line.c_str(), !hasVideo), shown(line));
}

} // namespace

void fuzzConverterOutput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t flags = input.takeByte();
    const bool hasVideo = (flags & 1U) != 0;
    const std::size_t maxLine = (flags & 2U) != 0 ? 1 + input.takeByte() % 64U : engine::kMaxLineBytes;
    const double durations[] = {0.0, -5.0, 1.0, 60.6, 3600.0, 0.25, 1e-300, NAN, INFINITY};
    const double duration = durations[input.takeByte() % std::size(durations)];
    std::uint32_t random = input.takeUint32() | 1U;
    checkMadeLine(input, hasVideo);

    // Chunks of 1 to 1024 bytes, as reads of a pipe may deliver them.
    std::vector<std::string_view> chunks;
    std::string_view stream = input.rest();
    while (!stream.empty()) {
        random ^= random << 13U;
        random ^= random >> 17U;
        random ^= random << 5U;
        const std::size_t take = (flags & 4U) != 0 ? 1 + random % kChunkBytes : 1 + random % 8U;
        chunks.push_back(stream.substr(0, take));
        stream.remove_prefix(std::min(take, stream.size()));
    }

    std::vector<std::string> lines;
    std::string pending;
    const engine::LineSink sink = [&](std::string_view line) { lines.emplace_back(line); };
    for (const auto chunk : chunks) {
        engine::splitLines(chunk, pending, sink, maxLine);
        MORVANE_FUZZ_CHECK(pending.size() <= maxLine, std::to_string(pending.size()));
    }
    const bool last = engine::finishLines(pending, sink);
    MORVANE_FUZZ_CHECK(pending.empty(), shown(pending));
    MORVANE_FUZZ_CHECK(!engine::finishLines(pending, sink), "a second finish handed on a line");

    const auto expected = expectedLines(chunks, maxLine);
    MORVANE_FUZZ_CHECK(lines == expected, shown(lines) + " expected " + shown(expected));
    MORVANE_FUZZ_CHECK(last == (!input.rest().empty() && input.rest().back() != '\n'), shown(input.rest()));
    for (const auto& line : lines) {
        MORVANE_FUZZ_CHECK(line.size() <= maxLine, std::to_string(line.size()));
        checkLine(line, hasVideo, duration);
    }
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzConverterOutput)
