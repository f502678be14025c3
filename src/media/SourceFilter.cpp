#include "SourceFilter.h"

#include "media/ClassIds.h"
#include "media/MediaLog.h"
#include "media/PlaybackContext.h"

#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace media {

namespace {

constexpr AVRational kUnitsBase{1, static_cast<int>(kUnitsPerSecond)};
// Flow control of the demuxer: it reads on while some stream holds fewer packets
// than this and the queues together hold less than the byte limit.
constexpr std::size_t kEnoughBytes = 24u << 20;
constexpr const char* kFormatWhitelist = "mpegts,mov,mp4,m4a,3gp,3g2,mj2";

// The recorder's files are MPEG-TS: sync bytes at 0 and 188.
bool LooksLikeTransportStream(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray head = file.read(189);
    if (head.isEmpty() || static_cast<unsigned char>(head[0]) != 0x47) {
        return false;
    }
    return head.size() < 189 || static_cast<unsigned char>(head[188]) == 0x47;
}

}  // namespace

SourceFilter::SourceFilter() : BaseFilter(CLSID_FileSource) {}

SourceFilter::~SourceFilter() {
    StopStreaming();
}

HRESULT SourceFilter::Load(const QString& path) {
    const HRESULT opened = OpenInput(path);
    if (Failed(opened)) {
        return opened;
    }
    SelectStreams();
    if (!BuildIndex()) {
        return VFW_E_INVALID_FILE_FORMAT;
    }
    CreatePins();
    return S_OK;
}

HRESULT SourceFilter::OpenInput(const QString& path) {
    try {
        const QFileInfo info(path);
        if (!info.exists()) {
            return E_FILE_NOT_FOUND;
        }
        if (!info.isFile()) {
            throw std::runtime_error("Not a file");
        }
        RouteFfmpegLog();
        const AVInputFormat* forced =
            LooksLikeTransportStream(path) ? av_find_input_format("mpegts") : nullptr;
        AVFormatContext* context = avformat_alloc_context();
        if (context == nullptr) {
            return E_OUTOFMEMORY;
        }
        context->format_whitelist = av_strdup(kFormatWhitelist);
        AVDictionary* options = nullptr;
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        const QByteArray url = "file:" + info.absoluteFilePath().toUtf8();
        const int result = avformat_open_input(&context, url.constData(), forced, &options);
        av_dict_free(&options);
        if (result < 0) {
            throw std::runtime_error("Open input: " + AvErrorText(result));
        }
        format_.reset(context);
        if (avformat_find_stream_info(context, nullptr) < 0) {
            throw std::runtime_error("No stream information");
        }
        byteSeek_ = (context->iformat->flags & AVFMT_NO_BYTE_SEEK) == 0;
        return S_OK;
    } catch (const std::exception& e) {
        LogMediaFailure("SourceFilter::OpenInput", e);
        format_.reset();
        return VFW_E_UNKNOWN_FILE_TYPE;
    }
}

void SourceFilter::SelectStreams() {
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* stream = format_->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        const bool decodable = avcodec_find_decoder(codec->codec_id) != nullptr;
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO && videoStream_ < 0 && decodable &&
            (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
            videoStream_ = static_cast<int>(i);
        } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO && audioStream_ < 0 && decodable) {
            audioStream_ = static_cast<int>(i);
        } else {
            stream->discard = AVDISCARD_ALL;
        }
    }
}

