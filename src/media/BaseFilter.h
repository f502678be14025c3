#pragma once

#include "media/Interfaces.h"
#include "media/Pin.h"
#include "platform/Worker.h"

#include <QString>
#include <QUuid>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace media {

class PlaybackContext;

// A filter of the graph: named, with input and output pins. Filters that stream
// run a worker of their own between StartStreaming and StopStreaming.
class BaseFilter : public virtual MediaObject, public std::enable_shared_from_this<BaseFilter> {
  public:
    explicit BaseFilter(const QUuid& classId);
    ~BaseFilter() override;
    BaseFilter(const BaseFilter&) = delete;
    BaseFilter& operator=(const BaseFilter&) = delete;

    const QUuid& ClassId() const { return classId_; }
    const QString& Name() const { return name_; }
    PlaybackContext* Context() const { return context_; }

    HRESULT EnumPins(std::unique_ptr<PinEnumerator>& out);
    const std::vector<std::unique_ptr<Pin>>& Pins() const { return pins_; }
    Pin* FirstPin(PinDirection direction) const;
    bool HasConnectedPin() const;

    // Called by the graph.
    virtual void JoinGraph(PlaybackContext* context, const QString& name);
    virtual bool IsRenderer() const { return false; }
    virtual HRESULT CheckInputType(const MediaType& type) const;
    // The input pin is being connected with `type`; a filter sets its output types here.
    virtual HRESULT CompleteInputConnect(Pin& input, const MediaType& type);
    virtual void BreakInputConnect(Pin& input);
    virtual void StartStreaming() {}
    // Tells the threads to end without waiting for them; StopStreaming waits. A graph
    // tells every filter before it waits for any, so none waits on a stopped peer.
    virtual void BeginStop() {}
    virtual void StopStreaming() {}
    // Any thread: the state, the clock or the generation changed.
    virtual void Wake() {}
    // Worker threads: a sample arrives at one of our input pins.
    virtual bool Receive(Pin& input, MediaSample sample);
    // Flow control of the source: whether an input still wants data, and how much it holds.
    virtual bool WantsInput(const Pin& input) const;
    virtual std::size_t QueuedBytes(const Pin& input) const;

  protected:
    Pin& AddPin(PinDirection direction, const QString& name);

    // One worker per streaming run. GUI thread: starts it unless one runs, and
    // stops it (stop request, wake, join; never from the worker itself). Any
    // thread: wakes it or asks it to stop while the filter lives.
    void StartWorker(std::string name, platform::Worker::Body body);
    void StopWorker();
    void RequestWorkerStop();
    void WakeWorker();
    bool WorkerRunning() const;
    // True once this run's worker is asked to stop, or when none runs.
    bool WorkerStopRequested() const;

  private:
    const QUuid classId_;
    QString name_;
    PlaybackContext* context_ = nullptr;
    std::vector<std::unique_ptr<Pin>> pins_;
    // Other threads wake the worker while the GUI thread may be stopping it.
    mutable std::mutex workerMutex_;
    std::unique_ptr<platform::Worker> worker_;
};

}  // namespace media
