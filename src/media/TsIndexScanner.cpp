#include "TsIndexScanner.h"

#include "media/H264Sps.h"

#include <algorithm>
#include <cstring>

namespace media {

namespace {

constexpr std::int64_t kPacket = 188;
constexpr std::uint8_t kSync = 0x47;
constexpr std::int64_t kBlock = 1 << 20;
// Shorter stretches without packets are left to libavformat's own resync.
constexpr std::int64_t kMinGap = 64 * 1024;
// Enough of a slice for the parser to read its header (it reads at most 1000 bytes).
constexpr std::size_t kSliceHeaderBytes = 1024;
// What one access unit's head may hold for a codec whose slices we do not look for.
constexpr std::size_t kMaxHead = 4u << 20;
// libavformat's 2^33 wrap correction: the reference lies 60 s before the first
// time stamp, and a first time stamp in the last 60 s before the wrap subtracts.
constexpr std::int64_t kWrap = std::int64_t{1} << 33;
constexpr std::int64_t kWrapMargin = 60 * 90000;

struct PesTimes {
    std::optional<std::int64_t> pts;
    std::optional<std::int64_t> dts;
    std::size_t dataAt = 0;  // where the elementary stream starts in the payload
};

std::int64_t ReadTimestamp(const std::uint8_t* p) {
    return (static_cast<std::int64_t>((p[0] >> 1) & 0x07) << 30) |
           (static_cast<std::int64_t>((p[1] << 8 | p[2]) >> 1) << 15) |
           static_cast<std::int64_t>((p[3] << 8 | p[4]) >> 1);
}

// Streams whose PES carry no optional header.
bool HasNoPesHeader(std::uint8_t streamId) {
    return streamId == 0xBC || streamId == 0xBE || streamId == 0xBF || streamId == 0xF0 ||
           streamId == 0xF1 || streamId == 0xF2 || streamId == 0xF8 || streamId == 0xFF;
}

// The PES header at the start of a payload; none when the payload starts no PES.
std::optional<PesTimes> ParsePesHeader(const std::uint8_t* payload, std::size_t size) {
    if (size < 6 || payload[0] != 0 || payload[1] != 0 || payload[2] != 1) {
        return std::nullopt;
    }
    PesTimes times;
    if (HasNoPesHeader(payload[3])) {
        times.dataAt = 6;
        return times;
    }
    if (size < 9 || 9u + payload[8] > size) {
        times.dataAt = size;  // a header spread over packets: no time stamp taken
        return times;
    }
    const std::uint8_t flags = payload[7] & 0xC0;
    if (flags == 0x80 && payload[8] >= 5) {
        times.pts = ReadTimestamp(payload + 9);
        times.dts = times.pts;
    } else if (flags == 0xC0 && payload[8] >= 10) {
        times.pts = ReadTimestamp(payload + 9);
        times.dts = ReadTimestamp(payload + 14);
    }
    times.dataAt = 9u + payload[8];
    return times;
}

struct PacketView {
    int pid = -1;
    bool start = false;
    bool randomAccess = false;
    const std::uint8_t* payload = nullptr;
    std::size_t size = 0;
};

// The parts of one packet; no payload when it carries none.
PacketView ViewPacket(const std::uint8_t* packet) {
    PacketView view;
    view.pid = ((packet[1] & 0x1F) << 8) | packet[2];
    view.start = (packet[1] & 0x40) != 0;
    const int control = (packet[3] >> 4) & 0x03;
    std::size_t at = 4;
    if ((control & 0x02) != 0) {
        view.randomAccess = packet[4] > 0 && (packet[5] & 0x40) != 0;
        at = 5u + packet[4];
    }
    if ((control & 0x01) != 0 && at < kPacket) {
        view.payload = packet + at;
        view.size = kPacket - at;
    }
    return view;
}

bool InSyncAt(const std::uint8_t* data, std::size_t size, std::size_t at) {
    return at + 2 * kPacket < size && data[at] == kSync && data[at + kPacket] == kSync &&
           data[at + 2 * kPacket] == kSync;
}

// The first place at or after `from` where three packets follow each other;
// `size` when there is none.
std::size_t FindSync(const std::uint8_t* data, std::size_t size, std::size_t from) {
    while (from + 2 * kPacket < size) {
        const void* found = std::memchr(data + from, kSync, size - 2 * kPacket - from);
        if (found == nullptr) {
            break;
        }
        from = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data);
        if (InSyncAt(data, size, from)) {
            return from;
        }
        ++from;
    }
    return size;
}

}  // namespace

