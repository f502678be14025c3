#pragma once

#include "media/AvHandles.h"
#include "media/MediaResult.h"
#include "media/MediaSample.h"
#include "media/MediaTypes.h"

#include <QString>

#include <atomic>
#include <memory>
#include <vector>

namespace media {

class BaseFilter;
class PacketIndex;

enum class MajorType { Video, Audio };

// What flows through a pin. Compressed types carry the stream's codec parameters;
// raw types the picture size or the sample layout.
struct MediaType {
    MajorType major = MajorType::Video;
    bool compressed = true;
    std::shared_ptr<const AVCodecParameters> codec;
    AVRational timeBase{1, 90000};
    std::int64_t startPts = 0;  // time stamp of media position 0, in timeBase
    int width = 0;
    int height = 0;
    AVRational sampleAspect{0, 1};
    int sampleRate = 0;
    int channels = 0;
    REFERENCE_TIME frameDuration = 0;
    std::shared_ptr<const PacketIndex> index;  // compressed video: every picture of the file
};

class Pin {
  public:
    Pin(BaseFilter& filter, PinDirection direction, QString name);
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;

    // VFW_E_NOT_CONNECTED when the pin has no peer.
    HRESULT ConnectedTo(std::shared_ptr<Pin>& peer) const;
    HRESULT QueryDirection(PinDirection& direction) const;

    PinDirection Direction() const { return direction_; }
    const QString& Name() const { return name_; }
    BaseFilter& Filter() const { return filter_; }
    Pin* Peer() const { return peer_.load(); }
    bool IsConnected() const { return peer_.load() != nullptr; }
    const MediaType& Type() const { return type_; }
    void SetType(MediaType type) { type_ = std::move(type); }

    // An output pin hands a sample to its peer; false when unconnected or dropped.
    bool Deliver(MediaSample sample) const;

    // A reference that keeps the owning filter alive.
    std::shared_ptr<Pin> Shared();

    // Graph only.
    void SetPeer(Pin* peer) { peer_.store(peer); }

  private:
    BaseFilter& filter_;
    const PinDirection direction_;
    const QString name_;
    std::atomic<Pin*> peer_{nullptr};
    MediaType type_;
};

class PinEnumerator {
  public:
    explicit PinEnumerator(std::vector<std::shared_ptr<Pin>> pins) : pins_(std::move(pins)) {}
    // S_OK with the next pin, S_FALSE at the end.
    HRESULT Next(std::shared_ptr<Pin>& out);

  private:
    std::vector<std::shared_ptr<Pin>> pins_;
    std::size_t next_ = 0;
};

}  // namespace media
