#pragma once

#include "platform/media/AvHandles.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/SampleQueue.h"

#include <atomic>
#include <thread>

namespace platform::media {

// Decodes compressed audio with libavcodec into interleaved 16-bit samples (mono or
// stereo, the stream's sample rate). The graph adds it on its own when it renders
// an audio pin.
class AudioDecoderFilter : public BaseFilter {
  public:
    AudioDecoderFilter();
    ~AudioDecoderFilter() override;

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
    void Decode(const AVPacket* packet);
    void Deliver(const AVFrame* frame);

    Pin& input_;
    Pin& output_;
    MediaType inputType_;
    int channels_ = 2;
    AvCodecPtr codec_;
    SwrPtr resampler_;
    std::unique_ptr<SampleQueue> queue_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::uint64_t generation_ = 0;  // decoder thread
    REFERENCE_TIME nextStart_ = 0;  // decoder thread
};

}  // namespace platform::media
