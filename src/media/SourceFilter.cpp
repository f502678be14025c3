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
// Opening indexes the start of a transport stream up to its first pictures, but
// never more than this many blocks (a few seconds of a camera's video; a memory
// card reads them in a moment), and reads this much of its end for the last time
// stamp.
constexpr int kHeadLimitBlocks = 8;
constexpr std::int64_t kTailSpan = 2 << 20;

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

bool IsPlayableVideo(const AVStream* stream) {
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
           avcodec_find_decoder(stream->codecpar->codec_id) != nullptr &&
           (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0;
}

}  // namespace

SourceFilter::SourceFilter() : BaseFilter(CLSID_FileSource) {}

SourceFilter::~SourceFilter() {
    StopStreaming();
    StopIndexing();
}

HRESULT SourceFilter::Load(const QString& path) {
    const HRESULT opened = OpenInput(path);
    if (Failed(opened)) {
        return opened;
    }
    SelectStreams();
    if (!FinishScanning() && !BuildIndex()) {
        return VFW_E_INVALID_FILE_FORMAT;
    }
    CreatePins();
    // Told before the indexing worker starts, which may tell a later one.
    if (durationSink_) {
        durationSink_(duration_.load());
    }
    if (scanner_) {
        // Only the demuxing worker reads from now on.
        input_->Follow(index_, [this] { return WorkerStopRequested(); });
        if (!index_->Complete()) {
            indexer_ = std::make_unique<platform::Worker>(
                "media-index", [this](platform::Worker::Control& worker) { IndexRest(worker); });
        }
    }
    return S_OK;
}

std::int64_t SourceFilter::BytesRead() const {
    return (input_ ? input_->BytesRead() : 0) + (scanner_ ? scanner_->BytesRead() : 0);
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
        transportStream_ = LooksLikeTransportStream(path);
        const AVInputFormat* forced = transportStream_ ? av_find_input_format("mpegts") : nullptr;
        input_ = FileInput::Open(info.absoluteFilePath());
        if (!input_) {
            throw std::runtime_error("Cannot read the file");
        }
        AVFormatContext* context = avformat_alloc_context();
        if (context == nullptr) {
            return E_OUTOFMEMORY;
        }
        context->format_whitelist = av_strdup(kFormatWhitelist);
        context->pb = input_->Context();
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
        input_->HideSize(transportStream_);
        // Stream information as soon as every stream's parameters are known: the
        // frame rate libavformat would estimate from 20 pictures (decoding them)
        // is not used here.
        context->fps_probe_size = 0;
        const QByteArray url = info.absoluteFilePath().toUtf8();
        const int result = avformat_open_input(&context, url.constData(), forced, nullptr);
        if (result < 0) {
            throw std::runtime_error("Open input: " + AvErrorText(result));
        }
        format_.reset(context);
        std::vector<AVDictionary*> options(context->nb_streams, nullptr);
        if (transportStream_) {
            IgnoreDataStreams();
            StartScanning(path, options);
        }
        const int found = avformat_find_stream_info(context, options.data());
        for (AVDictionary*& streamOptions : options) {
            av_dict_free(&streamOptions);
        }
        input_->HideSize(false);
        TellVideoParameters();
        if (found < 0) {
            throw std::runtime_error("No stream information");
        }
        byteSeek_ = (context->iformat->flags & AVFMT_NO_BYTE_SEEK) == 0;
        return S_OK;
    } catch (const std::exception& e) {
        LogMediaFailure("SourceFilter::OpenInput", e);
        format_.reset();
        input_.reset();
        return VFW_E_UNKNOWN_FILE_TYPE;
    }
}

// A data stream (the recorder's sensor log, read by its own parser) is never
// played. Left in, libavformat keeps probing it through the whole stream analysis
// and holds every packet read meanwhile, each pinning a 200 KB block of the
// demuxer's pool, which keeps them all for the file's life (some 20 MB).
void SourceFilter::IgnoreDataStreams() {
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* stream = format_->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_DATA) {
            stream->discard = AVDISCARD_ALL;
        }
    }
}

void SourceFilter::SelectStreams() {
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* stream = format_->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        const bool decodable = avcodec_find_decoder(codec->codec_id) != nullptr;
        if (videoStream_ < 0 && IsPlayableVideo(stream)) {
            videoStream_ = static_cast<int>(i);
        } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO && audioStream_ < 0 && decodable) {
            audioStream_ = static_cast<int>(i);
        } else {
            stream->discard = AVDISCARD_ALL;
        }
    }
}

// A transport stream's index, before libavformat looks for the streams'
// parameters: the start read here, up to where the first pictures and their usual
// distance are known. When the first picture's parameter sets tell its size and
// aspect, libavformat need not decode it for them: its probing decoder skips every
// picture (`options` go to the probing decoders, one dictionary per stream).
void SourceFilter::StartScanning(const QString& path, std::vector<AVDictionary*>& options) {
    int video = 0;
    while (video < static_cast<int>(format_->nb_streams) &&
           !IsPlayableVideo(format_->streams[video])) {
        ++video;
    }
    if (video == static_cast<int>(format_->nb_streams)) {
        return;
    }
    const AVStream* stream = format_->streams[video];
    scannedStream_ = video;
    scanner_ = TsIndexScanner::Create(path, stream->id, *stream->codecpar);
    if (!scanner_) {
        return;
    }
    index_ = std::make_shared<PacketIndex>();
    for (int block = 0;; ++block) {
        const bool enough =
            !index_->Empty() && (index_->Covers(index_->FirstPts()) || block >= kHeadLimitBlocks);
        if (enough || !scanner_->ScanBlock(*index_)) {
            break;
        }
    }
    if (index_->Empty()) {
        scanner_.reset();  // no picture in the whole file
        index_.reset();
        return;
    }
    if (scanner_->FirstVideoParameters()) {
        av_dict_set(&options[static_cast<std::size_t>(video)], "skip_frame", "all", 0);
    }
    // libavformat then reads only what the index has seen, and never into a gap.
    input_->Follow(index_, {});
}

