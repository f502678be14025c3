#include "AudioDecoderFilter.h"

#include "media/ClassIds.h"
#include "media/MediaLog.h"
#include "media/PlaybackContext.h"

#include <stdexcept>

namespace media {

namespace {
constexpr AVRational kUnitsBase{1, static_cast<int>(kUnitsPerSecond)};
constexpr std::size_t kWantedPackets = 50;
}  // namespace

AudioDecoderFilter::AudioDecoderFilter()
    : QueuedFilter(CLSID_AudioDecoder, "media-adecode", 0, kWantedPackets),
      input_(AddPin(PinDirection::Input, QStringLiteral("Input"))),
      output_(AddPin(PinDirection::Output, QStringLiteral("Output"))) {}

AudioDecoderFilter::~AudioDecoderFilter() {
    StopStreaming();
}

HRESULT AudioDecoderFilter::CheckInputType(const MediaType& type) const {
    if (type.major != MajorType::Audio || !type.compressed || !type.codec ||
        avcodec_find_decoder(type.codec->codec_id) == nullptr || input_.IsConnected()) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT AudioDecoderFilter::CompleteInputConnect(Pin&, const MediaType& type) {
    try {
        AvCodecPtr codec = OpenDecoder(*type.codec, type.timeBase, false);
        const int rate = codec->sample_rate > 0 ? codec->sample_rate : type.sampleRate;
        if (rate <= 0) {
            throw std::runtime_error("No sample rate");
        }
        channels_ = codec->ch_layout.nb_channels == 1 ? 1 : 2;
        AVChannelLayout layout;
        av_channel_layout_default(&layout, channels_);
        SwrContext* resampler = nullptr;
        if (swr_alloc_set_opts2(&resampler, &layout, AV_SAMPLE_FMT_S16, rate, &codec->ch_layout,
                                codec->sample_fmt, codec->sample_rate, 0, nullptr) < 0 ||
            swr_init(resampler) < 0) {
            swr_free(&resampler);
            throw std::runtime_error("Resampler");
        }
        resampler_.reset(resampler);
        codec_ = std::move(codec);
        inputType_ = type;
        MediaType raw = type;
        raw.compressed = false;
        raw.codec.reset();
        raw.sampleRate = rate;
        raw.channels = channels_;
        output_.SetType(raw);
        return S_OK;
    } catch (const std::exception& e) {
        LogMediaFailure("AudioDecoderFilter::CompleteInputConnect", e);
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
}

void AudioDecoderFilter::BreakInputConnect(Pin&) {
    StopStreaming();
    codec_.reset();
    resampler_.reset();
}

void AudioDecoderFilter::Run(platform::Worker::Control& worker) {
    try {
        while (!worker.StopRequested()) {
            std::optional<MediaSample> sample = Queue().Pop(std::chrono::milliseconds(100));
            if (!sample) {
                continue;
            }
            if (sample->generation != generation_) {
                avcodec_flush_buffers(codec_.get());
                swr_init(resampler_.get());
                generation_ = sample->generation;
                nextStart_ = sample->start;
            }
            if (sample->kind == MediaSample::Kind::EndOfStream) {
                Decode(nullptr);
                avcodec_flush_buffers(codec_.get());
                output_.Deliver(MediaSample::EndOfStream(generation_));
                continue;
            }
            Decode(sample->packet.get());
        }
    } catch (const std::exception& e) {
        LogMediaFailure("AudioDecoderFilter::Run", e);
    }
}

void AudioDecoderFilter::Decode(const AVPacket* packet) {
    if (avcodec_send_packet(codec_.get(), packet) < 0 && packet != nullptr) {
        return;  // a damaged packet: skip it
    }
    AvFramePtr frame(av_frame_alloc());
    while (!Stopping() && avcodec_receive_frame(codec_.get(), frame.get()) >= 0) {
        if (generation_ == Context()->Generation()) {
            Deliver(frame.get());
        }
        av_frame_unref(frame.get());
    }
}

void AudioDecoderFilter::Deliver(const AVFrame* frame) {
    const int rate = output_.Type().sampleRate;
    const int capacity = swr_get_out_samples(resampler_.get(), frame->nb_samples);
    if (capacity <= 0) {
        return;
    }
    MediaSample sample;
    sample.kind = MediaSample::Kind::Audio;
    sample.generation = generation_;
    sample.audio.resize(static_cast<std::size_t>(capacity) * channels_);
    std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(sample.audio.data())};
    const int converted =
        swr_convert(resampler_.get(), out, capacity,
                    const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
    if (converted <= 0) {
        return;
    }
    sample.audio.resize(static_cast<std::size_t>(converted) * channels_);
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
        sample.start = av_rescale_q(frame->best_effort_timestamp - inputType_.startPts,
                                    inputType_.timeBase, kUnitsBase);
    } else {
        sample.start = nextStart_;
    }
    sample.stop = sample.start + av_rescale(converted, kUnitsPerSecond, rate);
    nextStart_ = sample.stop;
    if (sample.stop <= Context()->Target()) {
        return;  // wholly before the seek target
    }
    output_.Deliver(std::move(sample));
}

}  // namespace media
