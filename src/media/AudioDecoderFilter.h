#pragma once

#include "media/AvHandles.h"
#include "media/QueuedFilter.h"

namespace media {

// Decodes compressed audio with libavcodec into interleaved 16-bit samples (mono or
// stereo, the stream's sample rate). The graph adds it on its own when it renders
// an audio pin.
class AudioDecoderFilter : public QueuedFilter {
  public:
    AudioDecoderFilter();
    ~AudioDecoderFilter() override;

    HRESULT CheckInputType(const MediaType& type) const override;
    HRESULT CompleteInputConnect(Pin& input, const MediaType& type) override;
    void BreakInputConnect(Pin& input) override;

  private:
    bool ReadyToStream() const override { return codec_ != nullptr; }
    void Run(platform::Worker::Control& worker) override;
    void Decode(const AVPacket* packet);
    void Deliver(const AVFrame* frame);

    Pin& input_;
    Pin& output_;
    MediaType inputType_;
    int channels_ = 2;
    AvCodecPtr codec_;
    SwrPtr resampler_;
    std::uint64_t generation_ = 0;  // decoder thread
    REFERENCE_TIME nextStart_ = 0;  // decoder thread
};

}  // namespace media
