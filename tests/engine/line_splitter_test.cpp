#include "engine/line_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvane::engine {
namespace {

struct Split {
    std::vector<std::string> lines;
    std::string pending;
};

Split split(const std::vector<std::string>& chunks, std::size_t maxLineBytes = kMaxLineBytes) {
    Split result;
    const LineSink sink = [&](std::string_view line) { result.lines.emplace_back(line); };
    for (const auto& chunk : chunks) {
        splitLines(chunk, result.pending, sink, maxLineBytes);
    }
    return result;
}

struct SplitCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
    std::string pending;
    std::size_t maxLineBytes = kMaxLineBytes;
};

TEST(LineSplitter, CutsChunksIntoLines) {
    const std::string bigLine(5000, 'x');
    const std::vector<SplitCase> cases = {
        {"one chunk, line feeds", {"abc\ndef\n"}, {"abc", "def"}, ""},
        {"line completed by the next chunk", {"fra", "me=1\nti"}, {"frame=1"}, "ti"},
        {"line feed alone in the next chunk", {"abc", "\n"}, {"abc"}, ""},
        {"carriage return before the line feed, same chunk", {"abc\r\n"}, {"abc"}, ""},
        {"carriage return ending the previous chunk stays", {"abc\r", "\ndef\r\n"}, {"abc\r", "def"}, ""},
        {"only one carriage return is dropped", {"abc\r\r\n"}, {"abc\r"}, ""},
        {"carriage return inside a line stays", {"a\rb\n"}, {"a\rb"}, ""},
        {"empty lines", {"\n\n", "\r\n", "\n"}, {"", "", "", ""}, ""},
        {"carriage return of an earlier line is not taken twice", {"\r\n\n"}, {"", ""}, ""},
        {"text without a line feed waits", {"abc", "def"}, {}, "abcdef"},
        {"5,000-byte line over 1,024-byte chunks",
         {bigLine.substr(0, 1024), bigLine.substr(1024, 1024), bigLine.substr(2048, 1024),
          bigLine.substr(3072, 1024), bigLine.substr(4096) + "\n"},
         {bigLine},
         ""},
        {"zero bytes inside a line are kept", {std::string("a\0b\n", 4)}, {std::string("a\0b", 3)}, ""},
        {"a runaway line is handed on in pieces", {"abcdefghij\n"}, {"abcd", "efgh", "ij"}, "", 4},
        {"a line of exactly the limit stays whole", {"ab", "cd\n"}, {"abcd"}, "", 4},
        {"the limit applies across chunks", {"ab", "cdef", "g\n"}, {"abcd", "efg"}, "", 4},
    };
    for (const auto& c : cases) {
        const Split result = split(c.chunks, c.maxLineBytes);
        EXPECT_EQ(result.lines, c.lines) << c.name;
        EXPECT_EQ(result.pending, c.pending) << c.name;
    }
}

TEST(LineSplitter, TailBecomesTheLastLine) {
    Split result = split({"abc\nde", "f"});
    std::vector<std::string> last;
    const LineSink sink = [&](std::string_view line) { last.emplace_back(line); };
    EXPECT_TRUE(finishLines(result.pending, sink));
    EXPECT_EQ(last, std::vector<std::string>{"def"});
    EXPECT_TRUE(result.pending.empty());
    EXPECT_FALSE(finishLines(result.pending, sink));
    EXPECT_EQ(last.size(), 1u);
}

TEST(LineSplitter, LineBufferStaysBoundedOverManyLines) {
    std::string pending;
    std::size_t lines = 0;
    std::size_t largest = 0;
    const LineSink sink = [&](std::string_view) {
        ++lines;
        largest = std::max(largest, pending.capacity());
    };
    // 100,000 diagnostic lines cut into 1,024-byte chunks at arbitrary places.
    std::string output;
    for (int i = 0; i < 100000; ++i) {
        output += "[h264 @ 0x55d] diagnostic line " + std::to_string(i) + "\n";
    }
    for (std::size_t pos = 0; pos < output.size(); pos += 1024) {
        splitLines(std::string_view(output).substr(pos, 1024), pending, sink);
    }
    EXPECT_EQ(lines, 100000u);
    EXPECT_LT(largest, 256u);

    // After a very long line the buffer gives its memory back.
    const std::string huge(300000, 'z');
    splitLines(huge + "\nshort\n", pending, sink);
    EXPECT_LT(pending.capacity(), 70000u);
}

} // namespace
} // namespace morvane::engine