std::unique_ptr<TsIndexScanner> TsIndexScanner::Create(const QString& path, int videoPid,
                                                       const AVCodecParameters& codec) {
    platform::FileHandle file = platform::FileHandle::OpenRead(path);
    if (!file.IsOpen() || file.Size() < 0) {
        return nullptr;
    }
    std::unique_ptr<TsIndexScanner> scanner(
        new TsIndexScanner(std::move(file), videoPid, codec.codec_id));
    if (scanner->parser_ == nullptr || !scanner->parserContext_) {
        return nullptr;
    }
    return scanner;
}

TsIndexScanner::TsIndexScanner(platform::FileHandle file, int videoPid, AVCodecID codec)
    : file_(std::move(file)),
      size_(file_.Size()),
      videoPid_(videoPid),
      h264_(codec == AV_CODEC_ID_H264),
      parser_(av_parser_init(codec)),
      parserContext_(avcodec_alloc_context3(nullptr)),
      buffer_(static_cast<std::size_t>(kBlock + 2 * kPacket)) {
    if (parser_ != nullptr) {
        // Each call holds the start of one access unit, as the demuxer's PES would.
        parser_->flags |= PARSER_FLAG_COMPLETE_FRAMES;
    }
    if (parserContext_) {
        parserContext_->codec_type = AVMEDIA_TYPE_VIDEO;
        parserContext_->codec_id = codec;
    }
}

TsIndexScanner::~TsIndexScanner() {
    av_parser_close(parser_);
}

bool TsIndexScanner::ScanBlock(PacketIndex& index) {
    if (!Fill()) {
        Finish(index);
        return false;
    }
    ScanBuffer(index);
    // A reader may go up to where the bytes are known to be packets or a gap.
    index.SetScanned(inSync_ ? cursor_ : lostSyncAt_);
    return true;
}

// Drops what was looked at and reads the next block, jumping over a hole.
bool TsIndexScanner::Fill() {
    const std::size_t looked = static_cast<std::size_t>(cursor_ - bufferStart_);
    std::memmove(buffer_.data(), buffer_.data() + looked, length_ - looked);
    length_ -= looked;
    bufferStart_ = cursor_;
    if (readAt_ >= size_) {
        return false;
    }
    const std::int64_t dataAt = file_.NextData(readAt_);
    if (dataAt > readAt_) {
        SkipHole(dataAt);
        if (readAt_ >= size_) {
            return false;
        }
    }
    std::int64_t want =
        std::min(static_cast<std::int64_t>(buffer_.size() - length_), size_ - readAt_);
    const std::int64_t holeAt = file_.NextHole(readAt_);
    if (holeAt > readAt_) {
        want = std::min(want, holeAt - readAt_);
    }
    const std::int64_t got = file_.ReadAt(buffer_.data() + length_, want, readAt_);
    if (got <= 0) {
        return false;  // a read error, or the file shrank
    }
    length_ += static_cast<std::size_t>(got);
    readAt_ += got;
    bytesRead_.fetch_add(got);
    return true;
}

// A hole holds only zeros: no packet starts in it, nor in what is left before it.
void TsIndexScanner::SkipHole(std::int64_t dataAt) {
    if (inSync_) {
        LoseSync(cursor_);
    }
    length_ = 0;
    bufferStart_ = cursor_ = readAt_ = dataAt;
}

void TsIndexScanner::ScanBuffer(PacketIndex& index) {
    while (true) {
        if (!inSync_ && !Resync(index)) {
            return;
        }
        const std::int64_t end = bufferStart_ + static_cast<std::int64_t>(length_);
        if (cursor_ + kPacket > end) {
            return;
        }
        const std::uint8_t* packet = buffer_.data() + (cursor_ - bufferStart_);
        if (packet[0] != kSync) {
            LoseSync(cursor_);
            continue;
        }
        Packet(packet, cursor_, index);
        cursor_ += kPacket;
    }
}

