#pragma once

#include "media/AvHandles.h"
#include "media/PacketIndex.h"
#include "platform/FileHandle.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace media {

// Indexes the video of an MPEG-TS file by reading its 188-byte packets directly:
// a picture per PES of the video PID, its time stamp from the PES header (with
// libavformat's correction of a 2^33 wrap, so both give the same values) and its
// key flag from libavcodec's parser over the start of the access unit, as
// libavformat would set it; nothing is decoded. Stretches without packets (zeros
// or garbage, as a power loss leaves them) are skipped, holes of a sparse file
// without reading them, and the longer ones are noted in the index as gaps.
//
// Used by one thread at a time: the opening thread scans the start, a worker the
// rest. BytesRead may be asked from any thread.
class TsIndexScanner {
  public:
    struct Tail {
        std::int64_t lastPacketPts = 0;  // of the last video PES in the file
        std::int64_t maxPts = 0;         // the latest picture among the last ones
    };

    // Null when the codec has no parser.
    static std::unique_ptr<TsIndexScanner> Create(const QString& path, int videoPid,
                                                  const AVCodecParameters& codec);
    ~TsIndexScanner();
    TsIndexScanner(const TsIndexScanner&) = delete;
    TsIndexScanner& operator=(const TsIndexScanner&) = delete;

    // Indexes the next block; false once the end of the file (or a read error) is
    // reached, the last picture added and the index's scanned mark at the end.
    bool ScanBlock(PacketIndex& index);
    // The time stamps at the end of the file, read from its last `span` bytes;
    // none when no video PES lies there. Needs the first time stamp of the file
    // (ScanBlock found one), the reference of the wrap correction.
    std::optional<Tail> ScanTail(std::int64_t span);

    // What the first H.264 access unit's sequence parameter set gives, as the
    // decoder would report it; none before the first picture, for another codec, or
    // when the set cannot be read.
    struct VideoParameters {
        int width = 0;
        int height = 0;
        AVPixelFormat format = AV_PIX_FMT_NONE;
        AVRational sampleAspect{0, 1};
    };
    std::optional<VideoParameters> FirstVideoParameters() const { return firstParameters_; }

    std::int64_t Size() const { return size_; }
    std::int64_t BytesRead() const { return bytesRead_.load(); }

  private:
    using Entry = PacketIndex::Entry;
    struct Pes {
        bool open = false;
        bool hasPts = false;
        bool randomAccess = false;
        bool decided = false;
        Entry entry{};
        std::vector<std::uint8_t> head;  // the access unit's first bytes
        std::size_t searched = 0;        // head bytes already searched for a slice
        std::size_t sliceAt = 0;         // 0 until the first slice NAL is found
    };
    TsIndexScanner(platform::FileHandle file, int videoPid, AVCodecID codec);
    bool Fill();
    void SkipHole(std::int64_t dataAt);
    void ScanBuffer(PacketIndex& index);
    bool Resync(PacketIndex& index);
    void LoseSync(std::int64_t at);
    void Packet(const std::uint8_t* packet, std::int64_t pos, PacketIndex& index);
    void StartPes(const std::uint8_t* payload, std::size_t size, std::int64_t pos, bool rai,
                  PacketIndex& index);
    void AppendToPes(const std::uint8_t* data, std::size_t size, PacketIndex& index);
    bool HeadIsEnough();
    void ClosePes(PacketIndex& index);
    bool DecideKey(const Pes& pes);
    std::int64_t Unwrap(std::int64_t timestamp);
    void Finish(PacketIndex& index);

    platform::FileHandle file_;
    const std::int64_t size_;
    const int videoPid_;
    const bool h264_;
    AVCodecParserContext* parser_ = nullptr;
    AvCodecPtr parserContext_;

    std::vector<std::uint8_t> buffer_;  // its first length_ bytes: the file's from bufferStart_
    std::size_t length_ = 0;
    std::int64_t bufferStart_ = 0;
    std::int64_t cursor_ = 0;  // the next byte to look at
    std::int64_t readAt_ = 0;  // the next byte to read from the file
    bool inSync_ = true;
    std::int64_t lostSyncAt_ = 0;
    Pes pes_;

    void TakeParameters(const Pes& pes);

    std::optional<VideoParameters> firstParameters_;
    bool parametersTaken_ = false;
    std::optional<std::int64_t> wrapReference_;
    bool wrapAdds_ = true;
    std::atomic<std::int64_t> bytesRead_{0};
};

}  // namespace media
