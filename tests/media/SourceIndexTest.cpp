#include "media/H264Sps.h"
#include "media/PacketIndex.h"
#include "media/SourceFilter.h"
#include "platform/HeapPolicy.h"
#include "support/TestClips.h"
#include "support/TestMedia.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <vector>

using namespace media;

namespace {

struct ReadPacket {
    std::int64_t pts = 0;
    std::int64_t pos = 0;
};

// The index as one libavformat pass over the whole file builds it, with the
// video packets it was built from.
PacketIndex DemuxedIndex(const QString& path, std::vector<ReadPacket>* packets) {
    PacketIndex index;
    AVFormatContext* context = nullptr;
    const QByteArray name = path.toUtf8();
    if (avformat_open_input(&context, name.constData(), av_find_input_format("mpegts"), nullptr) <
        0) {
        return index;
    }
    const AvFormatPtr format(context);
    avformat_find_stream_info(context, nullptr);
    const int video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AvPacketPtr packet(av_packet_alloc());
    while (av_read_frame(context, packet.get()) >= 0) {
        const std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (packet->stream_index == video && pts != AV_NOPTS_VALUE) {
            index.Add({pts, packet->pos, (packet->flags & AV_PKT_FLAG_KEY) != 0});
            packets->push_back({pts, packet->pos});
        }
        av_packet_unref(packet.get());
    }
    index.Finish();
    return index;
}

// The source's index, once its worker has indexed the whole file.
std::shared_ptr<const PacketIndex> SourceIndex(SourceFilter& source, const QString& path) {
    if (Failed(source.Load(path)) || !WaitUntil([&] { return source.IndexComplete(); }, 20000)) {
        return nullptr;
    }
    for (const auto& pin : source.Pins()) {
        if (pin->Type().major == MajorType::Video) {
            return pin->Type().index;
        }
    }
    return nullptr;
}

void ExpectSameIndex(const PacketIndex& ours, const PacketIndex& demuxed,
                     const std::vector<ReadPacket>& packets) {
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(ours.Count(), demuxed.Count());
    EXPECT_EQ(ours.FirstPts(), demuxed.FirstPts());
    EXPECT_EQ(ours.LastPts(), demuxed.LastPts());
    EXPECT_EQ(ours.LastPacketPts(), demuxed.LastPacketPts());
    EXPECT_EQ(ours.FrameDuration(), demuxed.FrameDuration());
    int failures = 0;
    for (const ReadPacket& packet : packets) {
        for (const std::int64_t pts : {packet.pts - 1, packet.pts, packet.pts + 1}) {
            const bool samePictures = ours.PictureAt(pts) == demuxed.PictureAt(pts) &&
                                      ours.PictureAfter(pts) == demuxed.PictureAfter(pts);
            bool sameKeys = true;
            for (const int back : {0, 1}) {
                const auto a = ours.KeyFrameFor(pts, back);
                const auto b = demuxed.KeyFrameFor(pts, back);
                sameKeys = sameKeys && a && b && a->pts == b->pts && a->pos == b->pos;
            }
            failures += !samePictures || !sameKeys;
        }
    }
    EXPECT_EQ(failures, 0);
}

QString WriterRecording(const QString& name, tsrec::TsRecordingSpec spec,
                        const tsrec::TestMediaParams& params) {
    const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
    spec.media = &media;
    const QString path = TestFolder() + "/" + name;
    return !media.h264.empty() && tsrec::WriteTsRecording(path, spec) ? path : QString();
}

// Reading the packets directly gives what libavformat's pass gives: the same
// pictures, key frames and byte positions, whether the file is indexed while
// opening or by the worker, over B-frames, a 2^33 wrap of the clock and garbage.
TEST(SourceIndexTest, ScannedIndexIsWhatLibavformatReads) {
    tsrec::TestMediaParams camera;
    camera.seconds = 2;
    camera.videoKbps = 3000;
    camera.grain = true;
    tsrec::TestMediaParams plain;
    plain.seconds = 4;
    plain.bFrames = 2;
    const QStringList paths{
        TestClipPath(),
        ThirtyFpsClipPath(),
        GarbledClipPath(),
        WriterRecording("long.ts", {.mediaRepeats = 6}, camera),
        WriterRecording("wrap.ts", {.firstPcrBase = (std::uint64_t{1} << 33) - 2 * 90000}, plain),
        WriterRecording("early.ts", {.firstPcrBase = 30 * 90000}, plain)};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        SourceFilter source;
        const std::shared_ptr<const PacketIndex> ours = SourceIndex(source, path);
        ASSERT_NE(ours, nullptr);
        std::vector<ReadPacket> packets;
        const PacketIndex demuxed = DemuxedIndex(path, &packets);
        ExpectSameIndex(*ours, demuxed, packets);
    }
}

