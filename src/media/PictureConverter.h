#pragma once

#include "media/AvHandles.h"
#include "platform/Worker.h"

#include <QImage>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace media {

// Turns decoded pictures into the images a renderer paints, on a worker of its own
// and ahead of their turn, so that showing a picture (on the presenting thread, or
// on the GUI thread for a frame step) only takes its image, and the GUI thread
// only paints. Pictures are taken in the order they were handed in; one taken or
// dropped passes over (and drops) those before it, which were late or of an older
// seek. It never holds more than its limit of pictures, whatever its user does:
// each holds a decoded picture, megabytes that the decoder cannot use again.
class PictureConverter {
  public:
    // What a picture becomes at `size`; runs on the converter's worker, or on the
    // taker's thread for a picture that is not converted ahead. `cache` is the
    // calling thread's scaler.
    using Convert = std::function<QImage(const AVFrame& picture, const QSize& size, SwsPtr& cache)>;

    // `workers` threads convert; at most `ahead` images wait converted (or are being
    // converted), and at most `limit` pictures are held: past it the oldest leaves,
    // and taking it later makes its image on the spot. `generation` is the graph's
    // seek generation: older pictures drop.
    PictureConverter(const std::atomic<std::uint64_t>& generation, std::size_t workers,
                     std::size_t ahead, std::size_t limit, Convert convert);
    ~PictureConverter();
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;

    // Any thread: a picture of `generation` to be shown after those handed in before.
    void Submit(const SharedFrame& picture, std::uint64_t generation, const QSize& size);
    // The image of `picture` at `size`: the one converted ahead (waited for while it
    // is being made), else made here with `cache`.
    QImage Take(const SharedFrame& picture, const QSize& size, SwsPtr& cache);
    // `picture` will not be shown: it leaves with those handed in before it.
    void Drop(const SharedFrame& picture);
    // Drops what belongs to older generations (a seek came).
    void DropStale();
    void Clear();

    // Pictures waiting or converted (for tests).
    std::size_t Pending() const;

  private:
    struct Job {
        std::uint64_t id = 0;
        SharedFrame picture;
        std::uint64_t generation = 0;
        QSize size;
        QImage image;
        bool busy = false;
        bool done = false;
    };

    void Run(platform::Worker::Control& worker, SwsPtr& cache);
    void WakeWorkers();
    Job* NextJobLocked();
    Job* FindLocked(std::uint64_t id);
    std::deque<Job>::iterator FindPictureLocked(const SharedFrame& picture);
    void DropStaleLocked();

    const std::atomic<std::uint64_t>& generation_;
    const std::size_t ahead_;
    const std::size_t limit_;
    const Convert convert_;

    mutable std::mutex mutex_;
    std::condition_variable converted_;
    std::deque<Job> jobs_;
    std::uint64_t nextId_ = 1;

    std::vector<SwsPtr> caches_;                              // one per worker
    std::vector<std::unique_ptr<platform::Worker>> workers_;  // last: stopped first
};

}  // namespace media