bool TsIndexScanner::Resync(PacketIndex& index) {
    const std::size_t from = static_cast<std::size_t>(cursor_ - bufferStart_);
    const std::size_t found = FindSync(buffer_.data(), length_, from);
    if (found == length_) {
        // Keep the last bytes: three packets may begin among them.
        const std::size_t keep = std::min<std::size_t>(length_, 2 * kPacket);
        cursor_ = std::max(cursor_, bufferStart_ + static_cast<std::int64_t>(length_ - keep));
        return false;
    }
    const std::int64_t at = bufferStart_ + static_cast<std::int64_t>(found);
    if (at - lostSyncAt_ >= kMinGap) {
        index.AddGap({lostSyncAt_, at});
    }
    inSync_ = true;
    cursor_ = at;
    return true;
}

void TsIndexScanner::LoseSync(std::int64_t at) {
    inSync_ = false;
    lostSyncAt_ = at;
}

void TsIndexScanner::Packet(const std::uint8_t* packet, std::int64_t pos, PacketIndex& index) {
    const PacketView view = ViewPacket(packet);
    if (view.pid != videoPid_ || view.payload == nullptr) {
        return;
    }
    if (view.start) {
        StartPes(view.payload, view.size, pos, view.randomAccess, index);
    } else if (pes_.open) {
        AppendToPes(view.payload, view.size, index);
    }
}

void TsIndexScanner::StartPes(const std::uint8_t* payload, std::size_t size, std::int64_t pos,
                              bool rai, PacketIndex& index) {
    ClosePes(index);
    const std::optional<PesTimes> times = ParsePesHeader(payload, size);
    if (!times) {
        return;
    }
    pes_.open = true;
    pes_.hasPts = times->pts.has_value();
    pes_.randomAccess = rai;
    pes_.decided = false;
    pes_.head.clear();
    pes_.searched = 0;
    pes_.sliceAt = 0;
    if (pes_.hasPts) {
        if (!wrapReference_) {
            const std::int64_t first = *times->dts;
            wrapReference_ = first - kWrapMargin;
            wrapAdds_ = first < kWrap - kWrapMargin;
        }
        pes_.entry = Entry{Unwrap(*times->pts), pos, false};
    }
    AppendToPes(payload + times->dataAt, size - std::min(size, times->dataAt), index);
}

void TsIndexScanner::AppendToPes(const std::uint8_t* data, std::size_t size, PacketIndex& index) {
    if (pes_.decided || !pes_.hasPts) {
        return;
    }
    pes_.head.insert(pes_.head.end(), data, data + size);
    if ((h264_ && HeadIsEnough()) || pes_.head.size() >= kMaxHead) {
        pes_.entry.key = DecideKey(pes_);
        pes_.decided = true;
        index.Add(pes_.entry);
    }
}

// Whether the head reaches far enough into the first slice (NAL type 1 or 5).
bool TsIndexScanner::HeadIsEnough() {
    const std::vector<std::uint8_t>& head = pes_.head;
    for (std::size_t i = pes_.searched; pes_.sliceAt == 0 && i + 3 < head.size(); ++i) {
        if (head[i] == 0 && head[i + 1] == 0 && head[i + 2] == 1) {
            const int type = head[i + 3] & 0x1F;
            if (type == 1 || type == 5) {
                pes_.sliceAt = i + 3;
            }
        }
    }
    pes_.searched = head.size() < 3 ? 0 : head.size() - 3;
    return pes_.sliceAt != 0 && head.size() >= pes_.sliceAt + kSliceHeaderBytes;
}

void TsIndexScanner::ClosePes(PacketIndex& index) {
    if (pes_.open && pes_.hasPts && !pes_.decided) {
        pes_.entry.key = DecideKey(pes_);
        pes_.decided = true;
        index.Add(pes_.entry);
    }
    pes_.open = false;
}

