#include "PlayTimeline.h"

#include <cmath>

namespace app {

void PlayTimeline::Assign(const std::vector<double>& durations) {
    starts_.clear();
    durations_.clear();
    total_ = 0.0;
    for (const double duration : durations) {
        const double counted = std::isfinite(duration) && duration > 0.0 ? duration : 0.0;
        starts_.push_back(total_);
        durations_.push_back(counted);
        total_ += counted;
    }
}

double PlayTimeline::StartOf(int index) const {
    if (index < 0 || index >= Count()) {
        return 0.0;
    }
    return starts_[static_cast<std::size_t>(index)];
}

std::optional<TimelinePlace> PlayTimeline::Locate(double position) const {
    if (starts_.empty()) {
        return std::nullopt;
    }
    if (!(position > 0.0)) {
        return TimelinePlace{0, 0.0};
    }
    for (std::size_t i = 0; i < starts_.size(); ++i) {
        if (starts_[i] < position && position <= starts_[i] + durations_[i]) {
            return TimelinePlace{static_cast<int>(i), position - starts_[i]};
        }
    }
    return std::nullopt;
}

}  // namespace app
