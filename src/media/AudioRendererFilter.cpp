#include "AudioRendererFilter.h"

#include "media/ClassIds.h"
#include "media/MediaLog.h"
#include "media/PlaybackContext.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {

constexpr std::size_t kQueuedChunks = 48;
constexpr std::chrono::milliseconds kFeedInterval{5};
// Gaps shorter than this are not filled; drift within it is left alone.
constexpr REFERENCE_TIME kTolerance = 400'000;
// A gap in the sound's time stamps is filled with silence a piece at a time, as the
// device takes it, so that memory does not grow with the gap.
constexpr REFERENCE_TIME kSilencePiece = 1'000'000;
// Beyond this a forward jump of the time stamps is a discontinuity, not a pause in
// the sound: what follows plays on at once (and drift beyond it restarts the output).
constexpr REFERENCE_TIME kMaxGap = 50'000'000;
constexpr long kSilence = -10000;

}  // namespace

AudioRendererFilter::AudioRendererFilter()
    : QueuedFilter(CLSID_DSoundRender, "media-audio", kQueuedChunks, 0),
      input_(AddPin(PinDirection::Input, QStringLiteral("Audio Input pin (rendered)"))) {}

AudioRendererFilter::~AudioRendererFilter() {
    StopStreaming();
}

HRESULT AudioRendererFilter::CheckInputType(const MediaType& type) const {
    if (type.major != MajorType::Audio || type.compressed || type.sampleRate <= 0 ||
        type.channels < 1 || type.channels > 2 || input_.IsConnected()) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT AudioRendererFilter::CompleteInputConnect(Pin&, const MediaType& type) {
    sampleRate_ = type.sampleRate;
    channels_ = type.channels;
    streamId_ = Context()->AddStream();
    return S_OK;
}

void AudioRendererFilter::BreakInputConnect(Pin&) {
    StopStreaming();
    if (streamId_ != 0 && Context() != nullptr) {
        Context()->RemoveStream(streamId_);
    }
    streamId_ = 0;
}

void AudioRendererFilter::Run(platform::Worker::Control& worker) {
    try {
        device_ = OpenAudioDevice(sampleRate_, channels_);
        tempo_ = std::make_unique<AudioTempo>(sampleRate_, channels_);
        while (!worker.StopRequested()) {
            Feed();
            device_->Service();
            worker.Wait(kFeedInterval);
        }
    } catch (const std::exception& e) {
        LogMediaFailure("AudioRendererFilter::Run", e);
    }
    tempo_.reset();
    device_.reset();
}

void AudioRendererFilter::Feed() {
    PlaybackContext& context = *Context();
    MediaClock& clock = context.Clock();
    const std::uint64_t generation = context.Generation();
    if (generation != generation_) {
        BeginGeneration(generation);
    }
    FetchPending();
    if (pending_ && readyGeneration_ != generation) {
        readyGeneration_ = generation;
        context.StreamReady(streamId_, generation);
    }
    const REFERENCE_TIME now = clock.Now();
    if (context.State() != State_Running || !clock.Running()) {
        device_->Suspend();
        if (context.State() == State_Running) {
            context.PollClockStart();
        }
        HoldWhilePaused(now);
        return;
    }
    device_->Resume();
    if (!started_ || clock.Rate() != rate_) {
        Restart(now, clock.Rate());
    }
    CorrectDrift(now);
    Fill();
    CheckEnd(generation);
}

void AudioRendererFilter::BeginGeneration(std::uint64_t generation) {
    generation_ = generation;
    inputShift_ = 0;
    pending_.reset();
    started_ = false;
    inputEnded_ = false;
    out_.clear();
    outOffset_ = 0;
    device_->Reset();
}

void AudioRendererFilter::FetchPending() {
    if (!pending_) {
        pending_ = Queue().Pop(std::chrono::milliseconds(0));
    }
    if (pending_ && pending_->generation != generation_) {
        pending_.reset();
    }
}

// While paused the clock may move (frame steps): audio before it is obsolete, and
// audio already handed to the device no longer matches.
void AudioRendererFilter::HoldWhilePaused(REFERENCE_TIME now) {
    if (started_ && std::llabs(HeardPosition() - now) > kTolerance) {
        started_ = false;
        out_.clear();
        outOffset_ = 0;
        device_->Reset();
    }
    if (started_) {
        return;
    }
    while (pending_ && pending_->kind == MediaSample::Kind::Audio &&
           pending_->stop - inputShift_ <= now) {
        pending_.reset();
        FetchPending();
    }
}

void AudioRendererFilter::Restart(REFERENCE_TIME now, double rate) {
    device_->Reset();
    rate_ = rate;
    tempo_->SetTempo(rate);
    out_.clear();
    outOffset_ = 0;
    inputPosition_ = now;
    inputShift_ = 0;
    outputStart_ = now;
    outputFrames_ = 0;
    // An input that already ended stays ended: what it held is dropped with the
    // device's buffer, and no second end of stream will come to end it again.
    started_ = true;
}

// Audio is slaved to the clock: when what is heard strays too far, the input skips
// ahead or silence holds it back.
void AudioRendererFilter::CorrectDrift(REFERENCE_TIME now) {
    if (inputEnded_ || outputFrames_ == 0) {
        return;
    }
    const REFERENCE_TIME drift = HeardPosition() - now;
    offset_ = drift;
    if (drift > kMaxGap) {
        Restart(now, rate_);
    } else if (drift < -kTolerance) {
        inputPosition_ -= drift;
        outputStart_ -= drift;
    } else if (drift > kTolerance) {
        const auto frames = static_cast<std::int64_t>(FramesFor(drift) / rate_);
        out_.insert(out_.begin() + static_cast<std::ptrdiff_t>(outOffset_),
                    static_cast<std::size_t>(frames * channels_), 0);
        outputStart_ -= drift;
    }
}

void AudioRendererFilter::Fill() {
    while (!Stopping()) {
        if (!WriteOutput() || inputEnded_) {
            return;
        }
        FetchPending();
        if (!pending_) {
            return;
        }
        const std::size_t from = out_.size();
        if (pending_->kind == MediaSample::Kind::EndOfStream) {
            tempo_->PushEnd();
            inputEnded_ = true;
            pending_.reset();
        } else if (FeedChunk(*pending_)) {
            pending_.reset();
        }
        tempo_->Pull(out_);
        ApplyVolume(from);
    }
}

// Writes what is waiting; true when all of it went.
bool AudioRendererFilter::WriteOutput() {
    while (outOffset_ < out_.size()) {
        const auto bytes = static_cast<std::int64_t>((out_.size() - outOffset_) * 2);
        const std::int64_t written = device_->Write(out_.data() + outOffset_, bytes);
        if (written <= 0) {
            return false;
        }
        outOffset_ += static_cast<std::size_t>(written / 2);
        outputFrames_ += written / 2 / channels_;
    }
    out_.clear();
    outOffset_ = 0;
    return true;
}

// True when the chunk was taken; false when only silence before it went this time.
bool AudioRendererFilter::FeedChunk(const MediaSample& chunk) {
    const std::int64_t frames = static_cast<std::int64_t>(chunk.audio.size()) / channels_;
    REFERENCE_TIME start = chunk.start - inputShift_;
    if (start - inputPosition_ > kMaxGap) {
        inputShift_ += start - inputPosition_;
        start = inputPosition_;
    }
    if (chunk.stop - inputShift_ <= inputPosition_ || frames == 0) {
        return true;
    }
    const REFERENCE_TIME gap = start - inputPosition_;
    if (gap > kTolerance) {
        // The last piece takes the rest, so no gap within the tolerance stays behind.
        const REFERENCE_TIME piece = gap > 2 * kSilencePiece ? kSilencePiece : gap;
        PushSilence(FramesFor(piece));
        inputPosition_ += piece;
        if (piece < gap) {
            return false;
        }
    }
    std::int64_t skip = 0;
    if (start < inputPosition_) {
        skip = std::min(frames, FramesFor(inputPosition_ - start));
    }
    tempo_->Push(chunk.audio.data() + skip * channels_, static_cast<int>(frames - skip));
    inputPosition_ = std::max(inputPosition_, start) + UnitsFor(frames - skip);
    return true;
}

void AudioRendererFilter::PushSilence(std::int64_t frames) {
    const std::vector<std::int16_t> silence(static_cast<std::size_t>(frames) * channels_, 0);
    tempo_->Push(silence.data(), static_cast<int>(frames));
}

void AudioRendererFilter::ApplyVolume(std::size_t from) {
    const long volume = volume_.load();
    if (volume >= 0) {
        return;
    }
    const double gain = volume <= kSilence ? 0.0 : std::pow(10.0, volume / 2000.0);
    for (std::size_t i = from; i < out_.size(); ++i) {
        out_[i] = static_cast<std::int16_t>(std::lround(out_[i] * gain));
    }
}

void AudioRendererFilter::CheckEnd(std::uint64_t generation) {
    if (!inputEnded_ || outOffset_ < out_.size() || endedGeneration_ == generation ||
        device_->BufferedBytes() > 0) {
        return;
    }
    endedGeneration_ = generation;
    Context()->StreamEnded(streamId_, generation);
}

REFERENCE_TIME AudioRendererFilter::HeardPosition() {
    const std::int64_t buffered = device_->BufferedBytes() / 2 / channels_;
    return outputStart_ + static_cast<REFERENCE_TIME>(UnitsFor(outputFrames_ - buffered) * rate_);
}

std::int64_t AudioRendererFilter::FramesFor(REFERENCE_TIME units) const {
    return units * sampleRate_ / kUnitsPerSecond;
}

REFERENCE_TIME AudioRendererFilter::UnitsFor(std::int64_t frames) const {
    return frames * kUnitsPerSecond / sampleRate_;
}

}  // namespace media
