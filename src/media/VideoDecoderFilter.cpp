#include "VideoDecoderFilter.h"

#include "media/ClassIds.h"
#include "media/MediaLog.h"
#include "media/PacketIndex.h"
#include "media/PlaybackContext.h"

namespace media {

namespace {

constexpr AVRational kUnitsBase{1, static_cast<int>(kUnitsPerSecond)};
constexpr std::size_t kWantedPackets = 30;
// How many key frames a seek may go back when the first picture is past the target.
constexpr int kMaxKeyFramesBack = 3;
// How long, paused, the pictures after a segment's first wait for a step or a run
// to ask for them before they are decoded anyway.
constexpr std::chrono::milliseconds kPausedHold{100};

}  // namespace

VideoDecoderFilter::VideoDecoderFilter()
    : QueuedFilter(CLSID_LAVVideoDecoder, "media-vdecode", 0, kWantedPackets),
      input_(AddPin(PinDirection::Input, QStringLiteral("Input"))),
      output_(AddPin(PinDirection::Output, QStringLiteral("Output"))) {}

VideoDecoderFilter::~VideoDecoderFilter() {
    StopStreaming();
}

HRESULT VideoDecoderFilter::CheckInputType(const MediaType& type) const {
    if (type.major != MajorType::Video || !type.compressed || !type.codec ||
        avcodec_find_decoder(type.codec->codec_id) == nullptr || input_.IsConnected()) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT VideoDecoderFilter::CompleteInputConnect(Pin&, const MediaType& type) {
    try {
        codec_ = OpenDecoder(*type.codec, type.timeBase, true);
        inputType_ = type;
        MediaType raw = type;
        raw.compressed = false;
        raw.codec.reset();
        output_.SetType(raw);
        return S_OK;
    } catch (const std::exception& e) {
        LogMediaFailure("VideoDecoderFilter::CompleteInputConnect", e);
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
}

void VideoDecoderFilter::BreakInputConnect(Pin&) {
    StopStreaming();
    codec_.reset();
}

void VideoDecoderFilter::Run(platform::Worker::Control& worker) {
    try {
        while (!worker.StopRequested()) {
            if (HoldAfterFirstPicture(worker)) {
                continue;
            }
            std::optional<MediaSample> sample = Queue().Pop(std::chrono::milliseconds(100));
            if (!sample) {
                continue;
            }
            if (sample->generation != generation_) {
                BeginGeneration(sample->generation);
                if (sample->generation != generation_) {
                    continue;  // already stale
                }
            }
            if (sample->kind == MediaSample::Kind::EndOfStream) {
                if (!drained_) {
                    Decode(nullptr);
                    drained_ = true;
                }
                output_.Deliver(MediaSample::EndOfStream(generation_));
                continue;
            }
            if (drained_) {
                avcodec_flush_buffers(codec_.get());
                drained_ = false;
            }
            Decode(sample->packet.get());
        }
    } catch (const std::exception& e) {
        LogMediaFailure("VideoDecoderFilter::Run", e);
    }
}

// Paused, a seek shows one picture; the ones after it are wanted only when a step or
// a run comes. In a burst of seeks (a drag on the time line) they would be decoded
// for nothing, and the next seek would wait for them: a flush lets the decoder's
// threads finish the pictures they hold.
bool VideoDecoderFilter::HoldAfterFirstPicture(platform::Worker::Control& worker) {
    if (!heldSince_) {
        return false;
    }
    const PlaybackContext& context = *Context();
    const auto held = std::chrono::steady_clock::now() - *heldSince_;
    if (context.Generation() != generation_ || context.State() == State_Running ||
        context.PicturesAskedFor(generation_) || held >= kPausedHold) {
        heldSince_.reset();
        return false;
    }
    worker.Wait(std::chrono::ceil<std::chrono::milliseconds>(kPausedHold - held));
    return true;
}

void VideoDecoderFilter::BeginGeneration(std::uint64_t generation) {
    const PlaybackContext::Segment segment = Context()->CurrentSegment();
    if (segment.generation != generation) {
        return;
    }
    if (dirty_ || drained_) {
        avcodec_flush_buffers(codec_.get());
    }
    generation_ = generation;
    dirty_ = false;
    drained_ = false;
    firstPicture_ = true;
    keyFramesBack_ = segment.keyFramesBack;
    lastPts_ = AV_NOPTS_VALUE;
    heldSince_.reset();
    const std::int64_t pts =
        inputType_.startPts +
        av_rescale_q_rnd(segment.target, kUnitsBase, inputType_.timeBase, AV_ROUND_NEAR_INF);
    targetPts_ = pts;
    if (inputType_.index) {
        inputType_.index->WaitUntilCovers(
            pts, [&] { return Stopping() || Context()->Generation() != generation; });
        targetPts_ = inputType_.index->PictureAt(pts);
    }
}

void VideoDecoderFilter::Decode(const AVPacket* packet) {
    dirty_ = true;
    int result = avcodec_send_packet(codec_.get(), packet);
    if (result == AVERROR(EAGAIN)) {
        ReceivePictures(false);
        if (generation_ != Context()->Generation()) {
            return;  // a seek came: the flush of the next generation drops this packet
        }
        result = avcodec_send_packet(codec_.get(), packet);
    }
    ReceivePictures(packet == nullptr);
}

void VideoDecoderFilter::ReceivePictures(bool draining) {
    while (!Stopping()) {
        AvFramePtr frame(av_frame_alloc());
        const int result = avcodec_receive_frame(codec_.get(), frame.get());
        if (result < 0) {
            return;
        }
        if (generation_ != Context()->Generation()) {
            return;  // a seek came: the next generation's flush drops the rest
        }
        DeliverPicture(std::move(frame), draining);
    }
}

void VideoDecoderFilter::DeliverPicture(AvFramePtr frame, bool draining) {
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) {
        pts = lastPts_ == AV_NOPTS_VALUE ? targetPts_
                                         : lastPts_ + av_rescale_q(inputType_.frameDuration,
                                                                   kUnitsBase, inputType_.timeBase);
    }
    lastPts_ = pts;
    if (firstPicture_) {
        firstPicture_ = false;
        if (LandedLate(pts) && Context()->RetryEarlier(generation_)) {
            return;
        }
    }
    if (pts < targetPts_) {
        return;  // decoding up to the target
    }
    const bool damaged = frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT);
    const bool lastPacket = inputType_.index && pts == inputType_.index->LastPacketPts();
    if (damaged && (draining || lastPacket)) {
        return;  // the cut-off end of a recording: its last whole picture was the end
    }
    MediaSample sample;
    sample.kind = MediaSample::Kind::Picture;
    sample.generation = generation_;
    sample.start = av_rescale_q(pts - inputType_.startPts, inputType_.timeBase, kUnitsBase);
    sample.stop = sample.start + inputType_.frameDuration;
    sample.picture = ShareFrame(std::move(frame));
    const bool first = deliveredGeneration_ != generation_;
    deliveredGeneration_ = generation_;
    output_.Deliver(std::move(sample));
    if (first && Context()->State() != State_Running) {
        heldSince_ = std::chrono::steady_clock::now();
    }
}

bool VideoDecoderFilter::LandedLate(std::int64_t pts) const {
    if (pts <= targetPts_ || keyFramesBack_ >= kMaxKeyFramesBack || !inputType_.index) {
        return false;
    }
    const auto now = inputType_.index->KeyFrameFor(targetPts_, keyFramesBack_);
    const auto earlier = inputType_.index->KeyFrameFor(targetPts_, keyFramesBack_ + 1);
    return now != nullptr && earlier != nullptr && earlier->pts < now->pts;
}

}  // namespace media
