#include "PenAnchors.h"

#include <QPaintEngine>
#include <QPainter>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace views {

namespace {

// The state the engine's pen carries from one segment of a polyline to the next, and its
// arithmetic, which decides whether a short segment lights a pixel: device coordinates in
// 26.6 fixed point, pixel steps in 16.16; along the major axis a pixel is lit where the
// segment passes its centre, the start pulled back half a pixel when the pen turns back
// (unless the last pixel lit is the one that would give); the last pixel lit, nudged as
// the engine nudges it to avoid gaps, steers the next segment.
class Pen {
  public:
    // Whether a segment from `a` to `b` (device pixels) moves the pen.
    bool Moves(QPointF a, QPointF b) {
        const bool far = std::abs(b.x() - a.x()) + std::abs(b.y() - a.y()) >= 1.0;
        const int x1 = Fixed(a.x());
        const int y1 = Fixed(a.y());
        const int x2 = Fixed(b.x());
        const int y2 = Fixed(b.y());
        if (std::abs(x2 - x1) < std::abs(y2 - y1)) {
            return Step(y1, x1, y2, x2, Axis::Vertical) || far;
        }
        if (x1 == x2) {
            return true;  // no length in fixed point: the engine moves on to the point
        }
        return Step(x1, y1, x2, y2, Axis::Horizontal) || far;
    }

  private:
    enum class Axis { Vertical, Horizontal };
    // Along an axis: +1 towards larger coordinates, -1 back, 0 not yet drawn along it.
    struct Direction {
        Axis axis = Axis::Vertical;
        int sign = 0;
    };
    struct Pixel {
        int major = 0;
        int minor = 0;
    };

    static int Fixed(double value) { return static_cast<int>(value * 64.0); }

    static int Divide(int numerator, int denominator) {
        if (std::abs(numerator) > 0x7fff) {
            return static_cast<int>((static_cast<std::int64_t>(numerator) * 65536) / denominator);
        }
        return numerator * 65536 / denominator;
    }

    // The last pixel lit, in the axis order of `axis`.
    Pixel LastOn(Axis axis) const {
        return axis == Axis::Vertical ? Pixel{lastY_, lastX_} : Pixel{lastX_, lastY_};
    }

    // A segment from (m1, n1) to (m2, n2), m along the major axis; whether it lights a
    // pixel. Keeps the direction and the last pixel of one that does.
    bool Step(int m1, int n1, int m2, int n2, Axis axis) {
        bool swapped = false;
        if (m1 > m2) {
            swapped = true;
            std::swap(m1, m2);
            std::swap(n1, n2);
        }
        const Direction direction{axis, swapped ? -1 : 1};
        const int increment = Divide(n2 - n1, m2 - m1);
        int minor = n1 * 1024;
        bool capBegin = false;
        if (drawn_ && direction_.axis == axis && direction_.sign == -direction.sign) {
            if (swapped) {
                m2 += 32;
            } else {
                capBegin = true;
                m1 -= 32;
                minor -= increment >> 1;
            }
        }
        const Pixel lastOn = LastOn(axis);
        int major = (m1 + 32) >> 6;
        const int majorEnd = (m2 + 32) >> 6;
        const int round = increment > 0 ? 32 : 0;
        if (capBegin && lastPixel_ && lastOn.major == major + 1) {
            ++major;
        }
        if (major == majorEnd) {
            return false;
        }
        minor += (major * 64 + round - m1) * increment >> 6;
        Pixel first{major, minor >> 16};
        Pixel last{majorEnd - 1, (minor + (majorEnd - major - 1) * increment) >> 16};
        if (swapped) {
            std::swap(first, last);
        }
        const bool same = first.major == lastOn.major && first.minor == lastOn.minor;
        if (lastPixel_ && !same && drawn_ && direction_.axis == axis &&
            direction_.sign == direction.sign && std::abs(lastOn.minor - first.minor) <= 1 &&
            std::abs(lastOn.major - first.major) > 1) {
            minor += increment >> 1;
            last.minor = swapped ? minor >> 16 : (minor + (majorEnd - major - 1) * increment) >> 16;
        }
        direction_ = direction;
        drawn_ = true;
        lastPixel_ = true;
        if (axis == Axis::Vertical) {
            lastX_ = last.minor;
            lastY_ = last.major;
        } else {
            lastX_ = last.major;
            lastY_ = last.minor;
        }
        return true;
    }

    Direction direction_;
    bool drawn_ = false;      // a segment lit pixels: direction_ holds
    bool lastPixel_ = false;  // lastX_, lastY_ hold
    int lastX_ = 0;
    int lastY_ = 0;
};

}  // namespace

bool PenAnchors::Apply(const QPainter& painter) {
    const QPen& pen = painter.pen();
    return painter.paintEngine() != nullptr &&
           painter.paintEngine()->type() == QPaintEngine::Raster &&
           !painter.testRenderHint(QPainter::Antialiasing) && pen.style() == Qt::SolidLine &&
           pen.widthF() <= 1.0 && painter.deviceTransform().type() <= QTransform::TxTranslate;
}

void PenAnchors::Thin(std::vector<QPointF>& points, const QTransform& device, QSize deviceSize) {
    if (points.size() < 4 || device.type() > QTransform::TxTranslate) {
        return;
    }
    // Inside these bounds the engine clips nothing, so it sees the points as mapped here.
    const auto map = [&](QPointF point) {
        return QPointF(point.x() + device.dx(), point.y() + device.dy());
    };
    for (QPointF point : points) {
        const QPointF mapped = map(point);
        if (!(mapped.x() >= 0 && mapped.x() <= deviceSize.width() && mapped.y() >= 0 &&
              mapped.y() <= deviceSize.height())) {
            return;
        }
    }
    Pen pen;
    QPointF anchor = map(points[1]);
    pen.Moves(map(points[0]), anchor);
    std::size_t kept = 2;
    for (std::size_t i = 2; i + 1 < points.size(); ++i) {
        const QPointF mapped = map(points[i]);
        if (pen.Moves(anchor, mapped)) {
            points[kept++] = points[i];
            anchor = mapped;
        }
    }
    points[kept++] = points.back();
    points.resize(kept);
}

}  // namespace views
