#include "PenAnchors.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace views {

namespace {

// A point in device pixels and in the engine's 26.6 fixed point.
struct DevicePoint {
    double x = 0;
    double y = 0;
    int fixedX = 0;
    int fixedY = 0;
};

DevicePoint Device(double x, double y) {
    return {x, y, static_cast<int>(x * 64.0), static_cast<int>(y * 64.0)};
}

// What the engine's pen carries from one segment of a polyline to the next that decides
// whether a short segment lights a pixel. Along the segment's major axis (the longer in
// fixed point) a pixel is lit where the segment passes a pixel centre; when the pen
// turns back along the axis it drew along last, the segment's start is pulled back half
// a pixel, unless that would give back the last pixel lit. Where the pen lights pixels
// along the minor axis, and the engine's nudges there to avoid gaps, decide no later
// segment's lighting, so they are not followed here.
class Pen {
  public:
    // Whether a segment from `a` to `b` moves the pen. Written without branches: on a
    // noisy series the outcome is a coin toss for the processor's predictor.
    bool Moves(const DevicePoint& a, const DevicePoint& b) {
        const bool far = std::abs(b.x - a.x) + std::abs(b.y - a.y) >= 1.0;
        const int dx = b.fixedX - a.fixedX;
        const int dy = b.fixedY - a.fixedY;
        const bool vertical = std::abs(dx) < std::abs(dy);
        // No length in fixed point: the engine moves on to the point and draws nothing.
        const bool still = !vertical && dx == 0;
        const int from = vertical ? a.fixedY : a.fixedX;
        const int to = vertical ? b.fixedY : b.fixedX;
        const int axis = vertical ? kVertical : kHorizontal;
        const bool back = from > to;
        const bool turns = axis_ == axis && back_ != back;
        const int start = std::min(from, to) - (turns && !back ? 32 : 0);
        const int end = std::max(from, to) + (turns && back ? 32 : 0);
        int first = (start + 32) >> 6;
        const int past = (end + 32) >> 6;
        first += turns && !back && lastMajor_ == first + 1 ? 1 : 0;
        const bool lights = first != past && !still;
        axis_ = lights ? axis : axis_;
        back_ = lights ? back : back_;
        lastMajor_ = lights ? (back ? first : past - 1) : lastMajor_;
        return lights || far || still;
    }

  private:
    static constexpr int kNone = 0;
    static constexpr int kVertical = 1;
    static constexpr int kHorizontal = 2;

    // Of the last segment that lit pixels: the axis it ran along (none yet), whether it
    // ran towards smaller coordinates, and the last pixel it lit along that axis.
    int axis_ = kNone;
    bool back_ = false;
    int lastMajor_ = 0;
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
    const double dx = device.dx();
    const double dy = device.dy();
    for (QPointF point : points) {
        const double x = point.x() + dx;
        const double y = point.y() + dy;
        if (!(x >= 0 && x <= deviceSize.width() && y >= 0 && y <= deviceSize.height())) {
            return;
        }
    }
    const auto map = [&](QPointF point) { return Device(point.x() + dx, point.y() + dy); };
    Pen pen;
    DevicePoint anchor = map(points[1]);
    pen.Moves(map(points[0]), anchor);
    std::size_t kept = 2;
    for (std::size_t i = 2; i + 1 < points.size(); ++i) {
        const DevicePoint mapped = map(points[i]);
        const bool moves = pen.Moves(anchor, mapped);
        points[kept] = points[i];
        kept += moves ? 1 : 0;
        anchor = moves ? mapped : anchor;
    }
    points[kept++] = points.back();
    points.resize(kept);
}

}  // namespace views