// After libavformat's look at the streams: the video's size and aspect as the
// first picture's parameter sets give them, where its probe decoded nothing.
void SourceFilter::TellVideoParameters() {
    if (!scanner_) {
        return;
    }
    if (const auto parameters = scanner_->FirstVideoParameters()) {
        AVCodecParameters* codec = format_->streams[scannedStream_]->codecpar;
        codec->width = parameters->width;
        codec->height = parameters->height;
        codec->format = parameters->format;
        codec->sample_aspect_ratio = parameters->sampleAspect;
    }
}

// The rest of a transport stream's opening: the first picture's time and the
// last one's from the end of the file; the indexing worker reads the middle. False
// when the index is not built this way.
bool SourceFilter::FinishScanning() {
    if (scanner_ && videoStream_ != scannedStream_) {
        // Not the stream chosen to play (the analysis found a video stream before
        // it): libavformat's pass indexes the file, reading past the scanned start.
        input_->Follow(nullptr, {});
        scanner_.reset();
        index_.reset();
    }
    if (!scanner_) {
        return false;
    }
    startVideoPts_ = index_->FirstPts();
    frameDuration_ = index_->FrameDuration();
    if (!index_->Complete()) {
        if (const std::optional<TsIndexScanner::Tail> tail = scanner_->ScanTail(kTailSpan)) {
            index_->SetExpectedLastPacketPts(tail->lastPacketPts);
            tailKnown_ = true;
            tailLastPts_ = tail->maxPts;
        }
    }
    SetVideoTimes(tailKnown_ ? std::max(tailLastPts_, index_->LastPts()) : index_->LastPts());
    durationFinal_ = tailKnown_ || index_->Complete();
    return true;
}

// The audio's start, and the duration from the last picture's time stamp.
void SourceFilter::SetVideoTimes(std::int64_t lastPts) {
    const AVStream* video = format_->streams[videoStream_];
    videoTimeBase_ = video->time_base;
    if (audioStream_ >= 0) {
        startAudioPts_ = av_rescale_q(startVideoPts_, video->time_base,
                                      format_->streams[audioStream_]->time_base);
    }
    SetDuration(lastPts);
}

// Any thread: reads only what opening set.
void SourceFilter::SetDuration(std::int64_t lastPts) {
    duration_ = std::max<REFERENCE_TIME>(
        0, av_rescale_q(lastPts + frameDuration_ - startVideoPts_, videoTimeBase_, kUnitsBase));
}

// The indexing worker: the rest of the file, block by block.
void SourceFilter::IndexRest(platform::Worker::Control& worker) {
    // Playback starting meanwhile needs the processors more.
    worker.LowerPriority();
    while (!worker.StopRequested()) {
        const bool more = scanner_->ScanBlock(*index_);
        if (!more || !tailKnown_) {
            SetDuration(tailKnown_ ? std::max(tailLastPts_, index_->LastPts()) : index_->LastPts());
            durationFinal_ = !more || tailKnown_;
            if (durationSink_) {
                durationSink_(duration_.load());
            }
        }
        if (!more) {
            return;
        }
    }
    index_->Abandon();
}

void SourceFilter::StopIndexing() {
    if (indexer_) {
        indexer_->Stop();
        indexer_.reset();
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
        startVideoPts_ = index_->FirstPts();
        frameDuration_ = index_->FrameDuration();
        SetVideoTimes(index_->LastPts());
    } else if (audioStream_ >= 0) {
        const AVStream* audio = format_->streams[audioStream_];
        startAudioPts_ = audioFirst;
        duration_ = std::max<REFERENCE_TIME>(
            0, av_rescale_q(audioEnd - audioFirst, audio->time_base, kUnitsBase));
    }
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
        type.frameDuration = av_rescale_q(frameDuration_, stream->time_base, kUnitsBase);
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
    if (indexer_) {
        indexer_->RequestStop();
    }
}

// The graph is going (or leaving this filter): the indexing ends too.
void SourceFilter::StopStreaming() {
    StopWorker();
    StopIndexing();
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
                SeekForSegment(worker, generation);
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
                if (worker.StopRequested()) {
                    continue;  // a read cut short by the stop
                }
                const std::int64_t resume = input_->ResumePosition();
                if (resume >= 0) {
                    // The end of a gap without packets: the file goes on after it.
                    av_seek_frame(format_.get(), -1, resume, AVSEEK_FLAG_BYTE);
                    continue;
                }
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

void SourceFilter::SeekForSegment(platform::Worker::Control& worker, std::uint64_t generation) {
    const PlaybackContext::Segment segment = Context()->CurrentSegment();
    const REFERENCE_TIME target = segment.target;
    if (videoStream_ >= 0) {
        const AVStream* video = format_->streams[videoStream_];
        const std::int64_t pts =
            startVideoPts_ +
            av_rescale_q_rnd(target, kUnitsBase, video->time_base, AV_ROUND_NEAR_INF);
        // Only the part of the file up to the target needs to be indexed.
        index_->WaitUntilCovers(
            pts, [&] { return worker.StopRequested() || Context()->Generation() != generation; });
        const std::unique_ptr<const PacketIndex::Entry> key =
            index_->KeyFrameFor(pts, segment.keyFramesBack);
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
