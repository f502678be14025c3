#pragma once

#include "media/BaseFilter.h"
#include "media/SampleQueue.h"

#include <atomic>
#include <memory>
#include <thread>

namespace media {

// A filter whose input goes through a sample queue to a worker thread of its own.
// A subclass gives the thread's body and says when it is ready to stream; it stops
// the thread in its own destructor, before its members go.
class QueuedFilter : public BaseFilter {
  public:
    // `maxQueued` bounds the queue (0: unbounded). While fewer than `wanted` samples
    // wait, the input asks the source for more; with 0 it never asks.
    QueuedFilter(const QUuid& classId, std::size_t maxQueued, std::size_t wanted);

    void JoinGraph(PlaybackContext* context, const QString& name) override;
    void StartStreaming() override;
    void BeginStop() override;
    void StopStreaming() override;
    void Wake() override;
    bool Receive(Pin& input, MediaSample sample) override;
    bool WantsInput(const Pin& input) const override;
    std::size_t QueuedBytes(const Pin& input) const override;

  protected:
    virtual bool ReadyToStream() const = 0;
    // The worker thread; it returns once Stopping() is true.
    virtual void Run() = 0;

    bool Stopping() const { return stop_; }
    SampleQueue& Queue() { return *queue_; }

  private:
    const std::size_t maxQueued_;
    const std::size_t wanted_;
    std::unique_ptr<SampleQueue> queue_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace media
