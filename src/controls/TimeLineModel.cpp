#include "TimeLineModel.h"

#include <cmath>

namespace controls {

void TimeLineModel::SetWidth(int width) {
    width_ = width;
    Rescale();
}

void TimeLineModel::SetDuration(double duration) {
    duration_ = duration;
    startPoint_ = 0.0;
    position_ = 0.0;
    endPoint_ = duration;
    Rescale();
}

void TimeLineModel::SetPosition(double position) {
    const double end = duration_ > 0.0 ? duration_ : 0.0;  // NaN too
    if (!(position > 0.0)) {
        position_ = 0.0;
    } else {
        position_ = position > end ? end : position;
    }
}

void TimeLineModel::Rescale() {
    const double scale = (width_ - kTimeLineChrome) / duration_;
    const bool usable = duration_ > 0.0 && width_ > kTimeLineChrome && std::isfinite(scale);
    pixelsPerSecond_ = usable ? scale : 0.0;
    if (!usable) {
        dragMode_ = kNone;
    }
}

// Without a scale every part stands at its place for time 0.
TimeLineParts TimeLineModel::Parts() const {
    const double pps = pixelsPerSecond_;
    auto along = [pps](double seconds) { return pps > 0.0 ? pps * seconds : 0.0; };
    TimeLineParts parts;
    parts.startMarker = QRectF(along(startPoint_), 0.0, kMarkerWidth, kThumbSide);
    parts.thumb = QRectF(kMarkerWidth + along(position_), 0.0, kThumbSide, kThumbSide);
    parts.endMarker =
        QRectF(kMarkerWidth + along(endPoint_) + kThumbSide, 0.0, kMarkerWidth, kThumbSide);
    return parts;
}

bool HitsPart(const QRectF& part, int x, int y) {
    return part.x() <= x && x < part.x() + part.width() && part.y() <= y &&
           y < part.y() + part.height();
}

TimeLineModel::Part TimeLineModel::PartAt(int x, int y) const {
    if (!HasScale()) {
        return kNone;
    }
    const TimeLineParts parts = Parts();
    if (HitsPart(parts.thumb, x, y)) {
        return kThumb;
    }
    if (HitsPart(parts.startMarker, x, y)) {
        return kStartMarker;
    }
    if (HitsPart(parts.endMarker, x, y)) {
        return kEndMarker;
    }
    return kNone;
}

TimeLineChanges TimeLineModel::Press(int x, int y, bool overPart) {
    TimeLineChanges changes;
    if (!HasScale()) {
        return changes;
    }
    const TimeLineParts parts = Parts();
    const Part part = overPart ? PartAt(x, y) : kNone;
    if (part != kNone) {
        const QRectF& rect = part == kThumb         ? parts.thumb
                             : part == kStartMarker ? parts.startMarker
                                                    : parts.endMarker;
        dragMode_ = part;
        grabOffset_ = static_cast<int>(x - rect.x());
        return changes;
    }
    const double trackFrom = parts.startMarker.x() + parts.startMarker.width();
    if (trackFrom < x && x < parts.endMarker.x()) {
        position_ = std::min((x - kMarkerWidth) / pixelsPerSecond_, endPoint_);
        changes.position = true;
    }
    return changes;
}

TimeLineChanges TimeLineModel::DragTo(int x) {
    TimeLineChanges changes;
    if (!HasScale()) {
        return changes;
    }
    const double pps = pixelsPerSecond_;
    switch (dragMode_) {
        case kThumb: {
            double p = (x - grabOffset_ - kMarkerWidth) / pps;
            if (p < startPoint_) {
                p = startPoint_;
            } else if (p > endPoint_) {
                p = endPoint_;
            }
            if (p != position_) {
                position_ = p;
                changes.position = true;
            }
            break;
        }
        case kStartMarker: {
            double s = (x - grabOffset_) / pps;
            if (s < 0.0) {
                s = 0.0;
            } else if (s > endPoint_) {
                s = endPoint_;
            }
            if (s != startPoint_) {
                startPoint_ = s;
                if (position_ < startPoint_) {
                    position_ = startPoint_;
                    changes.position = true;
                }
                changes.startPoint = true;
            }
            break;
        }
        case kEndMarker: {
            double e = (x - grabOffset_ - kMarkerWidth - kThumbSide) / pps;
            if (e > duration_) {
                e = duration_;
            } else if (e < startPoint_) {
                e = startPoint_;
            }
            if (e != endPoint_) {
                endPoint_ = e;
                if (position_ > endPoint_) {
                    position_ = endPoint_;
                    changes.position = true;
                }
                changes.endPoint = true;
            }
            break;
        }
        default:
            break;
    }
    return changes;
}

}  // namespace controls
