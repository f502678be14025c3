#include "SampleQueue.h"

namespace media {

std::size_t MediaSample::Bytes() const {
    switch (kind) {
        case Kind::Packet:
            return packet ? static_cast<std::size_t>(packet->size) : 0;
        case Kind::Audio:
            return audio.size() * sizeof(std::int16_t);
        case Kind::Picture:
            return picture ? static_cast<std::size_t>(picture->width * picture->height) * 3 / 2 : 0;
        case Kind::EndOfStream:
            break;
    }
    return 0;
}

MediaSample MediaSample::EndOfStream(std::uint64_t generation) {
    MediaSample sample;
    sample.kind = Kind::EndOfStream;
    sample.generation = generation;
    return sample;
}

SampleQueue::SampleQueue(const std::atomic<std::uint64_t>& generation, std::size_t maxCount)
    : generation_(generation), maxCount_(maxCount) {}

bool SampleQueue::Push(MediaSample sample) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return closed_ || sample.generation != generation_.load() || maxCount_ == 0 ||
               samples_.size() < maxCount_;
    });
    if (closed_ || sample.generation != generation_.load()) {
        return false;
    }
    bytes_ += sample.Bytes();
    samples_.push_back(std::move(sample));
    changed_.notify_all();
    return true;
}

std::optional<MediaSample> SampleQueue::Pop(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const bool ready = changed_.wait_for(lock, timeout, [&] {
        DropStaleLocked();
        return closed_ || !samples_.empty();
    });
    if (!ready || closed_ || samples_.empty()) {
        return std::nullopt;
    }
    MediaSample sample = std::move(samples_.front());
    samples_.pop_front();
    bytes_ -= sample.Bytes();
    changed_.notify_all();
    return sample;
}

std::optional<SampleQueue::Peeked> SampleQueue::Peek(std::size_t index,
                                                     std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const bool ready = changed_.wait_for(lock, timeout, [&] {
        DropStaleLocked();
        return closed_ || samples_.size() > index;
    });
    if (!ready || closed_) {
        return std::nullopt;
    }
    const MediaSample& sample = samples_[index];
    return Peeked{sample.kind, sample.start};
}

void SampleQueue::Wake() {
    std::lock_guard lock(mutex_);
    DropStaleLocked();
    changed_.notify_all();
}

void SampleQueue::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    samples_.clear();
    bytes_ = 0;
    changed_.notify_all();
}

bool SampleQueue::Closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void SampleQueue::Clear() {
    std::lock_guard lock(mutex_);
    samples_.clear();
    bytes_ = 0;
    changed_.notify_all();
}

std::size_t SampleQueue::Count() const {
    std::lock_guard lock(mutex_);
    return samples_.size() - StaleCountLocked();
}

std::size_t SampleQueue::Bytes() const {
    std::lock_guard lock(mutex_);
    std::size_t stale = 0;
    for (std::size_t i = 0, n = StaleCountLocked(); i < n; ++i) {
        stale += samples_[i].Bytes();
    }
    return bytes_ - stale;
}

std::size_t SampleQueue::StaleCountLocked() const {
    const std::uint64_t current = generation_.load();
    std::size_t stale = 0;
    while (stale < samples_.size() && samples_[stale].generation != current) {
        ++stale;
    }
    return stale;
}

void SampleQueue::DropStaleLocked() {
    const std::uint64_t current = generation_.load();
    while (!samples_.empty() && samples_.front().generation != current) {
        bytes_ -= samples_.front().Bytes();
        samples_.pop_front();
    }
}

}  // namespace media
