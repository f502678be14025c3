#pragma once

#include "media/AudioDevice.h"
#include "media/AudioTempo.h"
#include "media/QueuedFilter.h"

#include <atomic>
#include <optional>

namespace media {

// Plays decoded audio on its own thread, slaved to the graph's clock: it starts at
// the clock's position (earlier samples are clipped, gaps filled with silence),
// follows the rate with a pitch-keeping tempo change, applies the volume to the
// samples and corrects drift against the clock.
class AudioRendererFilter : public QueuedFilter {
  public:
    AudioRendererFilter();
    ~AudioRendererFilter() override;

    bool IsRenderer() const override { return true; }
    HRESULT CheckInputType(const MediaType& type) const override;
    HRESULT CompleteInputConnect(Pin& input, const MediaType& type) override;
    void BreakInputConnect(Pin& input) override;

    // Hundredths of a decibel, -10000 (silence) .. 0.
    void SetVolume(long volume) { volume_ = volume; }
    long Volume() const { return volume_; }
    // What is heard minus the clock, as last measured while playing.
    REFERENCE_TIME Offset() const { return offset_; }

  private:
    bool ReadyToStream() const override { return streamId_ != 0; }
    void Run(platform::Worker::Control& worker) override;
    void Feed();
    void BeginGeneration(std::uint64_t generation);
    void FetchPending();
    void HoldWhilePaused(REFERENCE_TIME now);
    void Restart(REFERENCE_TIME now, double rate);
    void CorrectDrift(REFERENCE_TIME now);
    void Fill();
    bool WriteOutput();
    bool FeedChunk(const MediaSample& chunk);
    void PushSilence(std::int64_t frames);
    void ApplyVolume(std::size_t from);
    void CheckEnd(std::uint64_t generation);
    REFERENCE_TIME HeardPosition();
    std::int64_t FramesFor(REFERENCE_TIME units) const;
    REFERENCE_TIME UnitsFor(std::int64_t frames) const;

    Pin& input_;
    int sampleRate_ = 0;
    int channels_ = 0;
    int streamId_ = 0;
    std::atomic<long> volume_{0};
    std::atomic<REFERENCE_TIME> offset_{0};

    // Renderer thread only.
    std::unique_ptr<AudioDevice> device_;
    std::unique_ptr<AudioTempo> tempo_;
    std::uint64_t generation_ = 0;
    std::uint64_t readyGeneration_ = 0;
    std::uint64_t endedGeneration_ = 0;
    std::optional<MediaSample> pending_;
    bool started_ = false;
    bool inputEnded_ = false;
    double rate_ = 1.0;
    REFERENCE_TIME inputPosition_ = 0;  // media time of the next input sample
    REFERENCE_TIME inputShift_ = 0;     // taken off input time stamps after a jump
    REFERENCE_TIME outputStart_ = 0;    // media time of the first output sample
    std::int64_t outputFrames_ = 0;     // output frames written to the device
    std::vector<std::int16_t> out_;     // output not yet written
    std::size_t outOffset_ = 0;
};

}  // namespace media
