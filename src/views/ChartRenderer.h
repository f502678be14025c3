#pragma once

#include "views/ChartSettings.h"
#include "views/ChartView.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QSize>

#include <memory>
#include <vector>

class QPainter;
struct SensorLog;

namespace views {

// Everything one pass draws from, copied on the GUI thread when a redraw is asked.
struct ChartRenderInput {
    std::shared_ptr<const SensorLog> log;  // may be null: axes only
    ChartViewState view;
    ChartSettings settings;
    QSize size;               // the frame's
    double pixelRatio = 1.0;  // device pixels per frame pixel
    QString labelFont;        // the frame's font as QFont::toString(): a QFont shares
                              // state that is not safe to use from two threads
};

// The chart's background: a vertical gradient from grey to near black.
void FillChartBackground(QPainter& painter, const QSize& size);

// Draws whole chart pictures: background, value axes with their ticks, the time
// axis, the grid, the series and the turn lamps. One renderer per render thread;
// it keeps its point buffer between passes.
class ChartRenderer {
  public:
    // Draws into `image` (made the frame's size in device pixels when it is not) and gives the plot
    // it drew with. False when it draws nothing: a plot lower or narrower than 5 px, or a failure
    // (written to the debug output); `plot` is then left alone.
    bool Render(const ChartRenderInput& input, QImage& image, ChartPlot& plot);

    // Series points the pen would pass over are dropped before drawing (the default);
    // off, every sample becomes a vertex. The picture is the same either way.
    void SetThinning(bool on) { thin_ = on; }

  private:
    void DrawValueAxes(QPainter& painter, const ChartRenderInput& input, const ChartPlot& plot);
    void DrawAxisScale(QPainter& painter, const ChartRenderInput& input, const ChartPlot& plot,
                       ChartAxis axis, double x);
    void DrawTimeAxis(QPainter& painter, const ChartRenderInput& input, const ChartPlot& plot);
    void DrawGrid(QPainter& painter, const ChartRenderInput& input, const ChartPlot& plot);
    void DrawChart(QPainter& painter, const ChartRenderInput& input, const ChartPlot& plot);
    // Over the samples [first, end), those that can reach the plot.
    void DrawTurnLamps(QPainter& painter, const ChartRenderInput& input, const ChartPlot& plot,
                       std::size_t first, std::size_t end);

    void UseFont(const QString& description);

    QFont font_;  // this thread's own label font
    QString fontDescription_;
    std::vector<double> xs_;       // sample x in plot pixels, reused between passes
    std::vector<QPointF> points_;  // one polyline run, reused
    std::vector<double> ticks_;    // y of the value-axis ticks of this pass
    bool thin_ = true;
};

}  // namespace views
