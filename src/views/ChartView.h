#pragma once

#include "views/ChartScaling.h"

#include <QPointF>
#include <QRect>
#include <Qt>

#include <optional>

struct SensorLog;

namespace views {

// The visible time window and value ranges. Written on the GUI thread; a render
// pass draws from a copy.
struct ChartViewState {
    double timeStart = 0, timeEnd = 0;  // ms on the merged log's time line
    double speedMinimum = 0;            // speed at the plot's bottom edge
    double speedVisible = 40;           // visible speed span: every value axis' zoom
    ChartRanges ranges;
};

// What a render pass drew with, published with its picture: the plot rectangle in
// frame pixels, the scales and the view, so that mouse positions map to what is on
// screen. All 0 until the first picture.
struct ChartPlot {
    float left = 0, top = 0, width = 0, height = 0;
    double msPerPixel = 0;
    double speedPerPixel = 0;
    ChartViewState view;

    bool Contains(QPointF point) const;
};

// The five value axes, in drawing order.
enum class ChartAxis { Speed, Rpm, Coolant, Battery, G };
inline constexpr ChartAxis kChartAxes[] = {ChartAxis::Speed, ChartAxis::Rpm, ChartAxis::Coolant,
                                           ChartAxis::Battery, ChartAxis::G};

// Where an axis stands: its units a pixel and its value at the plot's bottom edge.
// Every value axis zooms and pans with the speed axis.
struct AxisScale {
    double unitsPerPixel = 0;
    double visibleMinimum = 0;
};
AxisScale ScaleOf(ChartAxis axis, const ChartViewState& view, double speedPerPixel);

enum class ChartMode { Pan, Zoom };

// What the frame has to do after a rule ran.
struct ChartViewChange {
    bool redraw = false;
    std::optional<double> seekSeconds;  // a click on the play list's span
    std::optional<double> timeBarPosition;
    std::optional<double> valueBarPosition;
    std::optional<QRect> zoomRect;  // show the zoom rectangle there
    bool hideZoomRect = false;
    std::optional<Qt::CursorShape> cursor;
};

// The zoom bars' ranges after RefreshData.
struct ChartBarRanges {
    double timeMinimum = 0, timeMaximum = 0;
    double valueMinimum = 0, valueMaximum = 0;
};

// The chart's view state and every rule that changes it: rescaling to the merged
// log, the zoom bars, the fit button and the mouse gestures. GUI thread only; no
// widgets.
class ChartView {
  public:
    // Spans narrower than these are widened.
    static constexpr double kMinTimeSpan = 8000;  // ms
    static constexpr double kMinSpeedSpan = 8;    // km/h
    // A release less than this left or right of the press is a click; a move farther
    // than this either way starts a drag.
    static constexpr double kClickSlop = 3;

    const ChartViewState& State() const { return state_; }
    ChartMode Mode() const { return mode_; }
    void SetMode(ChartMode mode) { mode_ = mode; }
    bool Dragging() const { return dragging_; }

    const ChartPlot& Plot() const { return plot_; }
    // A new picture arrived, drawn with `plot`.
    void SetPlot(const ChartPlot& plot) { plot_ = plot; }

    // Rescales every value axis to the log and shows its full speed range; the time
    // window stays.
    ChartBarRanges RefreshData(const SensorLog& log, double totalMs);
    // Shows the whole play list, at least kMinTimeSpan; gives the time bar's position.
    double ResetTimeRange(double totalMs);
    ChartViewChange FitSize(double totalMs);
    ChartViewChange TimeZoom(double position);
    ChartViewChange ValueZoom(double position);

    ChartViewChange Press(QPointF point);
    ChartViewChange Move(QPointF point, bool leftButton);
    ChartViewChange Release(QPointF point, double totalMs);
    ChartViewChange Leave();

    // The cursor line's left edge for `timeMs` on the picture on screen; none (hide
    // the line) outside its window or before a picture with a time scale.
    std::optional<int> CursorX(double timeMs) const;

  private:
    QRect ZoomRect(QPointF point) const;
    ChartViewChange ApplyZoomRect();
    ChartViewChange EndGesture();

    ChartViewState state_;
    ChartPlot plot_;
    ChartMode mode_ = ChartMode::Pan;

    // The gesture under way: a press inside the plot, then maybe a drag.
    std::optional<QPointF> press_;
    bool dragging_ = false;
    ChartMode dragMode_ = ChartMode::Pan;
    ChartViewState dragStart_;
    QRect zoomRect_;
};

}  // namespace views
