#pragma once

#include "media/MediaClock.h"
#include "media/MediaTypes.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>

namespace media {

// What every filter of one graph shares: the state, the clock, the seek generation
// with its target, and the renderers' progress (first data at the target, end of
// stream) that starts the clock and completes a run.
class PlaybackContext {
  public:
    using EventSink = std::function<void(long code, LONG_PTR param)>;
    using Waker = std::function<void()>;

    PlaybackContext(EventSink events, Waker wakeAll);

    const std::atomic<std::uint64_t>& GenerationRef() const { return generation_; }
    std::uint64_t Generation() const { return generation_.load(); }
    REFERENCE_TIME Target() const;
    int KeyFramesBack() const;
    struct Segment {
        std::uint64_t generation = 0;
        REFERENCE_TIME target = 0;
        int keyFramesBack = 0;
    };
    Segment CurrentSegment() const;

    // A new segment: every stage drops what it holds of older ones. Wakes all filters.
    std::uint64_t BeginSegment(REFERENCE_TIME target, int keyFramesBack);
    // The same target again, one key frame further back, when `generation` is current.
    bool RetryEarlier(std::uint64_t generation);

    FilterState State() const { return state_.load(); }
    void SetState(FilterState state);
    MediaClock& Clock() { return clock_; }
    const MediaClock& Clock() const { return clock_; }

    REFERENCE_TIME Duration() const { return duration_.load(); }
    void SetDuration(REFERENCE_TIME duration) { duration_.store(duration); }

    // Renderers register a stream each; ready means first data of the current
    // segment arrived, ended means its last data was presented.
    int AddStream();
    void RemoveStream(int id);
    void StreamReady(int id, std::uint64_t generation);
    void StreamEnded(int id, std::uint64_t generation);
    bool AllReady() const;
    // Starts a pending clock once every stream is ready, or after a grace time.
    void PollClockStart();

    // A frame step wants the pictures after the one shown (see the video decoder).
    void AskForPictures();
    bool PicturesAskedFor(std::uint64_t generation) const {
        return picturesAskedFor_.load() == generation;
    }

    void RaiseEvent(long code, LONG_PTR param = 0);
    void WakeAll();

  private:
    struct Stream {
        std::uint64_t readyGeneration = 0;
        std::uint64_t endedGeneration = 0;
    };
    std::uint64_t BeginSegmentLocked(REFERENCE_TIME target, int keyFramesBack);
    bool AllReadyLocked() const;
    bool AllEndedLocked() const;
    void ArmClockLocked();

    EventSink events_;
    Waker wakeAll_;
    MediaClock clock_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<FilterState> state_{State_Stopped};
    std::atomic<REFERENCE_TIME> duration_{0};
    std::atomic<std::uint64_t> picturesAskedFor_{0};  // a generation

    mutable std::mutex mutex_;
    REFERENCE_TIME target_ = 0;
    int keyFramesBack_ = 0;
    std::map<int, Stream> streams_;
    int nextStreamId_ = 1;
    bool startPending_ = false;
    std::chrono::steady_clock::time_point pendingSince_{};
    bool completeReported_ = false;
};

}  // namespace media
