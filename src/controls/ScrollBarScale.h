#pragma once

namespace controls {

// The scroll bars' arithmetic, without widgets.

// Pixels the thumb can travel: the bar's length less the thumb's side, at least 1.
int TrackLength(int length, int thumbSide);

// The value whose thumb is centred at pointer coordinate `p` (`half` is half the
// thumb's side), lowered to the maximum when above it, else raised to the minimum.
// Inverted bars count from the maximum at the left (top) end.
double ThumbValueAt(int p, int half, double minimum, double maximum, double valuePerPixel,
                    bool inverted);

// The thumb's offset from the bar's start for a position, within 0..track; 0
// when a pixel is worth nothing (an empty range) or the value is not a number.
int ThumbOffset(double position, double minimum, double maximum, double valuePerPixel,
                bool inverted, int track);

// The tick bar: one unit per pixel with a thumb of height - range pixels while
// the range is shorter than the track, else range / track units per pixel with a
// thumb of width - 2.
struct TickScale {
    double valuePerPixel = 1.0;
    int thumbLength = 0;
};
TickScale TickBarScale(int width, int height, int minimum, int maximum);

// Lowered to the maximum when above it, else raised to the minimum when below.
int ClampTick(long long value, int minimum, int maximum);

int TickThumbTop(int position, int minimum, double valuePerPixel);
// A press at `y` off the thumb steps the position by the pixel distance to it.
int TickPageStep(int position, int y, int thumbTop, int thumbLength);
// A drag moves the unrounded position by the pointer's pixel distance in units.
double TickDrag(double dragValue, int fromY, int toY, double valuePerPixel, int minimum,
                int maximum);

}  // namespace controls
