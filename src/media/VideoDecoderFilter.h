#pragma once

#include "media/AvHandles.h"
#include "media/QueuedFilter.h"

#include <chrono>
#include <memory>
#include <optional>

namespace media {

// The video decoder filter: compressed pictures in, decoded pictures out, on its
// own thread with libavcodec. After a seek it decodes up to the picture at the
// target and passes nothing earlier.
class VideoDecoderFilter : public QueuedFilter {
  public:
    VideoDecoderFilter();
    ~VideoDecoderFilter() override;

    HRESULT CheckInputType(const MediaType& type) const override;
    HRESULT CompleteInputConnect(Pin& input, const MediaType& type) override;
    void BreakInputConnect(Pin& input) override;

  private:
    bool ReadyToStream() const override { return codec_ != nullptr; }
    void Run(platform::Worker::Control& worker) override;
    bool HoldAfterFirstPicture(platform::Worker::Control& worker);
    void BeginGeneration(std::uint64_t generation);
    void Decode(const AVPacket* packet);
    void ReceivePictures(bool draining);
    void DeliverPicture(AvFramePtr frame, bool draining);
    bool LandedLate(std::int64_t pts) const;

    Pin& input_;
    Pin& output_;
    MediaType inputType_;
    AvCodecPtr codec_;

    // Decoder thread only.
    std::uint64_t generation_ = 0;
    std::int64_t targetPts_ = 0;
    int keyFramesBack_ = 0;
    bool firstPicture_ = true;
    bool dirty_ = false;
    bool drained_ = false;
    std::uint64_t deliveredGeneration_ = 0;
    std::int64_t lastPts_ = AV_NOPTS_VALUE;
    std::optional<std::chrono::steady_clock::time_point> heldSince_;
};

}  // namespace media
