#include "PictureConverter.h"

#include <algorithm>

namespace media {

PictureConverter::PictureConverter(const std::atomic<std::uint64_t>& generation,
                                   std::size_t workers, std::size_t ahead, std::size_t limit,
                                   Convert convert)
    : generation_(generation),
      ahead_(std::max<std::size_t>(ahead, 1)),
      limit_(std::max<std::size_t>(limit, 1)),
      convert_(std::move(convert)),
      caches_(std::max<std::size_t>(workers, 1)) {
    for (SwsPtr& cache : caches_) {
        workers_.push_back(std::make_unique<platform::Worker>(
            "media-convert",
            [this, &cache](platform::Worker::Control& worker) { Run(worker, cache); }));
    }
}

PictureConverter::~PictureConverter() {
    for (auto& worker : workers_) {
        worker->RequestStop();
    }
    workers_.clear();
}

void PictureConverter::WakeWorkers() {
    for (auto& worker : workers_) {
        worker->Wake();
    }
}

void PictureConverter::Submit(const SharedFrame& picture, std::uint64_t generation,
                              const QSize& size) {
    if (!picture) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        DropStaleLocked();
        if (generation != generation_.load()) {
            return;
        }
        Job job;
        job.id = nextId_++;
        job.picture = picture;
        job.generation = generation;
        job.size = size;
        jobs_.push_back(std::move(job));
        if (jobs_.size() > limit_) {
            // Its user lost track of it; a worker converting it keeps its own reference.
            jobs_.pop_front();
        }
    }
    WakeWorkers();
}

QImage PictureConverter::Take(const SharedFrame& picture, const QSize& size, SwsPtr& cache) {
    if (!picture) {
        return {};
    }
    std::unique_lock lock(mutex_);
    const auto found = FindPictureLocked(picture);
    QImage image;
    if (found != jobs_.end()) {
        jobs_.erase(jobs_.begin(), found);  // passed over: late, or of an older seek
        const std::uint64_t id = jobs_.front().id;
        converted_.wait(lock, [&] {
            const Job* job = FindLocked(id);
            return job == nullptr || !job->busy;
        });
        // Still first: the worker finished it; a drop, a clear or the limit may
        // have taken it meanwhile.
        if (!jobs_.empty() && jobs_.front().id == id) {
            Job& job = jobs_.front();
            if (job.done && job.size == size) {
                image = std::move(job.image);
            }
            jobs_.pop_front();
        }
    }
    lock.unlock();
    WakeWorkers();  // a place for the next one
    if (image.isNull()) {
        image = convert_(*picture, size, cache);
    }
    return image;
}

void PictureConverter::Drop(const SharedFrame& picture) {
    if (!picture) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        const auto found = FindPictureLocked(picture);
        if (found == jobs_.end()) {
            return;
        }
        jobs_.erase(jobs_.begin(), std::next(found));
    }
    WakeWorkers();
}

void PictureConverter::DropStale() {
    {
        std::lock_guard lock(mutex_);
        DropStaleLocked();
    }
    WakeWorkers();
}

void PictureConverter::Clear() {
    {
        std::lock_guard lock(mutex_);
        jobs_.clear();
    }
    converted_.notify_all();
    WakeWorkers();
}

std::size_t PictureConverter::Pending() const {
    std::lock_guard lock(mutex_);
    return jobs_.size();
}

void PictureConverter::Run(platform::Worker::Control& worker, SwsPtr& cache) {
    while (!worker.StopRequested()) {
        std::uint64_t id = 0;
        SharedFrame picture;
        QSize size;
        {
            std::lock_guard lock(mutex_);
            DropStaleLocked();
            Job* next = NextJobLocked();
            if (next != nullptr) {
                next->busy = true;
                id = next->id;
                picture = next->picture;
                size = next->size;
            }
        }
        if (!picture) {
            worker.Wait();
            continue;
        }
        QImage image = convert_(*picture, size, cache);
        {
            std::lock_guard lock(mutex_);
            Job* job = FindLocked(id);
            if (job != nullptr) {
                job->image = std::move(image);
                job->busy = false;
                job->done = true;
            }
        }
        converted_.notify_all();
    }
}

// The first picture not yet converted, while fewer than `ahead_` wait converted.
PictureConverter::Job* PictureConverter::NextJobLocked() {
    std::size_t made = 0;
    for (Job& job : jobs_) {
        if (job.done || job.busy) {
            if (++made >= ahead_) {
                return nullptr;
            }
            continue;
        }
        return &job;
    }
    return nullptr;
}

std::deque<PictureConverter::Job>::iterator PictureConverter::FindPictureLocked(
    const SharedFrame& picture) {
    return std::find_if(jobs_.begin(), jobs_.end(),
                        [&](const Job& job) { return job.picture == picture; });
}

PictureConverter::Job* PictureConverter::FindLocked(std::uint64_t id) {
    for (Job& job : jobs_) {
        if (job.id == id) {
            return &job;
        }
    }
    return nullptr;
}

void PictureConverter::DropStaleLocked() {
    const std::uint64_t current = generation_.load();
    const auto stale = std::remove_if(jobs_.begin(), jobs_.end(), [&](const Job& job) {
        return job.generation != current && !job.busy;
    });
    jobs_.erase(stale, jobs_.end());
}

}  // namespace media