// An H.264 clip made by the ffmpeg tool with the picture size and sample aspect
// ratio asked for.
QString AspectClip(const QString& name, const QString& size, const QString& aspect) {
    const QString path = TestFolder() + "/" + name;
    const QStringList args{"-v",
                           "error",
                           "-y",
                           "-f",
                           "lavfi",
                           "-i",
                           "testsrc2=s=" + size + ":r=25:d=1",
                           "-vf",
                           "setsar=" + aspect,
                           "-c:v",
                           "libx264",
                           "-preset",
                           "ultrafast",
                           "-f",
                           "mpegts",
                           path};
    return tsrec::RunTool("ffmpeg", args, nullptr, nullptr) ? path : QString();
}

// Libavformat decodes no picture for the video's parameters; those read from the
// first parameter set are the ones its decoding gives: the size after cropping and
// the sample aspect ratio from the table or written out.
TEST(SourceIndexTest, VideoParametersAreWhatDecodingGives) {
    const QStringList paths{TestClipPath(), AspectClip("wide.ts", "854x480", "4/3"),
                            AspectClip("odd.ts", "350x286", "10/9")};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        SourceFilter source;
        ASSERT_EQ(source.Load(path), S_OK);
        const MediaType ours = source.FirstPin(PinDirection::Output)->Type();
        AVFormatContext* context = nullptr;
        ASSERT_GE(avformat_open_input(&context, path.toUtf8().constData(), nullptr, nullptr), 0);
        const AvFormatPtr format(context);
        ASSERT_GE(avformat_find_stream_info(context, nullptr), 0);
        const AVCodecParameters* decoded = context->streams[0]->codecpar;
        EXPECT_EQ(ours.major, MajorType::Video);
        EXPECT_EQ(ours.width, decoded->width);
        EXPECT_EQ(ours.height, decoded->height);
        EXPECT_EQ(av_cmp_q(ours.sampleAspect, decoded->sample_aspect_ratio), 0);
        EXPECT_EQ(ours.codec->format, decoded->format);
    }
    // A set cut short or another NAL unit tells nothing.
    const std::uint8_t sps[] = {0x67, 0x64, 0x00, 0x1F, 0xAC};
    EXPECT_FALSE(H264SampleAspect(sps, sizeof(sps)).has_value());
    const std::uint8_t pps[] = {0x68, 0xEE, 0x3C, 0x80};
    EXPECT_FALSE(H264SampleAspect(pps, sizeof(pps)).has_value());
}

// The stream analysis at opening reads seconds of packets; an opened recording
// keeps none of them (each would pin a 200 KB block of the demuxer's pool).
TEST(SourceIndexTest, AnOpenedRecordingKeepsLittleOfWhatItsAnalysisRead) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocator keeps its own figures";
#endif
    tsrec::TestMediaParams camera;
    camera.seconds = 2;
    camera.videoKbps = 3000;
    camera.grain = true;
    const QString path = WriterRecording("held.ts", {.mediaRepeats = 6}, camera);
    ASSERT_FALSE(path.isEmpty());
    const std::size_t before = platform::HeapInUse();
    SourceFilter source;
    ASSERT_EQ(source.Load(path), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return source.IndexComplete(); }, 20000));
    const std::size_t held = platform::HeapInUse() - before;
    EXPECT_LT(held, std::size_t{4} << 20) << held << " bytes held";
}

