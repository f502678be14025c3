#include "PlaybackContext.h"

#include <algorithm>

namespace media {

namespace {
// How long a running clock waits for a stream that has no data at the target yet.
constexpr std::chrono::milliseconds kStartGrace{800};
}  // namespace

PlaybackContext::PlaybackContext(EventSink events, Waker wakeAll)
    : events_(std::move(events)), wakeAll_(std::move(wakeAll)) {}

REFERENCE_TIME PlaybackContext::Target() const {
    std::lock_guard lock(mutex_);
    return target_;
}

int PlaybackContext::KeyFramesBack() const {
    std::lock_guard lock(mutex_);
    return keyFramesBack_;
}

PlaybackContext::Segment PlaybackContext::CurrentSegment() const {
    std::lock_guard lock(mutex_);
    return Segment{generation_.load(), target_, keyFramesBack_};
}

std::uint64_t PlaybackContext::BeginSegment(REFERENCE_TIME target, int keyFramesBack) {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        generation = BeginSegmentLocked(target, keyFramesBack);
    }
    WakeAll();
    return generation;
}

// The check and the new segment under one lock: a seek that comes in between
// must not be overwritten by the retry of the segment it replaced.
bool PlaybackContext::RetryEarlier(std::uint64_t generation) {
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_.load()) {
            return false;
        }
        BeginSegmentLocked(target_, keyFramesBack_ + 1);
    }
    WakeAll();
    return true;
}

std::uint64_t PlaybackContext::BeginSegmentLocked(REFERENCE_TIME target, int keyFramesBack) {
    target_ = target;
    keyFramesBack_ = keyFramesBack;
    const std::uint64_t generation = generation_.fetch_add(1) + 1;
    completeReported_ = false;
    clock_.Freeze();
    clock_.SetPosition(target);
    if (state_.load() == State_Running) {
        ArmClockLocked();
    }
    return generation;
}

void PlaybackContext::SetState(FilterState state) {
    bool reportComplete = false;
    {
        std::lock_guard lock(mutex_);
        state_.store(state);
        if (state == State_Running) {
            completeReported_ = false;
            ArmClockLocked();
            if (AllReadyLocked()) {
                clock_.Start();
                startPending_ = false;
            }
            if (AllEndedLocked()) {
                completeReported_ = true;
                reportComplete = true;
            }
        } else {
            clock_.Freeze();
            startPending_ = false;
        }
    }
    if (reportComplete) {
        RaiseEvent(EC_COMPLETE);
    }
    WakeAll();
}

int PlaybackContext::AddStream() {
    std::lock_guard lock(mutex_);
    const int id = nextStreamId_++;
    streams_[id] = Stream{};
    return id;
}

void PlaybackContext::RemoveStream(int id) {
    std::lock_guard lock(mutex_);
    streams_.erase(id);
}

void PlaybackContext::StreamReady(int id, std::uint64_t generation) {
    {
        std::lock_guard lock(mutex_);
        auto it = streams_.find(id);
        if (it == streams_.end() || generation != generation_.load()) {
            return;
        }
        it->second.readyGeneration = generation;
        if (startPending_ && AllReadyLocked()) {
            clock_.Start();
            startPending_ = false;
        }
    }
    WakeAll();
}

void PlaybackContext::StreamEnded(int id, std::uint64_t generation) {
    bool reportComplete = false;
    {
        std::lock_guard lock(mutex_);
        auto it = streams_.find(id);
        if (it == streams_.end() || generation != generation_.load()) {
            return;
        }
        it->second.readyGeneration = generation;
        it->second.endedGeneration = generation;
        if (startPending_ && AllReadyLocked()) {
            clock_.Start();
            startPending_ = false;
        }
        if (state_.load() == State_Running && !completeReported_ && AllEndedLocked()) {
            completeReported_ = true;
            reportComplete = true;
        }
    }
    if (reportComplete) {
        RaiseEvent(EC_COMPLETE);
    }
}

bool PlaybackContext::AllReady() const {
    std::lock_guard lock(mutex_);
    return AllReadyLocked();
}

void PlaybackContext::PollClockStart() {
    bool started = false;
    {
        std::lock_guard lock(mutex_);
        if (startPending_ && state_.load() == State_Running &&
            (AllReadyLocked() || std::chrono::steady_clock::now() - pendingSince_ > kStartGrace)) {
            clock_.Start();
            startPending_ = false;
            started = true;
        }
    }
    if (started) {
        WakeAll();
    }
}

void PlaybackContext::AskForPictures() {
    if (picturesAskedFor_.exchange(generation_.load()) != generation_.load()) {
        WakeAll();
    }
}

void PlaybackContext::RaiseEvent(long code, LONG_PTR param) {
    if (events_) {
        events_(code, param);
    }
}

void PlaybackContext::WakeAll() {
    if (wakeAll_) {
        wakeAll_();
    }
}

bool PlaybackContext::AllReadyLocked() const {
    const std::uint64_t current = generation_.load();
    return std::all_of(streams_.begin(), streams_.end(),
                       [&](const auto& entry) { return entry.second.readyGeneration == current; });
}

bool PlaybackContext::AllEndedLocked() const {
    const std::uint64_t current = generation_.load();
    return !streams_.empty() &&
           std::all_of(streams_.begin(), streams_.end(),
                       [&](const auto& entry) { return entry.second.endedGeneration == current; });
}

void PlaybackContext::ArmClockLocked() {
    startPending_ = true;
    pendingSince_ = std::chrono::steady_clock::now();
}

}  // namespace media
