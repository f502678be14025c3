#pragma once

#include "media/BaseFilter.h"
#include "media/SampleQueue.h"

#include <memory>
#include <string>

namespace media {

// A filter whose input goes through a sample queue to a worker of its own.
// A subclass gives the worker's body and says when it is ready to stream; it stops
// the worker in its own destructor, before its members go.
class QueuedFilter : public BaseFilter {
  public:
    // `maxQueued` bounds the queue (0: unbounded). While fewer than `wanted` samples
    // wait, the input asks the source for more; with 0 it never asks.
    QueuedFilter(const QUuid& classId, std::string workerName, std::size_t maxQueued,
                 std::size_t wanted);

    void JoinGraph(PlaybackContext* context, const QString& name) override;
    void StartStreaming() override;
    void BeginStop() override;
    void StopStreaming() override;
    // Wakes a body waiting on the queue or on its worker's wake event.
    void Wake() override;
    bool Receive(Pin& input, MediaSample sample) override;
    bool WantsInput(const Pin& input) const override;
    std::size_t QueuedBytes(const Pin& input) const override;

  protected:
    virtual bool ReadyToStream() const = 0;
    // The worker's body; it returns once the stop is requested.
    virtual void Run(platform::Worker::Control& worker) = 0;

    // Worker: the stop is requested (its helpers ask here).
    bool Stopping() const { return WorkerStopRequested(); }
    SampleQueue& Queue() { return *queue_; }

  private:
    const std::string workerName_;
    const std::size_t maxQueued_;
    const std::size_t wanted_;
    std::unique_ptr<SampleQueue> queue_;
};

}  // namespace media
