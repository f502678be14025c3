#include "CutFixture.h"

#include "cutting/TSCutting.h"
#include "platform/FileHandle.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>

#include <cstring>
#include <map>
#include <random>

namespace {

using tsrec::kPidAudio;
using tsrec::kPidLog;
using tsrec::kPidPat;
using tsrec::kPidPmt;
using tsrec::kPidVideo;

constexpr std::int64_t kSecond = 90000;
constexpr std::int64_t kFrame = 3600;                     // 25 fps
constexpr std::int64_t kSourceZero = 918000;              // the writer's first video PTS
constexpr std::int64_t kWrapped = std::int64_t{1} << 32;  // a negative time written out

tsrec::TsRecordingSpec Synthetic(double seconds) {
    tsrec::TsRecordingSpec spec;
    spec.durationSeconds = seconds;
    return spec;
}

// Packets per picture, by PTS.
std::map<std::int64_t, int> PicturePackets(const std::vector<std::uint8_t>& bytes) {
    std::map<std::int64_t, int> sizes;
    std::int64_t pts = -1;
    for (const ClipPacket& packet : PacketsOf(ParseClip(bytes), kPidVideo)) {
        if (packet.pesStart) {
            pts = packet.pts.value_or(-1);
        }
        ++sizes[pts];
    }
    return sizes;
}

// Each picture of the clip is the source's picture `shift` ticks earlier, whole and
// with nothing glued on.
void ExpectWholePictures(const std::vector<std::uint8_t>& clip,
                         const std::vector<std::uint8_t>& source, std::int64_t shift) {
    const std::map<std::int64_t, int> sourceSizes = PicturePackets(source);
    for (const auto& [pts, count] : PicturePackets(clip)) {
        const auto found = sourceSizes.find(pts + shift);
        ASSERT_NE(found, sourceSizes.end()) << "picture " << pts;
        EXPECT_EQ(count, found->second) << "picture " << pts;
    }
}

// The outside tools find every stream continuous; real pictures and sound they
// also read and decode without a complaint (synthetic ones are not decodable).
void ExpectCleanForTools(const QString& path, bool realMedia) {
    EXPECT_EQ(ContinuityErrors(path).toStdString(), "");
    if (realMedia) {
        EXPECT_EQ(FfprobeErrors(path).toStdString(), "");
        EXPECT_EQ(DecodeErrors(path).toStdString(), "");
    }
}

// The clip's first log packet carries `header` as a recording's own first one does,
// with the record of `sourceRecord` behind it.
void ExpectHeaderPacket(const std::vector<std::uint8_t>& clip, const TFileItem& source,
                        const std::uint8_t* sourceRecord) {
    const std::vector<ClipPacket> logs = PacketsOf(ParseClip(clip), kPidLog);
    ASSERT_FALSE(logs.empty());
    const std::uint8_t* p = clip.data() + logs.front().offset;
    EXPECT_EQ(p[4], 89);
    EXPECT_EQ(logs.front().pesAt, 94);
    EXPECT_EQ((p[98] << 8) | p[99], 3 + 5 + 16 + 64);
    EXPECT_EQ(std::memcmp(p + 108, source.header.data(), 16), 0);
    EXPECT_EQ(std::memcmp(p + 124, sourceRecord, 64), 0);
}

// The record of the source's log packet whose PTS is `pts`.
const std::uint8_t* SourceRecord(const std::vector<std::uint8_t>& source, std::int64_t pts) {
    for (const ClipPacket& packet : PacketsOf(ParseClip(source), kPidLog)) {
        if (packet.pts == pts) {
            return source.data() + packet.offset + 124;
        }
    }
    ADD_FAILURE() << "no log packet at " << pts;
    return source.data();
}

// The first element, or a failure and a default one.
template <typename T>
T FirstOf(const std::vector<T>& values) {
    if (values.empty()) {
        ADD_FAILURE() << "nothing there";
        return T{};
    }
    return values.front();
}

std::int64_t Max(const std::vector<std::int64_t>& values) {
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

class TSCuttingTest : public CutTest {
  protected:
    QString Clip() const { return PathOf(QStringLiteral("clip.ts")); }
};

// A window of one synthetic recording: clip time 0 is the key frame `zero`
// ticks after the source's first picture (the source's own stamps kept when
// the start lies within the first second); the clip ends at `end` clip ticks.
struct Window {
    double seconds, start, stop;
    bool rebased;
    std::int64_t zero, end;
};

class TSWindowTest : public TSCuttingTest, public testing::WithParamInterface<Window> {};

}  // namespace

TEST_P(TSWindowTest, TheClipRunsFromTheKeyFrameAtOrBeforeTheStartToTheEnd) {
    const Window& w = GetParam();
    ItemRef item = Recording(QStringLiteral("a.ts"), Synthetic(w.seconds));
    ASSERT_EQ(Cut({item.get()}, Clip(), w.start, w.stop).result, Cut_OK);
    const std::vector<std::uint8_t> clip = Bytes(Clip());
    const std::vector<std::uint8_t> source = Bytes(item->path);
    ExpectPacketGrid(clip);
    const std::vector<ClipPacket> packets = ParseClip(clip);
    const std::int64_t from = kSourceZero + w.zero;
    const std::int64_t shift = w.rebased ? from : 0;
    const std::int64_t end = w.rebased ? w.end : kSourceZero + w.end;

    // Every picture of the source from the key frame up to the end, whole.
    std::vector<std::int64_t> expected;
    for (const std::int64_t pts : PtsOf(ParseClip(source), kPidVideo)) {
        if (pts >= from && pts - shift <= end) {
            expected.push_back(pts - shift);
        }
    }
    EXPECT_EQ(PtsOf(packets, kPidVideo), expected);
    EXPECT_TRUE(FirstOf(PacketsOf(packets, kPidVideo)).randomAccess);
    ExpectWholePictures(clip, source, shift);
    for (const ClipPacket& packet : PacketsOf(packets, kPidVideo)) {
        if (packet.pesStart) {
            EXPECT_EQ(packet.pcr, *packet.pts & ~std::int64_t{1});
        }
    }
    // Sound up to the end; the log from the first picture, five records a second.
    const std::int64_t lastAudio = Max(PtsOf(packets, kPidAudio));
    EXPECT_LE(lastAudio, end);
    EXPECT_GT(lastAudio, end - 1920);
    const std::vector<std::int64_t> logs = PtsOf(packets, kPidLog);
    for (std::size_t i = 0; i < logs.size(); ++i) {
        EXPECT_EQ(logs[i], FirstOf(expected) + static_cast<std::int64_t>(i) * 18000);
    }
    EXPECT_LE(Max(logs), end);
    EXPECT_GT(Max(logs), end - 18000);

    if (w.rebased) {
        EXPECT_EQ(packets[0].pid, kPidPat);
        EXPECT_EQ(packets[1].pid, kPidPmt);
        ExpectHeaderPacket(clip, *item, SourceRecord(source, from));
    } else {
        // The recording's own first packets and its own header packet.
        EXPECT_EQ(std::memcmp(clip.data(), source.data(), 2 * 188), 0);
        EXPECT_EQ(
            std::memcmp(clip.data() + FirstOf(PacketsOf(packets, kPidLog)).offset,
                        source.data() + FirstOf(PacketsOf(ParseClip(source), kPidLog)).offset, 188),
            0);
    }
    ItemRef probed(new TFileItem(Clip()));
    EXPECT_EQ(probed->fileType, FILE_TYPE_TS);
    EXPECT_EQ(probed->versionText, item->versionText);
    ExpectCleanForTools(Clip(), false);
}

// The end lies at the start plus the span rounded up to whole seconds, counted
// from the source's zero when the start lies within the first second.
INSTANTIATE_TEST_SUITE_P(Windows, TSWindowTest,
                         testing::Values(Window{3, 0.5, 2.0, false, 0, 225000},
                                         Window{20, 3.0, 13.2, true, 3 * kSecond, 11 * kSecond},
                                         Window{5, 2.5, 4.0, true, 2 * kSecond, 225000},
                                         Window{5, 2.3, 4.0, true, 2 * kSecond, 207000}));

TEST_F(TSCuttingTest, RealRecordingsJoinIntoAClipThatPlaysCleanlyFromItsFirstFrame) {
    tsrec::TsRecordingSpec spec;
    spec.media = &RealMedia(3);
    spec.version = {2, 3, 4};
    ItemRef first = Recording(QStringLiteral("a.ts"), spec);
    // The second's clock starts 7 s on: it counts from its own time zero.
    spec.version = {9, 9, 9};
    spec.startTime += 3;
    spec.firstPcrBase += 7 * kSecond;
    ItemRef second = Recording(QStringLiteral("b.ts"), spec);
    // From 1.5 s in the first (its last key frame before is at 1.0 s) to 4.5 s on the
    // time line, 1.54 s into the second: the clip's 0 is that key frame.
    const CutRun run = Cut({first.get(), second.get()}, Clip(), 1.5, 4.5);
    ASSERT_EQ(run.result, Cut_OK);
    const std::vector<std::uint8_t> clip = Bytes(Clip());
    ExpectPacketGrid(clip);
    const std::vector<ClipPacket> packets = ParseClip(clip);
    EXPECT_EQ(packets[0].pid, kPidPat);
    EXPECT_EQ(packets[1].pid, kPidPmt);

    const std::vector<ClipPacket> video = PacketsOf(packets, kPidVideo);
    ASSERT_TRUE(FirstOf(video).randomAccess);
    EXPECT_EQ(FirstOf(video).pts, 0);
    std::vector<std::int64_t> expected;
    for (int i = 0; i < 50; ++i) {
        expected.push_back(i * kFrame);
    }
    const std::int64_t secondStart = 49 * kFrame + 3000;
    const std::int64_t end = secondStart + 154 * kSecond / 100;
    for (int j = 0; secondStart + j * kFrame <= end; ++j) {
        expected.push_back(secondStart + j * kFrame);
    }
    EXPECT_EQ(PtsOf(packets, kPidVideo), expected);
    for (const ClipPacket& packet : video) {
        if (packet.pesStart) {
            EXPECT_EQ(packet.pcr, *packet.pts & ~std::int64_t{1});
        }
    }
    for (const std::int64_t pts : PtsOf(packets, kPidAudio)) {
        EXPECT_LE(pts, end);
    }
    const std::vector<std::uint8_t> source = Bytes(first->path);
    ExpectHeaderPacket(clip, *first, SourceRecord(source, kSourceZero + kSecond));

    ItemRef probed(new TFileItem(Clip()));
    EXPECT_EQ(probed->fileType, FILE_TYPE_TS);
    EXPECT_EQ(probed->versionText, first->versionText);
    EXPECT_EQ(probed->startTime, first->startTime + 1);
    ExpectCleanForTools(Clip(), true);
}

TEST_F(TSCuttingTest, AJoinContinuesOneFrameStepAfterTheLastPictureAcrossChunkEdges) {
    ItemRef first = Recording(QStringLiteral("a.ts"), Synthetic(3));
    tsrec::TsRecordingSpec later = Synthetic(3);
    later.firstPcrBase += 7 * kSecond;  // its own clock
    ItemRef second = Recording(QStringLiteral("b.ts"), later);
    ASSERT_EQ(Cut({first.get(), second.get()}, Clip(), 0.5, 5.0).result, Cut_OK);
    const std::vector<std::uint8_t> clip = Bytes(Clip());
    ExpectPacketGrid(clip);
    const std::vector<std::int64_t> video = PtsOf(ParseClip(clip), kPidVideo);
    // The end, 5.5 s on the time line, lies 2.54 s into the second.
    ASSERT_EQ(video.size(), 75u + 64u);
    const std::int64_t lastOfFirst = kSourceZero + 74 * kFrame;
    EXPECT_EQ(video[74], lastOfFirst);
    EXPECT_EQ(video[75], lastOfFirst + 3000);
    EXPECT_EQ(video.back(), lastOfFirst + 3000 + 63 * kFrame);
    ExpectCleanForTools(Clip(), false);
    // The read size changes nothing in the clip.
    for (const std::int32_t chunk : {1, 5, 64}) {
        SCOPED_TRACE(chunk);
        const QString other = PathOf(QStringLiteral("chunk%1.ts").arg(chunk));
        ASSERT_EQ(Cut({first.get(), second.get()}, other, 0.5, 5.0, chunk).result, Cut_OK);
        EXPECT_TRUE(Bytes(other) == clip);
    }
}

TEST_F(TSCuttingTest, AStartPastTheFirstRecordingsLastPictureBeginsWithTheNext) {
    ItemRef first = Recording(QStringLiteral("a.ts"), Synthetic(3));
    tsrec::TsRecordingSpec spec = Synthetic(3);
    spec.version = {7, 8, 9};
    ItemRef second = Recording(QStringLiteral("b.ts"), spec);
    // On the time line the first lasts 10 s, but its pictures end before 3 s.
    first->duration = 10;
    ASSERT_EQ(Cut({first.get(), second.get()}, Clip(), 5, 11).result, Cut_OK);
    const std::vector<std::uint8_t> clip = Bytes(Clip());
    ExpectPacketGrid(clip);
    const std::vector<ClipPacket> packets = ParseClip(clip);
    const std::vector<std::int64_t> video = PtsOf(packets, kPidVideo);
    EXPECT_EQ(FirstOf(video), 0);
    EXPECT_EQ(Max(video), kSecond);  // 5 s + 6 s, less the first's 10 s
    // The second's own first log packet, magic and all, is copied as it is.
    const std::vector<std::uint8_t> source = Bytes(second->path);
    const std::size_t sourceLog = FirstOf(PacketsOf(ParseClip(source), kPidLog)).offset;
    const std::size_t clipLog = FirstOf(PacketsOf(packets, kPidLog)).offset;
    EXPECT_EQ(std::memcmp(clip.data() + clipLog + 4, source.data() + sourceLog + 4, 184 - 90), 0);
    EXPECT_EQ(std::memcmp(clip.data() + clipLog + 108, second->header.data(), 16), 0);
    ItemRef probed(new TFileItem(Clip()));
    EXPECT_EQ(probed->versionText, second->versionText);

    // Without a next recording there is nowhere to begin.
    EXPECT_EQ(Cut({first.get()}, PathOf(QStringLiteral("none.ts")), 5, 9).result,
              Err_Cut_FindStartPositionError);
    EXPECT_FALSE(QFile::exists(PathOf(QStringLiteral("none.ts"))));
}

TEST_F(TSCuttingTest, AnUnboundedSpanRunsToTheEndOfTheLastRecording) {
    // A first item without duration leaves the estimate to the selected file sizes.
    ItemRef empty = FakeItem(0, FILE_TYPE_TS);
    ItemRef item = Recording(QStringLiteral("a.ts"), Synthetic(3));
    ASSERT_EQ(Cut({empty.get(), item.get()}, Clip(), 1.5, 1e300).result, Cut_OK);
    // From the key frame at 1.0 s to the last picture at 2.96 s.
    EXPECT_EQ(Max(PtsOf(ParseClip(Bytes(Clip())), kPidVideo)), 49 * kFrame);
}

TEST_F(TSCuttingTest, RecordingsWithoutSoundAreCutToTheSpanOnly) {
    tsrec::TsRecordingSpec spec = Synthetic(5);
    spec.writeAudio = false;
    ItemRef first = Recording(QStringLiteral("a.ts"), spec);
    ItemRef second = Recording(QStringLiteral("b.ts"), spec);
    for (const double start : {0.5, 1.5}) {
        SCOPED_TRACE(start);
        ASSERT_EQ(Cut({first.get(), second.get()}, Clip(), start, start + 1.0).result, Cut_OK);
        const std::vector<ClipPacket> packets = ParseClip(Bytes(Clip()));
        // Within the first second the source's stamps stay; later the key frame at
        // 1.0 s is 0. Either way the end lies at start + 1 s.
        const std::int64_t end = start < 1 ? kSourceZero + 135000 : 135000;
        EXPECT_LE(Max(PtsOf(packets, kPidVideo)), end);
        EXPECT_LE(Max(PtsOf(packets, kPidLog)), end);
        // Nothing of the second recording: its tables would come with its pictures.
        EXPECT_LE(PacketsOf(packets, kPidPat).size(), 3u);
        EXPECT_TRUE(PacketsOf(packets, kPidAudio).empty());
    }
}

namespace {

// Sound PES of three packets each that straddle the tables and the pictures: the
// first packet before them, the rest behind. Each starts 5000 ticks before its
// picture, so the one behind a key frame lies before that frame.
std::vector<std::uint8_t> StraddlingRecording(int frames) {
    tsrec::TsPacketWriter writer;
    tsrec::TsPacketWriter sound;
    const tsrec::TsRecordingSpec spec;
    const auto header = tsrec::MakeLogStreamHeader(tsrec::kLogMagic, 1, 2, 3);
    const std::vector<std::uint8_t> frame(400, 0x11);
    const std::vector<std::uint8_t> key(2400, 0x22);
    const std::vector<std::uint8_t> picture(600, 0x33);
    std::array<std::uint8_t, 188> packet;
    for (int i = 0; i < frames; ++i) {
        const std::uint64_t pcr = 900000 + static_cast<std::uint64_t>(i) * kFrame;
        const std::size_t from = sound.Bytes().size();
        sound.WriteAudioPes(frame.data(), frame.size(), pcr + 18000 - 5000);
        const auto soundPacket = [&](int n) {
            std::memcpy(packet.data(), sound.Bytes().data() + from + n * 188, 188);
            writer.WriteRawPacket(packet);
        };
        soundPacket(0);
        if (i % 25 == 0) {
            writer.WritePat();
            writer.WritePmt();
        }
        writer.WriteVideoPes(i % 25 == 0 ? key : picture, pcr + 18000, pcr, true, i % 25 == 0);
        soundPacket(1);
        soundPacket(2);
        if (i % 5 == 0) {
            const tsrec::TsLogSample sample = tsrec::DefaultLogSample(i / 5, spec);
            if (i == 0) {
                writer.WriteFirstLogPacket(header, sample, pcr + 18000, true);
            } else {
                writer.WriteLogPacket(sample, pcr + 18000);
            }
        }
    }
    return writer.Bytes();
}

}  // namespace

TEST_F(TSCuttingTest, PacketsOfDroppedOrMissingPesAreDroppedWithThem) {
    ASSERT_TRUE(tsrec::WriteFileBytes(PathOf(QStringLiteral("a.ts")), StraddlingRecording(125)));
    ItemRef item(new TFileItem(PathOf(QStringLiteral("a.ts"))));
    ASSERT_EQ(item->fileType, FILE_TYPE_TS);
    for (const std::int32_t chunk : {3, 32767}) {
        SCOPED_TRACE(chunk);
        ASSERT_EQ(Cut({item.get()}, Clip(), 1.5, 3.2, chunk).result, Cut_OK);
        const std::vector<std::uint8_t> clip = Bytes(Clip());
        ExpectPacketGrid(clip);
        ExpectWholePictures(clip, Bytes(item->path), kSourceZero + kSecond);
        const std::vector<std::int64_t> sound = PtsOf(ParseClip(clip), kPidAudio);
        ASSERT_FALSE(sound.empty());
        EXPECT_EQ(sound.front(), 2 * kFrame - 5000);  // the one of the second picture
        EXPECT_LE(Max(sound), 135000 + 2 * kSecond - kSecond);
        EXPECT_EQ(Max(PtsOf(ParseClip(clip), kPidVideo)), 225000 - 225000 % kFrame);
    }
}

namespace {

void PutTime(std::uint8_t* at, std::uint8_t prefix, std::uint64_t value) {
    at[0] = static_cast<std::uint8_t>(prefix | ((value >> 29) & 0x0E));
    at[1] = static_cast<std::uint8_t>(value >> 22);
    at[2] = static_cast<std::uint8_t>(((value >> 14) & 0xFE) | 1);
    at[3] = static_cast<std::uint8_t>(value >> 7);
    at[4] = static_cast<std::uint8_t>((value << 1) | 1);
}

// One picture in one packet whose PES header carries a PTS and a DTS.
std::array<std::uint8_t, 188> PictureWithDts(std::uint64_t pcr, std::uint64_t pts,
                                             std::uint64_t dts, bool key, int counter) {
    std::array<std::uint8_t, 188> p;
    p.fill(0xFF);
    const std::uint8_t head[] = {0x47, 0x50,
                                 0x11, static_cast<std::uint8_t>(0x30 | counter),
                                 7,    static_cast<std::uint8_t>(key ? 0x50 : 0x10)};
    std::memcpy(p.data(), head, sizeof head);
    p[6] = static_cast<std::uint8_t>(pcr >> 25);
    p[7] = static_cast<std::uint8_t>(pcr >> 17);
    p[8] = static_cast<std::uint8_t>(pcr >> 9);
    p[9] = static_cast<std::uint8_t>(pcr >> 1);
    p[10] = static_cast<std::uint8_t>(((pcr & 1) << 7) | 0x7E);
    p[11] = 0;
    const std::uint8_t pes[] = {0, 0, 1, 0xE0, 0, 0, 0x80, 0xC0, 10};
    std::memcpy(p.data() + 12, pes, sizeof pes);
    PutTime(p.data() + 21, 0x31, pts);
    PutTime(p.data() + 26, 0x11, dts);
    const std::uint8_t unit[] = {0, 0, 0, 1, 0x09, 0xF0, 0, 0, 0, 1, 0x0C};
    std::memcpy(p.data() + 31, unit, sizeof unit);
    return p;
}

// Pictures whose decoding runs one frame ahead of their presentation.
std::vector<std::uint8_t> RecordingWithDts(int frames) {
    tsrec::TsPacketWriter writer;
    const tsrec::TsRecordingSpec spec;
    const auto header = tsrec::MakeLogStreamHeader(tsrec::kLogMagic, 1, 2, 3);
    for (int i = 0; i < frames; ++i) {
        const std::uint64_t pcr = 900000 + static_cast<std::uint64_t>(i) * kFrame;
        if (i % 25 == 0) {
            writer.WritePat();
            writer.WritePmt();
        }
        writer.WriteRawPacket(
            PictureWithDts(pcr, pcr + 2 * kFrame, pcr + kFrame, i % 25 == 0, i & 15));
        if (i % 5 == 0) {
            const tsrec::TsLogSample sample = tsrec::DefaultLogSample(i / 5, spec);
            if (i == 0) {
                writer.WriteFirstLogPacket(header, sample, pcr + kFrame, true);
            } else {
                writer.WriteLogPacket(sample, pcr + kFrame);
            }
        }
    }
    return writer.Bytes();
}

}  // namespace

TEST_F(TSCuttingTest, PresentationAndDecodingTimeStampsAreBothRebased) {
    ASSERT_TRUE(tsrec::WriteFileBytes(PathOf(QStringLiteral("a.ts")), RecordingWithDts(100)));
    ItemRef item(new TFileItem(PathOf(QStringLiteral("a.ts"))));
    ASSERT_EQ(item->fileType, FILE_TYPE_TS);
    ASSERT_EQ(Cut({item.get()}, Clip(), 1.5, 3.0).result, Cut_OK);
    const std::vector<std::uint8_t> clip = Bytes(Clip());
    ExpectPacketGrid(clip);
    int pictures = 0;
    for (const ClipPacket& packet : PacketsOf(ParseClip(clip), kPidVideo)) {
        ASSERT_TRUE(packet.pts && packet.dts);
        // The key frame's decoding time is the clip's zero.
        EXPECT_EQ(*packet.dts, pictures * kFrame);
        EXPECT_EQ(*packet.pts, *packet.dts + kFrame);
        EXPECT_EQ(clip[packet.offset + packet.pesAt + 9] >> 4, 3);
        EXPECT_EQ(clip[packet.offset + packet.pesAt + 14] >> 4, 1);
        ++pictures;
    }
    EXPECT_GT(pictures, 40);
    ExpectCleanForTools(Clip(), false);
}

TEST_F(TSCuttingTest, ThePcrPathRebasesTheClockAndEndsAtATableAfterTheEnd) {
    tsrec::TsRecordingSpec spec;
    spec.media = &RealMedia(5);
    ItemRef item = Recording(QStringLiteral("a.ts"), spec);
    item->fileType = FILE_TYPE_TS_PCR;
    ASSERT_EQ(Cut({item.get()}, Clip(), 1.5, 3.0).result, Cut_OK);
    const std::vector<std::uint8_t> clip = Bytes(Clip());
    ExpectPacketGrid(clip);
    const std::vector<ClipPacket> packets = ParseClip(clip);
    EXPECT_EQ(packets[0].pid, kPidPat);
    std::vector<std::int64_t> clock;
    for (const ClipPacket& packet : packets) {
        if (packet.pcr) {
            clock.push_back(*packet.pcr);
        }
    }
    ASSERT_FALSE(clock.empty());
    EXPECT_EQ(clock.front(), 0);  // the key frame at 1.0 s
    EXPECT_TRUE(std::is_sorted(clock.begin(), clock.end()));
    // The end at 1.5 s + 2 s is 2.5 s of clip: it ends before the table that
    // follows the first clock past it, the one before the key frame at 4.0 s.
    EXPECT_EQ(clock.back(), 74 * kFrame);
    const std::vector<std::int64_t> video = PtsOf(packets, kPidVideo);
    EXPECT_EQ(FirstOf(video), 18000);
    EXPECT_EQ(video.size(), 75u);
    ExpectHeaderPacket(clip, *item, SourceRecord(Bytes(item->path), kSourceZero + kSecond));
    ExpectCleanForTools(Clip(), true);
}

TEST_F(TSCuttingTest, AVideoStartWithoutClockReferenceIsCopiedAndShownOnce) {
    tsrec::TsRecordingSpec spec = Synthetic(4);
    spec.pcrStopsAfterFrames = 30;
    ItemRef item = Recording(QStringLiteral("a.ts"), spec);
    platform::MessageBox::ClearRecorded();
    ASSERT_EQ(Cut({item.get()}, Clip(), 0, 1.1).result, Cut_OK);
    const std::vector<platform::RecordedBox> boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Program Error!! \nQuendri cutting voide PTS"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(boxes[0].fromWorker);
    const std::vector<std::uint8_t> clip = Bytes(Clip());
    ExpectPacketGrid(clip);
    // Their PTS still decide the end.
    EXPECT_EQ(Max(PtsOf(ParseClip(clip), kPidVideo)), kSourceZero + 2 * kSecond);
}

TEST_F(TSCuttingTest, FailuresOfWritingReadingAndStoppingGiveTheirCodes) {
    ItemRef item = Recording(QStringLiteral("a.ts"), Synthetic(3));
    const auto run = [&](double start, CutOptions options = {}) {
        options.start = start;
        options.end = start + 1.0;
        return RunCutter(TSCutting, {item.get()}, options).result;
    };
    // A failed write is a failure, never success, on both ways of starting.
    EXPECT_EQ(run(0.5, {.readOnlyOutput = true}), Err_Cut_OpenDestFileError);
    EXPECT_EQ(run(1.5, {.readOnlyOutput = true}), Err_Cut_OpenDestFileError);
    EXPECT_EQ(run(1.5, {.stopBeforeStart = true}), Err_Cut_Interrupt);
    // Gone after the probe.
    const QString path = item->path;
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(run(1.5), Err_Cut_OpenSrcFileErrorr);
    // Emptied after the probe: nothing is left to read, whatever the start.
    ASSERT_TRUE(tsrec::WriteFileBytes(path, {}));
    EXPECT_EQ(run(1.5), Err_Cut_ReadSrcFileError);
    EXPECT_EQ(run(0.5), Err_Cut_ReadSrcFileError);
}

TEST_F(TSCuttingTest, TruncatedAndDamagedRecordingsAreCutWithoutHarm) {
    ItemRef whole = Recording(QStringLiteral("a.ts"), Synthetic(4));
    const std::vector<std::uint8_t> source = Bytes(whole->path);
    std::mt19937 random(20240607);
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::uint8_t> bytes = source;
        // Cut off anywhere, then overwrite a stretch with noise, or break fields the
        // cutter rewrites: adaptation lengths, PES headers, log packets.
        bytes.resize(bytes.size() / 2 + random() % (bytes.size() / 2));
        const std::size_t packets = bytes.size() / 188;
        for (int hit = 0; hit < 40; ++hit) {
            const std::size_t at = (packets / 4 + random() % (packets * 3 / 4)) * 188;
            if (at + 188 > bytes.size()) {
                continue;
            }
            switch (round % 4) {
                case 0:
                    bytes[at + 4 + random() % 184] = static_cast<std::uint8_t>(random());
                    break;
                case 1:
                    bytes[at + 4] = static_cast<std::uint8_t>(180 + random() % 76);
                    break;
                case 2:
                    bytes[at + 3] |= 0x20;
                    bytes[at + 1] |= 0x40;
                    break;
                default:
                    std::memset(bytes.data() + at, static_cast<int>(random()), 188);
                    break;
            }
        }
        const QString path = PathOf(QStringLiteral("damaged.ts"));
        ASSERT_TRUE(tsrec::WriteFileBytes(path, bytes));
        whole->path = path;
        for (const double start : {0.2, 1.3, 2.7}) {
            const CutOutput cut =
                RunCutter(TSCutting, {whole.get()}, {.start = start, .end = start + 2.0});
            EXPECT_TRUE(cut.result == Cut_OK || cut.result == Err_Cut_FindStartPositionError ||
                        cut.result == Err_Cut_ReadSrcFileError)
                << cut.result;
            if (cut.result == Cut_OK) {
                EXPECT_EQ(cut.clip.size() % 188, 0u);
            }
        }
    }
}
