#include "ScrollBarScale.h"

#include <algorithm>
#include <cmath>

namespace controls {

int TrackLength(int length, int thumbSide) {
    return std::max(1, length - thumbSide);
}

double ThumbValueAt(int p, int half, double minimum, double maximum, double valuePerPixel,
                    bool inverted) {
    const double along = (p - half) * valuePerPixel;
    double value = inverted ? maximum - along : minimum + along;
    if (value > maximum) {
        value = maximum;
    } else if (value < minimum) {
        value = minimum;
    }
    return value;
}

int ThumbOffset(double position, double minimum, double maximum, double valuePerPixel,
                bool inverted, int track) {
    if (valuePerPixel == 0.0) {
        return 0;
    }
    const double offset = (inverted ? maximum - position : position - minimum) / valuePerPixel;
    if (!(offset > 0.0)) {  // NaN too
        return 0;
    }
    return offset >= track ? track : static_cast<int>(offset);
}

TickScale TickBarScale(int width, int height, int minimum, int maximum) {
    const long long range = static_cast<long long>(maximum) - minimum;
    const int track = TrackLength(height, width - 2);
    TickScale scale;
    if (range < track) {
        scale.valuePerPixel = 1.0;
        scale.thumbLength = static_cast<int>(std::clamp<long long>(height - range, 0, 1 << 30));
    } else {
        scale.valuePerPixel = static_cast<double>(range) / track;
        scale.thumbLength = width - 2;
    }
    return scale;
}

int ClampTick(long long value, int minimum, int maximum) {
    if (value > maximum) {
        return maximum;
    }
    if (value < minimum) {
        return minimum;
    }
    return static_cast<int>(value);
}

int TickThumbTop(int position, int minimum, double valuePerPixel) {
    return static_cast<int>((static_cast<double>(position) - minimum) / valuePerPixel);
}

int TickPageStep(int position, int y, int thumbTop, int thumbLength) {
    if (y < thumbTop) {
        return position - (thumbTop - y);
    }
    return position + (y - (thumbTop + thumbLength));
}

double TickDrag(double dragValue, int fromY, int toY, double valuePerPixel, int minimum,
                int maximum) {
    const double value = dragValue + (toY - fromY) * valuePerPixel;
    if (value > maximum) {
        return maximum;
    }
    if (value < minimum) {
        return minimum;
    }
    return value;
}

}  // namespace controls
