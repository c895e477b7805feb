#include "widgets/range_slider_math.h"

namespace morvane::widgets {

int valueToPixel(double value, const RangeValues& range, int trackWidth) {
    const double span = range.maximum - range.minimum;
    if (span == 0.0) {
        return 0;
    }
    return static_cast<int>(trackWidth * (value - range.minimum) / span + 0.5);
}

SliderLayout sliderLayout(const RangeValues& range, int width, int height) {
    SliderLayout layout;
    layout.width = width;
    layout.height = height;
    const int a = height * 3 / 4;
    layout.arrowWidth = a;
    layout.trackWidth = width - 2 * a;
    layout.leftX = valueToPixel(range.left, range, layout.trackWidth);
    layout.rightX = valueToPixel(range.right, range, layout.trackWidth);
    const int xL = layout.leftX;
    const int xR = layout.rightX;
    layout.leftThumb = {xL + 1, 1, xL + a - 2, height - 2};
    layout.rightThumb = {xR + a + 1, 1, xR + 2 * a - 2, height - 2};
    layout.band = {layout.leftThumb.right + 1, 0, layout.rightThumb.left - 1, height};
    layout.bandFill = {xL + a + 1, 1, xR + a, height - 1};
    return layout;
}

std::vector<RangeChange> normalizeRange(RangeValues& range, const std::function<void(RangeChange)>& report) {
    std::vector<RangeChange> changes;
    auto changed = [&changes, &report](RangeChange change) {
        changes.push_back(change);
        if (report) {
            report(change);
        }
    };
    if (range.left < range.minimum) {
        range.left = range.minimum;
        changed(ChangeLeft);
        if (range.right < range.left) {
            range.right = range.left;
            changed(ChangeRight);
        }
    }
    if (range.right > range.maximum) {
        range.right = range.maximum;
        changed(ChangeRight);
        if (range.left > range.right) {
            range.left = range.right;
            changed(ChangeLeft);
        }
    }
    return changes;
}

RangeChange dragLeftThumb(RangeValues& range, int q, int arrowWidth, int trackWidth) {
    if (trackWidth <= 0) {
        return ChangeLeft;
    }
    const double span = range.maximum - range.minimum;
    double left = range.minimum + static_cast<double>(q - arrowWidth / 2) / trackWidth * span;
    if (left >= range.right) {
        left = range.right;
    }
    if (left <= range.minimum) {
        left = range.minimum;
    }
    range.left = left;
    return ChangeLeft;
}

RangeChange dragRightThumb(RangeValues& range, int q, int arrowWidth, int trackWidth) {
    if (trackWidth <= 0) {
        return ChangeLeft;
    }
    const double span = range.maximum - range.minimum;
    const double before = range.right;
    double right = range.minimum + static_cast<double>(q - (3 * arrowWidth) / 2) / trackWidth * span;
    if (right <= range.left) {
        right = range.left;
    }
    if (right >= range.maximum) {
        right = range.maximum;
    }
    range.right = right;
    // An unchanged right end is reported with code 0, as the owner has always been told.
    return right != before ? ChangeRight : ChangeLeft;
}

RangeChange dragBand(RangeValues& range, int q, int arrowWidth, int trackWidth) {
    if (trackWidth <= 0) {
        return ChangeBoth;
    }
    const double span = range.maximum - range.minimum;
    const double width = range.right - range.left;
    const double g = static_cast<double>(q - arrowWidth) / trackWidth * span;
    double left = range.minimum + g - width / 2;
    double right = range.minimum + g + width / 2;
    if (left <= range.minimum) {
        left = range.minimum;
        right = range.minimum + width;
    }
    if (right >= range.maximum) {
        right = range.maximum;
        left = range.maximum - width;
    }
    range.left = left;
    range.right = right;
    return ChangeBoth;
}

std::optional<RangeChange> arrowKeyStep(RangeValues& range, bool rightArrow, bool shift, int trackWidth) {
    if (trackWidth <= 0) {
        return std::nullopt;
    }
    const double d = (range.maximum - range.minimum) / trackWidth;
    if (d == 0.0) {
        return std::nullopt;
    }
    int i = static_cast<int>((range.left - range.minimum) / d + 0.5);
    int j = static_cast<int>((range.right - range.minimum) / d + 0.5);
    const int step = rightArrow ? 1 : -1;
    j += step;
    if (!shift) {
        i += step;
    }
    // Shift+Left stops at the left end instead of crossing it: the range keeps left <= right.
    const bool crossesLeft = shift && !rightArrow && j < i;
    if (i >= 0 && j <= trackWidth && !crossesLeft) {
        range.left = range.minimum + i * d;
        range.right = range.minimum + j * d;
    }
    return shift ? ChangeLeft : ChangeBoth;
}

} // namespace morvane::widgets