bool SourceFilter::BuildIndex() {
    index_ = std::make_shared<PacketIndex>();
    AvPacketPtr packet(av_packet_alloc());
    std::int64_t audioFirst = AV_NOPTS_VALUE;
    std::int64_t audioEnd = AV_NOPTS_VALUE;
    while (true) {
        const int result = av_read_frame(format_.get(), packet.get());
        if (result == AVERROR(EAGAIN)) {
            continue;
        }
        if (result < 0) {
            break;
        }
        const std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (packet->stream_index == videoStream_ && pts != AV_NOPTS_VALUE) {
            index_->Add({pts, packet->pos, (packet->flags & AV_PKT_FLAG_KEY) != 0});
        } else if (packet->stream_index == audioStream_ && pts != AV_NOPTS_VALUE) {
            if (audioFirst == AV_NOPTS_VALUE || pts < audioFirst) {
                audioFirst = pts;
            }
            audioEnd =
                std::max(audioEnd == AV_NOPTS_VALUE ? pts : audioEnd, pts + packet->duration);
        }
        av_packet_unref(packet.get());
    }
    index_->Finish();
    if (videoStream_ >= 0 && index_->Empty()) {
        videoStream_ = -1;  // a video stream without a single picture
    }
    if (videoStream_ < 0 && audioFirst == AV_NOPTS_VALUE) {
        audioStream_ = -1;
    }
    if (videoStream_ >= 0) {
        const AVStream* video = format_->streams[videoStream_];
        startVideoPts_ = index_->FirstPts();
        duration_ = av_rescale_q(index_->LastPts() + index_->FrameDuration() - startVideoPts_,
                                 video->time_base, kUnitsBase);
        if (audioStream_ >= 0) {
            startAudioPts_ = av_rescale_q(startVideoPts_, video->time_base,
                                          format_->streams[audioStream_]->time_base);
        }
    } else if (audioStream_ >= 0) {
        const AVStream* audio = format_->streams[audioStream_];
        startAudioPts_ = audioFirst;
        duration_ = av_rescale_q(audioEnd - audioFirst, audio->time_base, kUnitsBase);
    }
    duration_ = std::max<REFERENCE_TIME>(duration_, 0);
    return true;
}

MediaType SourceFilter::StreamType(int streamIndex, MajorType major) const {
    const AVStream* stream = format_->streams[streamIndex];
    AVCodecParameters* copy = avcodec_parameters_alloc();
    avcodec_parameters_copy(copy, stream->codecpar);
    MediaType type;
    type.major = major;
    type.compressed = true;
    type.codec = std::shared_ptr<const AVCodecParameters>(copy, [](const AVCodecParameters* p) {
        AVCodecParameters* owned = const_cast<AVCodecParameters*>(p);
        avcodec_parameters_free(&owned);
    });
    type.timeBase = stream->time_base;
    type.width = copy->width;
    type.height = copy->height;
    type.sampleAspect = copy->sample_aspect_ratio;
    type.sampleRate = copy->sample_rate;
    type.channels = copy->ch_layout.nb_channels;
    if (major == MajorType::Video) {
        type.startPts = startVideoPts_;
        type.frameDuration = av_rescale_q(index_->FrameDuration(), stream->time_base, kUnitsBase);
        type.index = index_;
    } else {
        type.startPts = startAudioPts_;
    }
    return type;
}

void SourceFilter::CreatePins() {
    if (videoStream_ >= 0) {
        videoPin_ = &AddPin(PinDirection::Output, QStringLiteral("Video"));
        videoPin_->SetType(StreamType(videoStream_, MajorType::Video));
    }
    if (audioStream_ >= 0) {
        audioPin_ = &AddPin(PinDirection::Output, QStringLiteral("Audio"));
        audioPin_->SetType(StreamType(audioStream_, MajorType::Audio));
    }
}

void SourceFilter::StartStreaming() {
    if (!format_) {
        return;
    }
    StartWorker("media-demux", [this](platform::Worker::Control& worker) { Run(worker); });
}

void SourceFilter::BeginStop() {
    RequestWorkerStop();
}

void SourceFilter::StopStreaming() {
    StopWorker();
}

void SourceFilter::Wake() {
    WakeWorker();
}

