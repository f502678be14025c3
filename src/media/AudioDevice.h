#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace media {

// Where the audio renderer writes interleaved 16-bit samples. Used from the
// renderer's own thread only.
class AudioDevice {
  public:
    virtual ~AudioDevice() = default;
    virtual std::int64_t BytesFree() = 0;
    virtual std::int64_t Write(const std::int16_t* samples, std::int64_t bytes) = 0;
    // Written but not yet heard.
    virtual std::int64_t BufferedBytes() = 0;
    virtual void Suspend() = 0;
    virtual void Resume() = 0;
    // Drops what is buffered.
    virtual void Reset() = 0;
    // Lets the device's own events run (the renderer thread has no event loop).
    virtual void Service() {}
};

// Consumes samples at real-time pace, as a sound card would, where there is none.
class NullAudioDevice : public AudioDevice {
  public:
    // Sees every sample written to a null device (tests measure the output with it).
    using Observer =
        std::function<void(const std::int16_t* samples, std::size_t count, int channels, int rate)>;
    static void SetObserver(Observer observer);

    NullAudioDevice(int rate, int channels);
    std::int64_t BytesFree() override;
    std::int64_t Write(const std::int16_t* samples, std::int64_t bytes) override;
    std::int64_t BufferedBytes() override;
    void Suspend() override;
    void Resume() override;
    void Reset() override;

  private:
    void Consume();
    std::int64_t WholeFrames(std::int64_t bytes) const;

    const int rate_;
    const int channels_;
    const std::int64_t frameBytes_;
    const std::int64_t bytesPerSecond_;
    const std::int64_t capacity_;
    std::int64_t buffered_ = 0;
    double consumedCarry_ = 0.0;
    bool playing_ = false;
    std::chrono::steady_clock::time_point last_{};
};

// The system's default output through QAudioSink, or a null device when there is
// none (or when told to use none).
std::unique_ptr<AudioDevice> OpenAudioDevice(int rate, int channels);
void UseNullAudioDevice(bool useNull);

}  // namespace media
