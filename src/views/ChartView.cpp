#include "ChartView.h"

#include "recordings/SensorLog.h"

#include <algorithm>
#include <cmath>

namespace views {

bool ChartPlot::Contains(QPointF point) const {
    return width > 0 && height > 0 && point.x() >= left && point.x() <= left + width &&
           point.y() >= top && point.y() <= top + height;
}

AxisScale ScaleOf(ChartAxis axis, const ChartViewState& view, double speedPerPixel) {
    const ChartRanges& ranges = view.ranges;
    const double f = view.speedMinimum / ranges.speedRange;
    const auto scaled = [&](double range, double base) {
        return AxisScale{speedPerPixel * range / ranges.speedRange, range * f + base};
    };
    switch (axis) {
        case ChartAxis::Speed:
            return {speedPerPixel, view.speedMinimum};
        case ChartAxis::Rpm:
            return scaled(ranges.rpmRange, 0);
        case ChartAxis::Coolant:
            return scaled(ranges.coolantRange, ranges.coolantBase);
        case ChartAxis::Battery:
            return scaled(ranges.batteryRange, 0);
        case ChartAxis::G:
            return scaled(ranges.gRange, ranges.gBase);
    }
    return {};
}

ChartBarRanges ChartView::RefreshData(const SensorLog& log, double totalMs) {
    state_.ranges = RangesOfLog(log);
    state_.speedMinimum = 0;
    state_.speedVisible = state_.ranges.speedRange;
    return {kMinTimeSpan, totalMs, kMinSpeedSpan, state_.ranges.speedRange};
}

double ChartView::ResetTimeRange(double totalMs) {
    state_.timeStart = 0;
    state_.timeEnd = std::max(totalMs, kMinTimeSpan);
    return state_.timeEnd;
}

ChartViewChange ChartView::FitSize(double totalMs) {
    state_.timeStart = 0;
    state_.timeEnd = totalMs;
    state_.speedMinimum = 0;
    state_.speedVisible = state_.ranges.speedRange;
    ChartViewChange change;
    change.timeBarPosition = totalMs;
    change.valueBarPosition = state_.ranges.speedRange;
    change.redraw = true;
    return change;
}

ChartViewChange ChartView::TimeZoom(double position) {
    // Centred on the window's middle, but never before the start of the list.
    state_.timeStart = std::max(0.0, (state_.timeStart + state_.timeEnd) / 2 - position / 2);
    state_.timeEnd = state_.timeStart + position;
    ChartViewChange change;
    change.redraw = true;
    return change;
}

ChartViewChange ChartView::ValueZoom(double position) {
    // The full range, not the visible span, enters the midpoint.
    state_.speedMinimum =
        std::max(0.0, (state_.speedMinimum + state_.ranges.speedRange) / 2 - position / 2);
    state_.speedVisible = position;
    ChartViewChange change;
    change.redraw = true;
    return change;
}

ChartViewChange ChartView::Press(QPointF point) {
    // Only a press inside the plot starts a gesture; any other forgets the last one.
    if (plot_.Contains(point)) {
        press_ = point;
    } else {
        press_.reset();
    }
    return {};
}

ChartViewChange ChartView::Move(QPointF point, bool leftButton) {
    ChartViewChange change;
    if (!dragging_) {
        if (!leftButton || !press_) {
            return change;
        }
        if (std::abs(point.x() - press_->x()) <= kClickSlop &&
            std::abs(point.y() - press_->y()) <= kClickSlop) {
            return change;
        }
        dragging_ = true;
        dragMode_ = mode_;
        if (dragMode_ == ChartMode::Pan) {
            dragStart_ = state_;
            change.cursor = Qt::PointingHandCursor;
        } else {
            zoomRect_ = ZoomRect(point);
            change.zoomRect = zoomRect_;
        }
        return change;
    }
    if (dragMode_ == ChartMode::Pan) {
        const double dx = point.x() - press_->x();
        const double dy = point.y() - press_->y();
        state_.timeStart = dragStart_.timeStart - dx * plot_.msPerPixel;
        state_.timeEnd = dragStart_.timeEnd - dx * plot_.msPerPixel;
        // Dragging down shows higher values.
        state_.speedMinimum = dragStart_.speedMinimum + dy * plot_.speedPerPixel;
        change.redraw = true;
    } else {
        zoomRect_ = ZoomRect(point);
        change.zoomRect = zoomRect_;
    }
    return change;
}

ChartViewChange ChartView::Release(QPointF point, double totalMs) {
    ChartViewChange change;
    // Only the horizontal distance tells a click, so a release near the press seeks
    // even after a vertical drag; a zoom rectangle of such a drag stays up until the
    // next one is applied.
    if (press_ && std::abs(point.x() - press_->x()) < kClickSlop) {
        const double t = (point.x() - plot_.left) * plot_.msPerPixel + plot_.view.timeStart;
        if (t >= 0 && t <= totalMs) {
            change.seekSeconds = t * 0.001;
        }
    } else if (dragging_ && dragMode_ == ChartMode::Zoom) {
        change = ApplyZoomRect();
        change.hideZoomRect = true;
    }
    if (dragging_ && dragMode_ == ChartMode::Pan) {
        change.cursor = Qt::ArrowCursor;
    }
    dragging_ = false;
    press_.reset();
    return change;
}

ChartViewChange ChartView::Leave() {
    if (dragging_) {
        return EndGesture();
    }
    press_.reset();
    return {};
}

std::optional<int> ChartView::CursorX(double timeMs) const {
    const ChartViewState& view = plot_.view;
    if (!std::isfinite(plot_.msPerPixel) || plot_.msPerPixel <= 0 || !(timeMs >= view.timeStart) ||
        !(timeMs <= view.timeEnd)) {
        return std::nullopt;
    }
    return static_cast<int>(std::trunc((timeMs - view.timeStart) / plot_.msPerPixel + plot_.left));
}

QRect ChartView::ZoomRect(QPointF point) const {
    const double width = point.x() - press_->x();
    const double height = point.y() - press_->y();
    const int left = static_cast<int>(width < 0 ? point.x() : std::trunc(press_->x()));
    const int top = static_cast<int>(height < 0 ? point.y() : std::trunc(press_->y()));
    return {left, top, static_cast<int>(std::abs(width)), static_cast<int>(std::abs(height))};
}

ChartViewChange ChartView::ApplyZoomRect() {
    // Mapped through the picture the rectangle was drawn on.
    const ChartViewState& drawn = plot_.view;
    const double right = zoomRect_.x() + zoomRect_.width();
    const double bottom = zoomRect_.y() + zoomRect_.height();
    state_.timeEnd = (right - plot_.left) * plot_.msPerPixel + drawn.timeStart;
    state_.timeStart = (zoomRect_.x() - plot_.left) * plot_.msPerPixel + drawn.timeStart;
    if (state_.timeEnd - state_.timeStart < kMinTimeSpan) {
        state_.timeEnd = state_.timeStart + kMinTimeSpan;
    }
    state_.speedMinimum =
        drawn.speedMinimum + (plot_.top + plot_.height - bottom) * plot_.speedPerPixel;
    state_.speedVisible =
        std::max(zoomRect_.height() * drawn.speedVisible / plot_.height, kMinSpeedSpan);
    ChartViewChange change;
    change.timeBarPosition = state_.timeEnd - state_.timeStart;
    change.valueBarPosition = state_.speedVisible;
    change.redraw = true;
    return change;
}

ChartViewChange ChartView::EndGesture() {
    ChartViewChange change;
    if (dragMode_ == ChartMode::Pan) {
        change.cursor = Qt::ArrowCursor;
    } else {
        change.hideZoomRect = true;
    }
    dragging_ = false;
    press_.reset();
    return change;
}

}  // namespace views
