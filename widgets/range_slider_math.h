#pragma once

#include <functional>
#include <optional>
#include <vector>

namespace morvane::widgets {

// Which end of the range a change concerns, as reported to the slider's owner.
enum RangeChange : int { ChangeLeft = 0, ChangeRight = 1, ChangeBoth = 2 };

// The interval (minimum to maximum) and the selected range in it (left to right).
struct RangeValues {
    double minimum = 0.0;
    double maximum = 1.0;
    double left = 0.0;
    double right = 1.0;
    friend bool operator==(const RangeValues&, const RangeValues&) = default;
};

// A rectangle as the slider's hit tests see it: left and top inside, right and bottom just outside.
struct SliderRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    int centreX() const { return (left + right) / 2; }
    int centreY() const { return (top + bottom) / 2; }
    friend bool operator==(const SliderRect&, const SliderRect&) = default;
};

// Pixel layout of a slider of the given client size: each thumb is a = H * 3 / 4 wide, the track is
// t = W - 2a wide, and the thumbs' rectangles sit at the pixels of left and right.
struct SliderLayout {
    int width = 0;
    int height = 0;
    int arrowWidth = 0;
    int trackWidth = 0;
    int leftX = 0;        // pixel of left
    int rightX = 0;       // pixel of right
    SliderRect leftThumb; // hit areas: the drawn thumbs shrunk by 1 at left/top, by 2 at right/bottom
    SliderRect rightThumb;
    SliderRect band;     // hit area of the band between the thumbs
    SliderRect bandFill; // the white band as drawn
};

// Pixel of a value on a track `trackWidth` wide: t * (v - minimum) / (maximum - minimum) + 0.5,
// truncated. An empty interval maps everything to pixel 0.
int valueToPixel(double value, const RangeValues& range, int trackWidth);

SliderLayout sliderLayout(const RangeValues& range, int width, int height);

// Pulls left and right into the interval, one correction at a time; `report` hears of each correction
// as soon as it is made (so a reader sees the values of that moment). Returns the changes in order.
std::vector<RangeChange> normalizeRange(RangeValues& range,
                                        const std::function<void(RangeChange)>& report = nullptr);

// One mouse move of a drag, with q the pointer's x less the grab offset. Each returns the change code
// the owner is told, whether or not a value changed. A track without width leaves the values alone.
RangeChange dragLeftThumb(RangeValues& range, int q, int arrowWidth, int trackWidth);
RangeChange dragRightThumb(RangeValues& range, int q, int arrowWidth, int trackWidth);
RangeChange dragBand(RangeValues& range, int q, int arrowWidth, int trackWidth);

// One press of the left or right arrow key: without Shift the band moves one pixel, with Shift only the
// right end does (never below the left end). Values snap to the pixel grid; a step that would leave the
// track is refused. Returns the change code to report, or nothing when the interval (or the track) is
// empty and the key does nothing at all.
std::optional<RangeChange> arrowKeyStep(RangeValues& range, bool rightArrow, bool shift, int trackWidth);

} // namespace morvane::widgets
