#pragma once

#include <QRectF>

namespace controls {

// The time line's parts laid out on its track: x(t) = 60 + pixels per second x t,
// the start marker ending at x(start point), the thumb beginning at x(position),
// the end marker beginning right after a thumb at x(end point).
inline constexpr double kMarkerWidth = 60.0;
inline constexpr double kThumbSide = 16.0;
inline constexpr int kTimeLineChrome = 136;  // two markers and the thumb

struct TimeLineParts {
    QRectF startMarker;
    QRectF thumb;
    QRectF endMarker;
};

// A part is hit when x <= X < x + width and y <= Y < y + height.
bool HitsPart(const QRectF& part, int x, int y);

// Which values a user action changed, to be reported in this order.
struct TimeLineChanges {
    bool position = false;
    bool startPoint = false;
    bool endPoint = false;
};

// The state and arithmetic of the time line, without a widget. With a duration
// that is not above 0 or a width of at most 136 pixels there is no usable scale:
// the parts stand at the left and presses and drags change nothing.
class TimeLineModel {
  public:
    enum Part : int { kNone = 0, kStartMarker = 1, kThumb = 2, kEndMarker = 3 };

    void SetWidth(int width);
    // Start 0, position 0, end `duration`.
    void SetDuration(double duration);
    // Clamped to 0..duration; NaN gives 0.
    void SetPosition(double position);

    double Duration() const { return duration_; }
    double StartPoint() const { return startPoint_; }
    double EndPoint() const { return endPoint_; }
    double Position() const { return position_; }
    double PixelsPerSecond() const { return pixelsPerSecond_; }
    bool HasScale() const { return pixelsPerSecond_ > 0.0; }
    int DragMode() const { return dragMode_; }

    TimeLineParts Parts() const;
    // The part under a point, tried in the order thumb, start marker, end marker.
    Part PartAt(int x, int y) const;

    // A press at (x, y). With `overPart` (the hover has shown the hand cursor) a
    // part under the point starts its drag; otherwise a press on the track between
    // the markers moves the position there, at most to the end point.
    TimeLineChanges Press(int x, int y, bool overPart);
    // The dragged part follows the pointer, within its limits.
    TimeLineChanges DragTo(int x);
    void EndDrag() { dragMode_ = kNone; }

  private:
    void Rescale();

    int width_ = 0;
    double duration_ = 0.0;
    double startPoint_ = 0.0;
    double endPoint_ = 0.0;
    double position_ = 0.0;
    double pixelsPerSecond_ = 0.0;
    int dragMode_ = kNone;
    int grabOffset_ = 0;
};

}  // namespace controls
