#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::converter {

// Cuts a byte stream into lines. A line feed, a carriage return or the pair of both ends a line;
// empty lines are dropped.
class LineSplitter {
public:
    std::vector<std::string> feed(std::string_view bytes);
    // The text after the last line end, once the stream is over.
    std::optional<std::string> finish();

private:
    std::string m_partial;
    bool m_afterCarriageReturn = false;
};

// One update of FFmpeg's machine-readable progress ("-progress"), as far as the program uses it.
struct ProgressUpdate {
    bool hasVideo = false; // the block counted frames
    std::int64_t frame = 0;
    double fps = 0.0;
    double quality = 0.0;
    std::int64_t sizeBytes = 0;
    double seconds = 0.0;
    double kilobitsPerSecond = 0.0;
    bool last = false; // "progress=end"
};

// The progress line the program reads, ending in a line feed. With video:
// "frame= F fps= R q= Q size= SkB time=T bitrate= Bkbits/s", without video
// "size= SkB time=T bitrate= Bkbits/s"; T in seconds with two decimals.
std::string formatProgressLine(const ProgressUpdate& update);

// Collects the key=value lines of FFmpeg's progress stream; each "progress=" line completes a block.
class ProgressReader {
public:
    std::optional<ProgressUpdate> feedLine(std::string_view line);

private:
    std::map<std::string, std::string, std::less<>> m_values;
    double m_lastSeconds = 0.0;
};

} // namespace morvane::converter