// libavformat's rule for a parsed packet's key flag.
bool TsIndexScanner::DecideKey(const Pes& pes) {
    std::vector<std::uint8_t> data(pes.head);
    const int size = static_cast<int>(data.size());
    data.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::uint8_t* out = nullptr;
    int outSize = 0;
    av_parser_parse2(parser_, parserContext_.get(), &out, &outSize, data.data(), size,
                     AV_NOPTS_VALUE, AV_NOPTS_VALUE, pes.entry.pos);
    if (!parametersTaken_) {
        TakeParameters(pes);
    }
    if (parser_->key_frame == 1) {
        return true;
    }
    return parser_->key_frame == -1 &&
           (parser_->pict_type == AV_PICTURE_TYPE_I ||
            (parser_->pict_type == AV_PICTURE_TYPE_NONE && pes.randomAccess));
}

// The first access unit's size (the parser read its parameter sets) and the
// sample aspect ratio of its sequence parameter set.
void TsIndexScanner::TakeParameters(const Pes& pes) {
    parametersTaken_ = true;
    const std::vector<std::uint8_t>& head = pes.head;
    if (!h264_ || parser_->width <= 0 || parser_->height <= 0) {
        return;
    }
    for (std::size_t i = 0; i + 3 < head.size(); ++i) {
        if (head[i] != 0 || head[i + 1] != 0 || head[i + 2] != 1 || (head[i + 3] & 0x1F) != 7) {
            continue;
        }
        std::size_t end = i + 3;
        while (end + 2 < head.size() &&
               !(head[end] == 0 && head[end + 1] == 0 && head[end + 2] <= 1)) {
            ++end;
        }
        if (end + 2 >= head.size()) {
            end = head.size();
        }
        const std::optional<AVRational> aspect = H264SampleAspect(&head[i + 3], end - (i + 3));
        if (aspect) {
            firstParameters_ =
                VideoParameters{parser_->width, parser_->height,
                                static_cast<AVPixelFormat>(parser_->format), *aspect};
        }
        return;
    }
}

std::int64_t TsIndexScanner::Unwrap(std::int64_t timestamp) {
    if (wrapAdds_ && timestamp < *wrapReference_) {
        return timestamp + kWrap;
    }
    if (!wrapAdds_ && timestamp >= *wrapReference_) {
        return timestamp - kWrap;
    }
    return timestamp;
}

void TsIndexScanner::Finish(PacketIndex& index) {
    if (!inSync_ && size_ - lostSyncAt_ >= kMinGap) {
        index.AddGap({lostSyncAt_, size_});
    }
    ClosePes(index);
    index.SetScanned(size_);
    index.Finish();
}

std::optional<TsIndexScanner::Tail> TsIndexScanner::ScanTail(std::int64_t span) {
    if (!wrapReference_) {
        return std::nullopt;
    }
    const std::int64_t start = std::max<std::int64_t>(0, size_ - span);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size_ - start));
    const std::int64_t got =
        file_.ReadAt(data.data(), static_cast<std::int64_t>(data.size()), start);
    if (got <= 0) {
        return std::nullopt;
    }
    bytesRead_.fetch_add(got);
    data.resize(static_cast<std::size_t>(got));
    std::optional<Tail> tail;
    std::size_t at = FindSync(data.data(), data.size(), 0);
    while (at + kPacket <= data.size()) {
        if (data[at] != kSync) {
            at = FindSync(data.data(), data.size(), at);
            continue;
        }
        const PacketView view = ViewPacket(data.data() + at);
        at += kPacket;
        if (view.pid != videoPid_ || !view.start || view.payload == nullptr) {
            continue;
        }
        const std::optional<PesTimes> times = ParsePesHeader(view.payload, view.size);
        if (!times || !times->pts) {
            continue;
        }
        const std::int64_t pts = Unwrap(*times->pts);
        if (!tail) {
            tail = Tail{pts, pts};
        }
        tail->lastPacketPts = pts;
        tail->maxPts = std::max(tail->maxPts, pts);
    }
    return tail;
}

}  // namespace media
