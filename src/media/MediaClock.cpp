#include "MediaClock.h"

namespace media {

namespace {
MediaClock::SteadyTime SteadyNow() {
    return std::chrono::steady_clock::now();
}
}  // namespace

REFERENCE_TIME MediaClock::Now() const {
    std::lock_guard lock(mutex_);
    return NowLocked(SteadyNow());
}

bool MediaClock::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

double MediaClock::Rate() const {
    std::lock_guard lock(mutex_);
    return rate_;
}

void MediaClock::Start() {
    std::lock_guard lock(mutex_);
    if (!running_) {
        anchorTime_ = SteadyNow();
        running_ = true;
    }
}

void MediaClock::Freeze() {
    std::lock_guard lock(mutex_);
    if (running_) {
        anchorPosition_ = NowLocked(SteadyNow());
        running_ = false;
    }
}

void MediaClock::SetPosition(REFERENCE_TIME position) {
    std::lock_guard lock(mutex_);
    anchorPosition_ = position;
    anchorTime_ = SteadyNow();
}

void MediaClock::SetRate(double rate) {
    std::lock_guard lock(mutex_);
    const SteadyTime now = SteadyNow();
    anchorPosition_ = NowLocked(now);
    anchorTime_ = now;
    rate_ = rate;
}

MediaClock::SteadyTime MediaClock::DueTime(REFERENCE_TIME position) const {
    std::lock_guard lock(mutex_);
    const double units = static_cast<double>(position - anchorPosition_) / rate_;
    return anchorTime_ + std::chrono::nanoseconds(static_cast<std::int64_t>(units * 100.0));
}

REFERENCE_TIME MediaClock::NowLocked(SteadyTime now) const {
    if (!running_) {
        return anchorPosition_;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - anchorTime_);
    return anchorPosition_ +
           static_cast<REFERENCE_TIME>(static_cast<double>(elapsed.count()) / 100.0 * rate_);
}

}  // namespace media
