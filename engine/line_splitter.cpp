#include "engine/line_splitter.h"

namespace morvane::engine {

namespace {

// Past this, an emptied line buffer gives its memory back instead of keeping it for the next line.
constexpr std::size_t kKeptLineCapacity = 64 * 1024;

void deliver(std::string& pending, const LineSink& onLine) {
    onLine(pending);
    pending.clear();
    if (pending.capacity() > kKeptLineCapacity) {
        pending.shrink_to_fit();
    }
}

void append(std::string_view piece, std::string& pending, const LineSink& onLine, std::size_t maxLineBytes) {
    while (pending.size() + piece.size() > maxLineBytes) {
        const std::size_t take = maxLineBytes - pending.size();
        pending.append(piece.substr(0, take));
        piece.remove_prefix(take);
        deliver(pending, onLine);
    }
    pending.append(piece);
}

} // namespace

void splitLines(std::string_view chunk, std::string& pending, const LineSink& onLine,
                std::size_t maxLineBytes) {
    if (maxLineBytes == 0) {
        maxLineBytes = 1;
    }
    std::size_t pos = 0;
    while (pos < chunk.size()) {
        const std::size_t lineFeed = chunk.find('\n', pos);
        if (lineFeed == std::string_view::npos) {
            append(chunk.substr(pos), pending, onLine, maxLineBytes);
            return;
        }
        std::size_t end = lineFeed;
        if (end > pos && chunk[end - 1] == '\r') {
            --end;
        }
        append(chunk.substr(pos, end - pos), pending, onLine, maxLineBytes);
        deliver(pending, onLine);
        pos = lineFeed + 1;
    }
}

bool finishLines(std::string& pending, const LineSink& onLine) {
    if (pending.empty()) {
        return false;
    }
    deliver(pending, onLine);
    return true;
}

} // namespace morvane::engine
