#pragma once

#include <optional>
#include <string>
#include <vector>

namespace morvane::test {

// Makes a clip whose sound and pictures can be found again in any conversion of it: flat pictures whose
// brightness changes from frame to frame in an irregular pattern, and a tone switched on and off in 50 ms
// steps, also irregularly. Neither pattern repeats within 5 s. `encoding` names the codecs and container
// options (for example {"-c:v", "mpeg4", "-q:v", "2", "-c:a", "pcm_s16le"}).
bool makeSyncClip(const std::string& path, const std::vector<std::string>& encoding, double seconds = 4.0,
                  int frameRate = 30, const std::string& size = "320x240");

// How much later than in the source a converted file's sound and pictures come, in seconds (negative:
// earlier). Sound is matched by cross-correlating its loudness, 4 ms at a time, with the source's; pictures
// by finding, for each converted frame, the source frame it shows. Nothing for a stream that is missing or
// that matches nowhere within half a second.
struct AvLags {
    std::optional<double> audio;
    std::optional<double> video;
    // How far the pictures lag behind the sound.
    std::optional<double> offset() const {
        if (!audio || !video) {
            return std::nullopt;
        }
        return *video - *audio;
    }
};

AvLags measureLags(const std::string& source, const std::string& converted);

// A signal measured over time: a value from each time on until the next.
struct TimedValues {
    std::vector<double> times;
    std::vector<double> values;
};

// The lag of `converted` against `source` for sound: the shift, in steps of `step`, that best
// correlates the two within `range`.
std::optional<double> soundLag(const TimedValues& source, const TimedValues& converted, double step = 0.004,
                               double range = 0.5);
// The lag for pictures: each converted frame is matched to the source frame it shows; the median of
// their time differences.
std::optional<double> pictureLag(const TimedValues& source, const TimedValues& converted, double range = 0.5);

} // namespace morvane::test
