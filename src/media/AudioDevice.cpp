#include "AudioDevice.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QEventLoop>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace media {

namespace {

std::mutex observerMutex;
NullAudioDevice::Observer observer;
std::atomic<bool> forceNull{false};

constexpr double kNullBufferSeconds = 0.2;
constexpr int kSinkBufferMs = 200;

class QtAudioDevice : public AudioDevice {
  public:
    QtAudioDevice(const QAudioDevice& device, const QAudioFormat& format)
        : sink_(std::make_unique<QAudioSink>(device, format)) {
        sink_->setBufferSize(format.bytesForDuration(kSinkBufferMs * 1000));
        io_ = sink_->start();
    }
    bool Valid() const { return io_ != nullptr && sink_->error() == QAudio::NoError; }
    std::int64_t BytesFree() override { return io_ != nullptr ? sink_->bytesFree() : 0; }
    std::int64_t Write(const std::int16_t* samples, std::int64_t bytes) override {
        return io_ != nullptr ? io_->write(reinterpret_cast<const char*>(samples), bytes) : 0;
    }
    std::int64_t BufferedBytes() override {
        return io_ != nullptr ? std::max<std::int64_t>(0, sink_->bufferSize() - sink_->bytesFree())
                              : 0;
    }
    void Suspend() override {
        if (sink_->state() == QAudio::ActiveState || sink_->state() == QAudio::IdleState) {
            sink_->suspend();
        }
    }
    void Resume() override {
        if (sink_->state() == QAudio::SuspendedState) {
            sink_->resume();
        }
    }
    void Reset() override {
        sink_->reset();
        io_ = sink_->start();
    }
    void Service() override { QCoreApplication::processEvents(QEventLoop::AllEvents, 1); }

  private:
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* io_ = nullptr;
};

}  // namespace

void NullAudioDevice::SetObserver(Observer newObserver) {
    std::lock_guard lock(observerMutex);
    observer = std::move(newObserver);
}

NullAudioDevice::NullAudioDevice(int rate, int channels)
    : rate_(rate),
      channels_(channels),
      frameBytes_(static_cast<std::int64_t>(channels) * 2),
      bytesPerSecond_(static_cast<std::int64_t>(rate) * frameBytes_),
      capacity_(WholeFrames(static_cast<std::int64_t>(bytesPerSecond_ * kNullBufferSeconds))) {}

// Whole sample frames only: a frame is never split between writes.
std::int64_t NullAudioDevice::WholeFrames(std::int64_t bytes) const {
    return bytes - bytes % frameBytes_;
}

std::int64_t NullAudioDevice::BytesFree() {
    Consume();
    return capacity_ - buffered_;
}

std::int64_t NullAudioDevice::Write(const std::int16_t* samples, std::int64_t bytes) {
    Consume();
    const std::int64_t accepted = WholeFrames(std::min(bytes, capacity_ - buffered_));
    if (accepted <= 0) {
        return 0;
    }
    buffered_ += accepted;
    std::lock_guard lock(observerMutex);
    if (observer) {
        observer(samples, static_cast<std::size_t>(accepted / 2), channels_, rate_);
    }
    return accepted;
}

std::int64_t NullAudioDevice::BufferedBytes() {
    Consume();
    return buffered_;
}

void NullAudioDevice::Suspend() {
    Consume();
    playing_ = false;
}

void NullAudioDevice::Resume() {
    if (!playing_) {
        playing_ = true;
        last_ = std::chrono::steady_clock::now();
    }
}

void NullAudioDevice::Reset() {
    buffered_ = 0;
    consumedCarry_ = 0.0;
    last_ = std::chrono::steady_clock::now();
}

// Plays out what the time since the last look allows; an empty buffer banks no time.
void NullAudioDevice::Consume() {
    const auto now = std::chrono::steady_clock::now();
    if (playing_) {
        const double seconds = std::chrono::duration<double>(now - last_).count();
        consumedCarry_ += seconds * static_cast<double>(bytesPerSecond_);
        const std::int64_t whole = WholeFrames(static_cast<std::int64_t>(consumedCarry_));
        const std::int64_t played = std::min(whole, buffered_);
        buffered_ -= played;
        consumedCarry_ = buffered_ == 0 ? 0.0 : consumedCarry_ - static_cast<double>(played);
    }
    last_ = now;
}

std::unique_ptr<AudioDevice> OpenAudioDevice(int rate, int channels) {
    if (!forceNull) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (!device.isNull()) {
            QAudioFormat format;
            format.setSampleRate(rate);
            format.setChannelCount(channels);
            format.setSampleFormat(QAudioFormat::Int16);
            if (device.isFormatSupported(format)) {
                auto sink = std::make_unique<QtAudioDevice>(device, format);
                if (sink->Valid()) {
                    return sink;
                }
            }
        }
    }
    return std::make_unique<NullAudioDevice>(rate, channels);
}

void UseNullAudioDevice(bool useNull) {
    forceNull = useNull;
}

}  // namespace media
