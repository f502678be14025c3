#include "ChartRenderer.h"

#include "controls/Drawing.h"
#include "foundation/ErrorReport.h"
#include "recordings/SensorLog.h"
#include "views/PenAnchors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

namespace views {

namespace {

constexpr QRgb kAxisColor = 0xFFF0F0F0;
constexpr QRgb kGridColor = 0x96969696;
constexpr QRgb kBackgroundTop = 0xFF646464;
constexpr QRgb kBackgroundBottom = 0xFF141414;

constexpr double kAxisPenWidth = 3;
constexpr double kLampPenWidth = 5;
constexpr double kPlotTop = 35;
constexpr double kBottomMargin = 30;  // below the time base line
constexpr double kFirstAxisX = 10;
constexpr double kAxisSpacing = 40;
constexpr double kRightMargin = 40;    // right of the plot
constexpr double kBaseLineInset = 30;  // the base line ends this far from the right
constexpr double kAxisTopY = 25;
constexpr double kUnitTextY = 5;
constexpr double kTickLength = 5;
constexpr double kTimeLabelGap = 7;
constexpr double kMinPlotSize = 5;
constexpr double kLeftLampRise = 7;  // above the plot's bottom
constexpr double kRightLampRise = 14;
constexpr int kMaxLabelLength = 19;

struct AxisLook {
    const char16_t* unit;
    const char* format;
};

AxisLook LookOf(ChartAxis axis) {
    switch (axis) {
        case ChartAxis::Speed:
            return {u"km/h", "%3.0f"};
        case ChartAxis::Rpm:
            return {u"RPM", "%3.0f"};
        case ChartAxis::Coolant:
            return {u"\u2103", "%3.0f"};
        case ChartAxis::Battery:
            return {u"V", "%3.1f"};
        case ChartAxis::G:
            return {u"G", "%3.1f"};
    }
    return {u"", "%3.0f"};
}

bool AxisShown(ChartAxis axis, const ChartSettings& settings) {
    switch (axis) {
        case ChartAxis::Speed:
            return settings.Shows(ChartSeries::ObdSpeed) || settings.Shows(ChartSeries::GpsSpeed);
        case ChartAxis::Rpm:
            return settings.Shows(ChartSeries::Rpm);
        case ChartAxis::Coolant:
            return settings.Shows(ChartSeries::Coolant);
        case ChartAxis::Battery:
            return settings.Shows(ChartSeries::Battery);
        case ChartAxis::G:
            return settings.Shows(ChartSeries::GX) || settings.Shows(ChartSeries::GY) ||
                   settings.Shows(ChartSeries::GZ) || settings.Shows(ChartSeries::GTotal);
    }
    return false;
}

int ShownAxisCount(const ChartSettings& settings) {
    return static_cast<int>(
        std::count_if(std::begin(kChartAxes), std::end(kChartAxes),
                      [&](ChartAxis axis) { return AxisShown(axis, settings); }));
}

// Qt has no arrow cap: a small filled triangle whose base covers the line's flat end.
void DrawArrowhead(QPainter& painter, QPointF end, QPointF direction) {
    const double length = 2.5 * kAxisPenWidth;
    const double halfWidth = 1.5 * kAxisPenWidth;
    const QPointF normal(-direction.y(), direction.x());
    const QPointF tip = end + direction * length;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(kAxisColor));
    painter.drawPolygon(QPolygonF({tip, end + normal * halfWidth, end - normal * halfWidth}));
    painter.restore();
}

// The axis line with an arrowhead at its top and the time base line with one at its
// right end.
void DrawAxisFrame(QPainter& painter, QPointF p0, QPointF p1, QPointF p2) {
    painter.setPen(QPen(QColor::fromRgba(kAxisColor), kAxisPenWidth, Qt::SolidLine, Qt::FlatCap,
                        Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({p0, p1, p2}));
    DrawArrowhead(painter, p0, QPointF(0, -1));
    DrawArrowhead(painter, p2, QPointF(1, 0));
}

// Text with its top-left corner at `origin`.
void DrawLabel(QPainter& painter, const QString& text, QPointF origin,
               const QFontMetricsF& metrics) {
    painter.setPen(QColor::fromRgba(kAxisColor));
    painter.drawText(QPointF(origin.x(), origin.y() + metrics.ascent()), text);
}

QString ValueText(const char* format, double value) {
    // The tick sums leave residues around 0: a value that prints as zero has no sign.
    if (QString::asprintf(format, value).toDouble() == 0.0) {
        value = 0;
    }
    return QString::asprintf(format, value).left(kMaxLabelLength);
}

}  // namespace

void FillChartBackground(QPainter& painter, const QSize& size) {
    painter.fillRect(QRect(QPoint(0, 0), size),
                     controls::Gradient(QPointF(0, 0), kBackgroundTop, QPointF(0, size.height()),
                                        kBackgroundBottom));
}

bool ChartRenderer::Render(const ChartRenderInput& input, QImage& image, ChartPlot& plot) {
    ChartPlot drawn;
    drawn.view = input.view;
    drawn.top = static_cast<float>(kPlotTop);
    drawn.height = static_cast<float>(input.size.height() - kBottomMargin - kPlotTop);
    drawn.left = static_cast<float>(kFirstAxisX + kAxisSpacing * ShownAxisCount(input.settings));
    drawn.width = static_cast<float>(input.size.width() - drawn.left - kRightMargin);
    // A plot this small would give infinite or negative scales.
    if (drawn.height < kMinPlotSize || drawn.width < kMinPlotSize) {
        return false;
    }
    drawn.speedPerPixel = input.view.speedVisible / drawn.height;
    drawn.msPerPixel = (input.view.timeEnd - input.view.timeStart) / drawn.width;
    try {
        // Drawn in frame pixels, stored in the screen's: sharp on high-density screens.
        const QSize pixels = (QSizeF(input.size) * input.pixelRatio).toSize();
        // A picture the GUI thread still shows is left to it: drawing into a shared
        // picture would first copy it.
        if (image.size() != pixels || !image.isDetached()) {
            image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            if (image.isNull()) {
                throw std::bad_alloc();
            }
        }
        image.setDevicePixelRatio(input.pixelRatio);
        UseFont(input.labelFont);
        QPainter painter(&image);
        painter.setFont(font_);
        FillChartBackground(painter, input.size);
        DrawValueAxes(painter, input, drawn);
        DrawTimeAxis(painter, input, drawn);
        DrawGrid(painter, input, drawn);
        DrawChart(painter, input, drawn);
    } catch (const std::exception& error) {
        EXCEPTION_LOG_LINE("TGraphChart::DrawChart", error);
        return false;
    }
    plot = drawn;
    return true;
}

void ChartRenderer::UseFont(const QString& description) {
    if (description != fontDescription_) {
        font_ = QFont();
        font_.fromString(description);
        fontDescription_ = description;
    }
}

void ChartRenderer::DrawValueAxes(QPainter& painter, const ChartRenderInput& input,
                                  const ChartPlot& plot) {
    const double width = input.size.width();
    const double height = input.size.height();
    QPointF p0(kFirstAxisX, kAxisTopY);
    QPointF p1(kFirstAxisX, height - kBottomMargin);
    const QPointF p2(width - kBaseLineInset, height - kBottomMargin);
    const QFontMetricsF metrics(font_);
    ticks_.clear();
    for (ChartAxis axis : kChartAxes) {
        if (!AxisShown(axis, input.settings)) {
            continue;
        }
        p0.rx() += kAxisSpacing;
        p1.rx() += kAxisSpacing;
        DrawAxisFrame(painter, p0, p1, p2);
        const QString unit = QString::fromUtf16(LookOf(axis).unit);
        DrawLabel(painter, unit, QPointF(p0.x() - metrics.horizontalAdvance(unit), kUnitTextY),
                  metrics);
        DrawAxisScale(painter, input, plot, axis, p1.x());
    }
    DrawAxisFrame(painter, p0, p1, p2);
}

void ChartRenderer::DrawAxisScale(QPainter& painter, const ChartRenderInput& input,
                                  const ChartPlot& plot, ChartAxis axis, double x) {
    const AxisScale scale = ScaleOf(axis, plot.view, plot.speedPerPixel);
    const double u = scale.unitsPerPixel;
    const double m = scale.visibleMinimum;
    const double baseY = input.size.height() - kBottomMargin;
    const QFontMetricsF metrics(font_);
    const auto tickAndLabel = [&](double y, double v) {
        painter.setPen(controls::FlatPen(kAxisColor, 1));
        painter.drawLine(QPointF(x, y), QPointF(x - kTickLength, y));
        const QString text = ValueText(LookOf(axis).format, v);
        const QPointF origin(x - kTickLength - metrics.horizontalAdvance(text),
                             y - metrics.height());
        DrawLabel(painter, text, origin, metrics);
    };
    if (ticks_.empty()) {
        // The first axis drawn sets the tick positions; the others label them.
        const double span = plot.view.speedVisible * u / plot.speedPerPixel;
        for (double v : ValueTicks(m, span, ValueTickStep(span, u))) {
            const double y = baseY - (v - m) / u;
            ticks_.push_back(y);
            tickAndLabel(y, v);
        }
        return;
    }
    for (double y : ticks_) {
        tickAndLabel(y, (baseY - y) * u + m);
    }
}

void ChartRenderer::DrawTimeAxis(QPainter& painter, const ChartRenderInput& input,
                                 const ChartPlot& plot) {
    const double baseY = input.size.height() - kBottomMargin;
    const QFontMetricsF metrics(font_);
    const double step = TimeTickStep(plot.width, plot.msPerPixel);
    for (double t : TimeTicks(plot.view.timeStart, plot.view.timeEnd, step)) {
        const double x = (t - plot.view.timeStart) / plot.msPerPixel + plot.left;
        if (x < plot.left) {
            continue;
        }
        const QString text = TickTimeText(t);
        DrawLabel(painter, text,
                  QPointF(x - metrics.horizontalAdvance(text) / 2, baseY + kTimeLabelGap), metrics);
        painter.setPen(controls::FlatPen(kAxisColor, 1));
        painter.drawLine(QPointF(x, baseY), QPointF(x, baseY + kTickLength));
    }
}

void ChartRenderer::DrawGrid(QPainter& painter, const ChartRenderInput& input,
                             const ChartPlot& plot) {
    // A one-pixel row fills far faster than a translucent line draws, to the same pixels.
    const int left = static_cast<int>(std::floor(plot.left));
    const int right = static_cast<int>(std::floor(input.size.width() - kRightMargin));
    for (double y : ticks_) {
        painter.fillRect(QRect(left, static_cast<int>(std::floor(y)), right - left + 1, 1),
                         QColor::fromRgba(kGridColor));
    }
}

namespace {

// Polylines of one series over the samples [first, end), broken where a point is
// not finite; `thin` drops the points the pen would pass over.
template <typename T>
void DrawSeries(QPainter& painter, std::vector<QPointF>& run, const std::vector<double>& xs,
                std::size_t first, std::size_t end, const T* values, const AxisScale& scale,
                double plotHeight, bool thin) {
    thin = thin && PenAnchors::Apply(painter);
    const QTransform device = painter.deviceTransform();
    const QSize deviceSize(painter.device()->width(), painter.device()->height());
    const auto flush = [&] {
        if (thin) {
            PenAnchors::Thin(run, device, deviceSize);
        }
        if (run.size() >= 2) {
            painter.drawPolyline(run.data(), static_cast<int>(run.size()));
        }
        run.clear();
    };
    run.clear();
    for (std::size_t i = first; i < end; ++i) {
        const double y = plotHeight - (static_cast<double>(values[i]) - scale.visibleMinimum) /
                                          scale.unitsPerPixel;
        if (std::isfinite(xs[i]) && std::isfinite(y)) {
            run.emplace_back(xs[i], y);
        } else {
            flush();
        }
    }
    flush();
}

}  // namespace

void ChartRenderer::DrawChart(QPainter& painter, const ChartRenderInput& input,
                              const ChartPlot& plot) {
    const SensorLog* log = input.log.get();
    if (log == nullptr || log->count == 0 || !(plot.msPerPixel > 0) ||
        !std::isfinite(plot.msPerPixel)) {
        return;
    }
    const std::size_t n = log->count;
    xs_.resize(n);
    bool ordered = true;
    for (std::size_t i = 0; i < n; ++i) {
        xs_[i] = (log->time[i] - plot.view.timeStart) / plot.msPerPixel;
        ordered = ordered && (i == 0 || log->time[i] >= log->time[i - 1]);
    }
    // In time order, only the samples in the window and one on either side reach
    // the plot; the picture is the same as from all of them.
    std::size_t first = 0;
    std::size_t end = n;
    if (ordered) {
        const auto begin = std::lower_bound(xs_.begin(), xs_.end(), 0.0);
        const auto past = std::upper_bound(begin, xs_.end(), static_cast<double>(plot.width));
        first = static_cast<std::size_t>(std::max<std::ptrdiff_t>(begin - xs_.begin() - 1, 0));
        end = std::min(n, static_cast<std::size_t>(past - xs_.begin()) + 1);
    }

    painter.save();
    painter.translate(plot.left, plot.top);
    painter.setClipRect(QRectF(0, 0, std::trunc(plot.width + 1.0), std::trunc(plot.height + 1.0)));
    const ChartSettings& settings = input.settings;
    const auto series = [&](ChartSeries shown, int color, ChartAxis axis, const auto* values) {
        if (!settings.Shows(shown)) {
            return;
        }
        painter.setPen(controls::FlatPen(settings.PenColor(color), 1));
        DrawSeries(painter, points_, xs_, first, end, values,
                   ScaleOf(axis, plot.view, plot.speedPerPixel), plot.height, thin_);
    };
    series(ChartSeries::ObdSpeed, kColorObdSpeed, ChartAxis::Speed, log->obdSpeed);
    series(ChartSeries::GpsSpeed, kColorGpsSpeed, ChartAxis::Speed, log->gpsSpeed);
    series(ChartSeries::Rpm, kColorRpm, ChartAxis::Rpm, log->rpm);
    series(ChartSeries::Coolant, kColorCoolant, ChartAxis::Coolant, log->coolant);
    series(ChartSeries::Battery, kColorBattery, ChartAxis::Battery, log->battery);
    series(ChartSeries::GX, kColorGX, ChartAxis::G, log->gX);
    series(ChartSeries::GY, kColorGY, ChartAxis::G, log->gY);
    series(ChartSeries::GZ, kColorGZ, ChartAxis::G, log->gZ);
    series(ChartSeries::GTotal, kColorGTotal, ChartAxis::G, log->gTotal);
    if (settings.Shows(ChartSeries::TurnLamps)) {
        DrawTurnLamps(painter, input, plot, first, end);
    }
    painter.restore();
}

void ChartRenderer::DrawTurnLamps(QPainter& painter, const ChartRenderInput& input,
                                  const ChartPlot& plot, std::size_t first, std::size_t end) {
    const std::uint32_t* lamps = input.log->turnLamps;
    struct Lamp {
        std::uint32_t bit;
        int color;
        double rise;
    };
    for (const Lamp& lamp :
         {Lamp{0x1, kColorTurnLeft, kLeftLampRise}, Lamp{0x2, kColorTurnRight, kRightLampRise}}) {
        painter.setPen(controls::FlatPen(input.settings.PenColor(lamp.color), kLampPenWidth));
        const double y = plot.height - lamp.rise;
        std::optional<double> runStart;
        for (std::size_t i = first; i < end; ++i) {
            const bool on = (lamps[i] & lamp.bit) != 0;
            if (on && !runStart) {
                runStart = std::trunc(xs_[i]);
            } else if (!on && runStart) {
                painter.drawLine(QPointF(*runStart, y), QPointF(xs_[i], y));
                runStart.reset();
            }
        }
        // A lamp still on at the last sample lit up to it.
        if (runStart) {
            painter.drawLine(QPointF(*runStart, y), QPointF(xs_[end - 1], y));
        }
    }
}

}  // namespace views
