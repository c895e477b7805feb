#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace morvane::engine {

// A line that grows past this many bytes without a line feed is handed on in pieces of this size,
// so a converter that never ends its line cannot make the reader's memory grow without bound.
inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

using LineSink = std::function<void(std::string_view line)>;

// Walks one chunk of converter output. Text up to each line feed completes the line collected in
// `pending`, which goes to `onLine` and is then emptied; one carriage return right before the line
// feed is dropped when it lies in the same chunk (one that ended the previous chunk stays in the
// line). Text after the last line feed stays in `pending` for the next chunk.
void splitLines(std::string_view chunk, std::string& pending, const LineSink& onLine,
                std::size_t maxLineBytes = kMaxLineBytes);

// Hands on what is left in `pending` as a last line, if anything, and empties it. Returns whether a
// line was handed on.
bool finishLines(std::string& pending, const LineSink& onLine);

} // namespace morvane::engine
