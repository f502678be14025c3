#pragma once

#include <QPointF>
#include <QSize>
#include <QTransform>

#include <vector>

class QPainter;

namespace views {

// Thins a polyline to the points at which Qt's raster engine moves its one-pixel aliased
// pen. Drawing a polyline that way, the engine starts each segment at the last point that
// moved the pen: one whose segment lit a pixel or reached a pixel or more away (|dx| + |dy|
// in device pixels); a point that did neither is passed over and leaves no trace. Those
// points are dropped here, so the engine draws the same pixels from fewer vertices: a long
// drive puts dozens of samples in each pixel column, most of which move nothing.
class PenAnchors {
  public:
    // True when the painter draws its current pen that way: a solid pen at most one
    // device pixel wide, no antialiasing, no scaling (a high-density picture strokes
    // the pen as an outline, where every point counts), on the raster engine.
    static bool Apply(const QPainter& painter);

    // Thins `points` (the painter's coordinates; `device` maps them to device pixels)
    // in place. The first two and the last point stay: the engine moves the pen to
    // them whatever they are. A polyline that leaves the device (by more than the
    // engine's clipping margin allows to be sure of) is left whole.
    static void Thin(std::vector<QPointF>& points, const QTransform& device, QSize deviceSize);
};

}  // namespace views