// Opening reads the start and the end; the sparse hole in between is skipped by
// the index without reading it and noted as a gap.
TEST(SourceIndexTest, HoleIsNotReadAndIsAGap) {
    SourceFilter source;
    const std::shared_ptr<const PacketIndex> index = SourceIndex(source, HoledClipPath());
    ASSERT_NE(index, nullptr);
    EXPECT_LT(source.BytesRead(), 16 << 20);
    const std::optional<PacketIndex::ByteRange> gap = index->GapAfter(0);
    ASSERT_TRUE(gap.has_value());
    EXPECT_GE(gap->end - gap->begin, kHoleBytes);
    EXPECT_FALSE(index->GapAfter(gap->end).has_value());
}

// Two cameras' H.264 streams, the first declared in the program map as AAC sound:
// libavformat finds it is video only by probing its packets while it analyses the
// streams, after the start of the second one was indexed. Empty when the tool fails.
QString FirstVideoDeclaredAsSoundClip() {
    const QString path = TestFolder() + "/declared-sound.ts";
    QStringList args = QStringLiteral(
                           "-v error -y -f lavfi -i testsrc2=s=320x240:r=25:d=20 "
                           "-f lavfi -i testsrc=s=320x240:r=25:d=20 -map 0:v -map 1:v "
                           "-c:v libx264 -preset ultrafast -g 25 -f mpegts")
                           .split(' ');
    args << path;
    if (!tsrec::RunTool("ffmpeg", args, nullptr, nullptr)) {
        return {};
    }
    constexpr std::uint16_t kToolPmtPid = 0x1000;
    constexpr std::uint8_t kStreamTypeH264 = 0x1B;
    constexpr std::uint8_t kStreamTypeAdts = 0x0F;
    std::vector<std::uint8_t> bytes = tsrec::ReadFileBytes(path);
    int patched = 0;
    for (const std::size_t at : tsrec::PacketOffsets(bytes, kToolPmtPid)) {
        std::uint8_t* packet = &bytes[at];
        if ((packet[1] & 0x40) == 0) {
            continue;
        }
        std::size_t section = (packet[3] & 0x20) != 0 ? 5u + packet[4] : 4u;
        section += 1u + packet[section];  // the pointer field
        const std::size_t length = ((packet[section + 1] & 0x0F) << 8) | packet[section + 2];
        const std::size_t programInfo = ((packet[section + 10] & 0x0F) << 8) | packet[section + 11];
        const std::size_t firstType = section + 12 + programInfo;
        const std::size_t crcAt = section + 3 + length - 4;
        if (crcAt + 4 > tsrec::kPacketSize || packet[firstType] != kStreamTypeH264) {
            return {};
        }
        packet[firstType] = kStreamTypeAdts;
        const std::uint32_t crc = tsrec::Crc32Mpeg(packet + section, crcAt - section);
        for (int i = 0; i < 4; ++i) {
            packet[crcAt + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        }
        ++patched;
    }
    return patched > 0 && tsrec::WriteFileBytes(path, bytes) ? path : QString();
}

// The stream that plays is not the one whose start was indexed: the whole file is
// still read for the index and the duration, not only the part indexed at first.
TEST(SourceIndexTest, VideoFoundByAnalysisIsIndexedToTheEnd) {
    const QString path = FirstVideoDeclaredAsSoundClip();
    ASSERT_FALSE(path.isEmpty());
    SourceFilter source;
    const std::shared_ptr<const PacketIndex> index = SourceIndex(source, path);
    ASSERT_NE(index, nullptr);
    const MediaType type = source.FirstPin(PinDirection::Output)->Type();
    ASSERT_EQ(type.major, MajorType::Video);
    EXPECT_EQ(type.codec->codec_tag, 0x0Fu);  // the stream declared as sound plays
    EXPECT_EQ(index->Count(), 500u);
    EXPECT_EQ(source.Duration(), 20 * kUnitsPerSecond);
    EXPECT_TRUE(source.DurationFinal());
}

}  // namespace
