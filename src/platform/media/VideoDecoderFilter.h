#pragma once

#include "platform/media/AvHandles.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/SampleQueue.h"

#include <atomic>
#include <memory>
#include <thread>

namespace platform::media {

// The video decoder filter: compressed pictures in, decoded pictures out, on its
// own thread with libavcodec. After a seek it decodes up to the picture at the
// target and passes nothing earlier.
class VideoDecoderFilter : public BaseFilter {
  public:
    VideoDecoderFilter();
    ~VideoDecoderFilter() override;

    void JoinGraph(PlaybackContext* context, const QString& name) override;
    HRESULT CheckInputType(const MediaType& type) const override;
    HRESULT CompleteInputConnect(Pin& input, const MediaType& type) override;
    void BreakInputConnect(Pin& input) override;
    void StartStreaming() override;
    void BeginStop() override;
    void StopStreaming() override;
    void Wake() override;
    bool Receive(Pin& input, MediaSample sample) override;
    bool WantsInput(const Pin& input) const override;
    std::size_t QueuedBytes(const Pin& input) const override;

  private:
    void Run();
    void BeginGeneration(std::uint64_t generation);
    void Decode(const AVPacket* packet);
    void ReceivePictures(bool draining);
    void DeliverPicture(AvFramePtr frame, bool draining);
    bool LandedLate(std::int64_t pts) const;

    Pin& input_;
    Pin& output_;
    MediaType inputType_;
    AvCodecPtr codec_;
    std::unique_ptr<SampleQueue> queue_;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    // Decoder thread only.
    std::uint64_t generation_ = 0;
    std::int64_t targetPts_ = 0;
    int keyFramesBack_ = 0;
    bool firstPicture_ = true;
    bool dirty_ = false;
    bool drained_ = false;
    std::int64_t lastPts_ = AV_NOPTS_VALUE;
};

}  // namespace platform::media