void SourceFilter::Run(platform::Worker::Control& worker) {
    try {
        AvPacketPtr packet(av_packet_alloc());
        std::uint64_t served = 0;
        bool ended = false;
        while (!worker.StopRequested()) {
            const std::uint64_t generation = Context()->Generation();
            if (generation != served) {
                SeekForSegment();
                served = generation;
                ended = false;
            }
            if (ended || HasEnoughQueued()) {
                worker.Wait(std::chrono::milliseconds(10));
                continue;
            }
            const int result = av_read_frame(format_.get(), packet.get());
            if (result == AVERROR(EAGAIN)) {
                continue;
            }
            if (result < 0) {
                if (result != AVERROR_EOF && !avio_feof(format_->pb)) {
                    Context()->RaiseEvent(EC_ERRORABORT, E_FAIL);
                }
                EndStreams(served);
                ended = true;
                continue;
            }
            Route(packet.get(), served);
            av_packet_unref(packet.get());
        }
    } catch (const std::exception& e) {
        LogMediaFailure("SourceFilter::Run", e);
    }
}

void SourceFilter::SeekForSegment() {
    const REFERENCE_TIME target = Context()->Target();
    if (videoStream_ >= 0) {
        const AVStream* video = format_->streams[videoStream_];
        const std::int64_t pts =
            startVideoPts_ +
            av_rescale_q_rnd(target, kUnitsBase, video->time_base, AV_ROUND_NEAR_INF);
        const PacketIndex::Entry* key = index_->KeyFrameFor(pts, Context()->KeyFramesBack());
        if (key != nullptr && key->pos >= 0 && byteSeek_) {
            av_seek_frame(format_.get(), -1, key->pos, AVSEEK_FLAG_BYTE);
        } else {
            av_seek_frame(format_.get(), videoStream_, key != nullptr ? key->pts : pts,
                          AVSEEK_FLAG_BACKWARD);
        }
        return;
    }
    if (audioStream_ >= 0) {
        const AVStream* audio = format_->streams[audioStream_];
        const std::int64_t pts =
            startAudioPts_ + av_rescale_q(std::max<REFERENCE_TIME>(0, target - kUnitsPerSecond),
                                          kUnitsBase, audio->time_base);
        if (avformat_seek_file(format_.get(), audioStream_, INT64_MIN, pts, pts, 0) < 0) {
            avformat_seek_file(format_.get(), -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE);
        }
    }
}

bool SourceFilter::HasEnoughQueued() const {
    std::size_t bytes = 0;
    bool someoneWants = false;
    for (const Pin* pin : {videoPin_, audioPin_}) {
        const Pin* peer = pin != nullptr ? pin->Peer() : nullptr;
        if (peer == nullptr) {
            continue;
        }
        bytes += peer->Filter().QueuedBytes(*peer);
        someoneWants = someoneWants || peer->Filter().WantsInput(*peer);
    }
    return !someoneWants || bytes >= kEnoughBytes;
}

void SourceFilter::Route(AVPacket* packet, std::uint64_t generation) {
    Pin* pin = nullptr;
    if (packet->stream_index == videoStream_) {
        pin = videoPin_;
    } else if (packet->stream_index == audioStream_) {
        pin = audioPin_;
    }
    if (pin == nullptr || !pin->IsConnected()) {
        return;
    }
    MediaSample sample;
    sample.kind = MediaSample::Kind::Packet;
    sample.generation = generation;
    const std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (pts != AV_NOPTS_VALUE) {
        sample.start = ToUnits(pts, format_->streams[packet->stream_index]);
    }
    sample.packet.reset(av_packet_clone(packet));
    if (sample.packet) {
        pin->Deliver(std::move(sample));
    }
}

void SourceFilter::EndStreams(std::uint64_t generation) {
    for (Pin* pin : {videoPin_, audioPin_}) {
        if (pin != nullptr && pin->IsConnected()) {
            pin->Deliver(MediaSample::EndOfStream(generation));
        }
    }
}

REFERENCE_TIME SourceFilter::ToUnits(std::int64_t pts, const AVStream* stream) const {
    const std::int64_t start = stream->index == videoStream_ ? startVideoPts_ : startAudioPts_;
    return av_rescale_q(pts - start, stream->time_base, kUnitsBase);
}

}  // namespace media
