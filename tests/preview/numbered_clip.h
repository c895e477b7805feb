#pragma once

#include <QImage>

#include <functional>
#include <string>

namespace morvane::test {

// A clip whose every frame carries its own number: across the upper half a white stripe, then ten
// stripes white or black after the number's bits (lowest bit first), big enough to survive scaling and
// compression, and the number in digits below for people looking at screenshots. Key frames every
// `keyInterval` frames, so key-frame and exact seeks land on different frames.
bool makeNumberedClip(const std::string& path, double seconds, int rate = 30, int width = 320,
                      int height = 240, int keyInterval = 30);

// The frame number shown in `image` (a frame of a numbered clip filling the whole picture), or -1
// when the stripes are not clean black and white or the first stripe is not white.
int frameNumberIn(const QImage& image);

// Waits (running the event loop) until `frame` gives the same non-negative number twice 150 ms apart,
// and gives it; -1 when the picture did not come to rest within a few seconds. A paused player may still
// hand over a frame or two that were on their way.
int waitUntilStill(const std::function<int()>& frame);

} // namespace morvane::test
