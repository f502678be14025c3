#include "RecordingFixture.h"

#include "platform/MessageBox.h"
#include "support/DebugCapture.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <random>
#include <thread>
#include <vector>

using tsrec::TsRecordingSpec;

namespace {

constexpr std::int64_t kSmallBlock = 16 * tsrec::kPacketSize;

RecordingReadLimits SmallBlocks() {
    RecordingReadLimits limits;
    limits.blockBytes = kSmallBlock;
    return limits;
}

// The probe fails with `text` in its log line and leaves a non-recording.
void ExpectProbeFailure(const QString& path, const char* text,
                        const RecordingReadLimits& limits = {}) {
    DebugCapture capture;
    ItemRef item = ProbeItem(path, limits);
    EXPECT_EQ(item->fileType, FILE_TYPE_NONE);
    EXPECT_TRUE(item->path.isEmpty());
    EXPECT_TRUE(capture.Contains(QStringLiteral(";Exception:%1 ").arg(QString::fromLatin1(text))))
        << text << "\n"
        << capture.Lines().join(QLatin1Char('\n')).toStdString();
}

// A recording whose packets are patched before it is written.
std::vector<std::uint8_t> Recording(const TsRecordingSpec& spec = {}) {
    return tsrec::BuildTsRecording(spec);
}

std::size_t FirstPacket(const std::vector<std::uint8_t>& bytes, std::uint16_t pid) {
    const auto offsets = tsrec::PacketOffsets(bytes, pid);
    EXPECT_FALSE(offsets.empty());
    return offsets.empty() ? 0 : offsets.front();
}

std::vector<const void*> destroyedPlayers;
std::vector<bool> destroyedOnGuiThread;

void RecordDestroyedPlayer(DShowPlayer* player) {
    destroyedPlayers.push_back(player);
    destroyedOnGuiThread.push_back(QThread::currentThread() ==
                                   QCoreApplication::instance()->thread());
}

DShowPlayer* FakePlayer() {
    return reinterpret_cast<DShowPlayer*>(std::uintptr_t{0x1000});
}

}  // namespace

using FileItemProbe = RecordingTest;

TEST_F(FileItemProbe, ReadsTheRecordersLayout) {
    TsRecordingSpec spec;
    spec.durationSeconds = 2.0;  // 50 pictures: PCRs 0 .. 49 x 3600
    spec.startTime = 1700000000;
    const QString path = Write(QStringLiteral("a.ts"), spec);
    ItemRef item = ProbeItem(path);
    EXPECT_EQ(item->fileType, FILE_TYPE_TS);
    EXPECT_EQ(item->path, path);
    EXPECT_EQ(item->flags, 0u);
    EXPECT_DOUBLE_EQ(item->duration, 49 / 25.0);
    EXPECT_EQ(item->startTime, 1700000000u);
    EXPECT_EQ(item->GetStartTimeText(), QStringLiteral("23/11/14 22:13:20"));
    EXPECT_EQ(item->versionText, QStringLiteral("  1. 0.12"));
    const std::array<std::uint32_t, 5> pids = {0x100, 0x1011, 0x1011, 0x1100, 0x1600};
    EXPECT_EQ(item->pids, pids);
    EXPECT_EQ(item->header, tsrec::MakeLogStreamHeader(tsrec::kLogMagic, 1, 0, 12));
    EXPECT_EQ(item->logState.load(), LOG_NOT_READ);
    EXPECT_EQ(item->log.count, 0u);
    EXPECT_EQ(item->player, nullptr);
}

TEST_F(FileItemProbe, VersionStartTimeAndFlagsEdges) {
    TsRecordingSpec spec;
    spec.version = {123, 200, 7};
    spec.startTime = 0xFFFFFFFF;
    const QString path = Write(QStringLiteral("b.ts"), spec);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    ItemRef item = ProbeItem(path);
    EXPECT_EQ(item->versionText, QStringLiteral(" 123.200."));  // cut to 9 characters
    EXPECT_EQ(item->GetStartTimeText(), QStringLiteral("06/02/07 06:28:15"));  // 2106, UTC
    EXPECT_EQ(item->flags, std::uint32_t{FILE_ITEM_READ_ONLY});

    // A first log packet without adaptation field: no header, start time 0.
    spec.firstLogPacketHasAdaptationField = false;
    ItemRef plain = ProbeItem(Write(QStringLiteral("c.ts"), spec));
    EXPECT_EQ(plain->fileType, FILE_TYPE_TS);
    EXPECT_EQ(plain->startTime, 0u);
    EXPECT_EQ(plain->GetStartTimeText(), QStringLiteral("70/01/01 00:00:00"));
    EXPECT_TRUE(plain->versionText.isEmpty());
    EXPECT_EQ(plain->header, (std::array<std::uint8_t, 16>{}));
}

TEST_F(FileItemProbe, KeepsLongPathsWhole) {
    QString folder = PathOf(QString());
    for (int i = 0; i < 4; ++i) {
        folder += QLatin1Char('/') + QString(80, QLatin1Char('d' + i));
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/recording.ts");
    ASSERT_GT(path.size(), 300);
    ASSERT_TRUE(tsrec::WriteTsRecording(path, TsRecordingSpec{}));
    ItemRef item = ProbeItem(path);
    EXPECT_EQ(item->fileType, FILE_TYPE_TS);
    EXPECT_EQ(item->path, path);
}

TEST_F(FileItemProbe, ShortAndTruncatedFiles) {
    // One picture: the only PCR is the first one.
    TsRecordingSpec one;
    one.durationSeconds = 1 / 25.0;
    one.logSampleCount = 1;
    ItemRef single = ProbeItem(Write(QStringLiteral("one.ts"), one));
    EXPECT_EQ(single->fileType, FILE_TYPE_TS);
    EXPECT_EQ(single->duration, 0.0);

    // A trailing part of a packet is ignored in a file shorter than a block.
    std::vector<std::uint8_t> bytes = Recording();
    bytes.resize(bytes.size() + 100, 0x47);
    ItemRef cut = ProbeItem(WriteBytes(QStringLiteral("cut.ts"), bytes));
    EXPECT_EQ(cut->fileType, FILE_TYPE_TS);
    EXPECT_DOUBLE_EQ(cut->duration, 49 / 25.0);
}

TEST_F(FileItemProbe, EveryFailureHasItsText) {
    ExpectProbeFailure(PathOf(QStringLiteral("missing.ts")), "Open fil Error");
    ExpectProbeFailure(WriteBytes(QStringLiteral("empty.ts"), {}), "Only support TS File");
    ExpectProbeFailure(WriteBytes(QStringLiteral("text.ts"), std::vector<std::uint8_t>(400, 'x')),
                       "Only support TS File");
    ExpectProbeFailure(WriteBytes(QStringLiteral("dir.ts"), {}) + QStringLiteral("/"),
                       "Open fil Error");

    TsRecordingSpec spec;
    spec.writePat = false;
    ExpectProbeFailure(Write(QStringLiteral("nopat.ts"), spec), " program list is not find.");
    spec = {};
    spec.writePmt = false;
    ExpectProbeFailure(Write(QStringLiteral("nopmt.ts"), spec), " PMT is not find.");
    spec = {};
    spec.pmtStreamPids = {0x1011, 0x1100, 0x1601};
    ExpectProbeFailure(Write(QStringLiteral("pids.ts"), spec), " PID is not equal to define.");
    spec = {};
    spec.writePcr = false;
    ExpectProbeFailure(Write(QStringLiteral("nopcr.ts"), spec), " PCR is not find.");
    spec = {};
    spec.writeLog = false;
    ExpectProbeFailure(Write(QStringLiteral("nolog.ts"), spec), " PID is not equal to define.");
    spec = {};
    spec.magic = 0x18168829;
    ExpectProbeFailure(Write(QStringLiteral("magic.ts"), spec), "Model magicF is not find.");

    // Also a type-0 item releases cleanly and never held a log block.
    ItemRef failed = ProbeItem(PathOf(QStringLiteral("missing.ts")));
    EXPECT_EQ(failed->log.block, nullptr);
}

TEST_F(FileItemProbe, PmtPidOtherThan0x100IsKeptAndRefused) {
    TsRecordingSpec spec;
    spec.pmtPidInPat = 0x101;
    const QString path = Write(QStringLiteral("pmt.ts"), spec);
    ExpectProbeFailure(path, " AM_PMT_PID is not equal.");
    ItemRef item = ProbeItem(path);
    EXPECT_EQ(item->pids[PID_PMT], 0x101u);
}

TEST_F(FileItemProbe, HostileLengthsStayInsideThePacket) {
    const std::vector<std::uint8_t> good = Recording();
    const std::size_t pmt = FirstPacket(good, tsrec::kPidPmt);
    const std::size_t log = FirstPacket(good, tsrec::kPidLog);

    std::vector<std::uint8_t> bytes = good;
    bytes[pmt + 16] = 0xFF;  // program info running past the packet
    ExpectProbeFailure(WriteBytes(QStringLiteral("info.ts"), bytes),
                       " PID is not equal to define.");

    bytes = good;
    bytes[pmt + 17 + 4] = 0xFF;  // first stream's info length
    ExpectProbeFailure(WriteBytes(QStringLiteral("es.ts"), bytes), " PID is not equal to define.");

    bytes = good;
    bytes[pmt + 16] = 166 - 17;  // third entry would end at byte 190
    ExpectProbeFailure(WriteBytes(QStringLiteral("edge.ts"), bytes),
                       " PID is not equal to define.");

    bytes = good;
    bytes[log + 4] = 183;  // the PES would start behind the packet
    ExpectProbeFailure(WriteBytes(QStringLiteral("af.ts"), bytes), "Model magicF is not find.");

    bytes = good;
    bytes[log + 4] = 255;
    ExpectProbeFailure(WriteBytes(QStringLiteral("af255.ts"), bytes), "Model magicF is not find.");

    bytes = good;
    bytes[log + 94 + 8] = 0xFF;  // PES header data length
    ExpectProbeFailure(WriteBytes(QStringLiteral("pes.ts"), bytes), "Model magicF is not find.");

    bytes = good;
    bytes[log + 94 + 8] = 5 + 60;  // header fits, start time behind it does not
    ExpectProbeFailure(WriteBytes(QStringLiteral("pes2.ts"), bytes), "Model magicF is not find.");
}

TEST_F(FileItemProbe, PcrNeedsAnAdaptationFieldThatHoldsIt) {
    TsRecordingSpec spec;
    spec.pcrStopsAfterFrames = 1;
    std::vector<std::uint8_t> bytes = Recording(spec);
    const std::size_t video = FirstPacket(bytes, tsrec::kPidVideo);
    ASSERT_EQ(bytes[video + 5] & 0x10, 0x10);
    bytes[video + 4] = 1;  // PCR flag set, but only a flags byte
    ExpectProbeFailure(WriteBytes(QStringLiteral("short.ts"), bytes), " PCR is not find.");
}

TEST_F(FileItemProbe, ClockWrapAndBackwardClock) {
    // The 32-bit view of the clock wraps half-way: still a forward step.
    TsRecordingSpec spec;
    spec.firstPcrBase = 0xFFFFFFFFull - 45000;
    ItemRef wrapped = ProbeItem(Write(QStringLiteral("wrap.ts"), spec));
    EXPECT_EQ(wrapped->fileType, FILE_TYPE_TS);
    EXPECT_NEAR(wrapped->duration, 49 / 25.0, 1e-4);

    // A last PCR before the first one gives no negative duration.
    tsrec::TsPacketWriter writer;
    writer.WritePat();
    writer.WritePmt();
    const std::vector<std::uint8_t> picture(300, 0xAB);
    writer.WriteVideoPes(picture, 100000, 90000 * 20, true, true);
    writer.WriteFirstLogPacket(tsrec::MakeLogStreamHeader(tsrec::kLogMagic, 1, 2, 3),
                               tsrec::TsLogSample{}, 100000, true);
    writer.WriteVideoPes(picture, 100000, 90000 * 10, true, false);
    ExpectProbeFailure(WriteBytes(QStringLiteral("back.ts"), writer.Bytes()),
                       " PCR2 is not valid.");
}

TEST_F(FileItemProbe, MultiBlockFiles) {
    // PAT and PMT in block 1, the first PCR and the first log packet in block 3.
    TsRecordingSpec spec;
    spec.leadingNullPackets = 40;
    ItemRef late = ProbeItem(Write(QStringLiteral("late.ts"), spec), SmallBlocks());
    EXPECT_EQ(late->fileType, FILE_TYPE_TS);
    EXPECT_DOUBLE_EQ(late->duration, 49 / 25.0);
    EXPECT_EQ(late->startTime, spec.startTime);

    // The log starts a second in, many blocks after the first PCR.
    spec = {};
    spec.logStartSeconds = 1.0;
    spec.startTime = 1600000000;
    ItemRef lateLog = ProbeItem(Write(QStringLiteral("latelog.ts"), spec), SmallBlocks());
    EXPECT_EQ(lateLog->fileType, FILE_TYPE_TS);
    EXPECT_EQ(lateLog->startTime, 1600000000u);

    // The last PCR lies several blocks before the tail block.
    spec = {};
    spec.trailingNullPackets = 3 * 16 + 5;
    ItemRef tail = ProbeItem(Write(QStringLiteral("tail.ts"), spec), SmallBlocks());
    EXPECT_EQ(tail->fileType, FILE_TYPE_TS);
    EXPECT_DOUBLE_EQ(tail->duration, 49 / 25.0);
}

TEST_F(FileItemProbe, BackwardSearchCoversTheStartOfTheFile) {
    // 24 packets with blocks of 16: the tail block holds packets 8..23 and no PCR;
    // the last PCR is in packets 0..7, before any whole earlier block.
    tsrec::TsPacketWriter writer;
    writer.WritePat();
    writer.WritePmt();
    const std::vector<std::uint8_t> picture(100, 0xAB);
    writer.WriteVideoPes(picture, 1000, 90000, true, true);
    writer.WriteFirstLogPacket(tsrec::MakeLogStreamHeader(tsrec::kLogMagic, 1, 2, 3),
                               tsrec::TsLogSample{}, 1000, true);
    writer.WriteVideoPes(picture, 1000, 90000 + 2 * 90000, true, false);
    writer.WriteNullPackets(24 - 5);
    ASSERT_EQ(writer.Bytes().size(), 24u * 188);
    ItemRef item = ProbeItem(WriteBytes(QStringLiteral("start.ts"), writer.Bytes()), SmallBlocks());
    EXPECT_EQ(item->fileType, FILE_TYPE_TS);
    EXPECT_DOUBLE_EQ(item->duration, 2.0);
}

TEST_F(FileItemProbe, BlockSizedFilesMustEndOnAPacket) {
    TsRecordingSpec spec;
    spec.durationSeconds = 1.0;
    std::vector<std::uint8_t> bytes = Recording(spec);
    ASSERT_GT(bytes.size(), static_cast<std::size_t>(kSmallBlock));
    bytes.push_back(0x47);
    ExpectProbeFailure(WriteBytes(QStringLiteral("odd.ts"), bytes), "TS File is fail",
                       SmallBlocks());
}

TEST_F(FileItemProbe, ProductionBlocks) {
    // Larger than one block of 65,535 packets, with the last PCR before the tail block.
    TsRecordingSpec spec;
    spec.durationSeconds = 10.0;
    spec.syntheticFrameBytes = 60000;
    spec.trailingNullPackets = 70000;
    const QString path = Write(QStringLiteral("big.ts"), spec);
    ASSERT_GT(QFileInfo(path).size(), 2 * kTsBlockBytes);
    ItemRef item = ProbeItem(path);
    EXPECT_EQ(item->fileType, FILE_TYPE_TS);
    EXPECT_DOUBLE_EQ(item->duration, 249 / 25.0);

    std::vector<std::uint8_t> bytes = tsrec::ReadFileBytes(path);
    bytes.push_back(0);
    ExpectProbeFailure(WriteBytes(QStringLiteral("big-odd.ts"), bytes), "TS File is fail");
}

TEST_F(FileItemProbe, SizeLimit) {
    const QString path = Write(QStringLiteral("limit.ts"), TsRecordingSpec{});
    platform::MessageBox::ClearRecorded();
    // Exactly the limit: probed (the sparse tail of zeros is no packet).
    Resize(path, kMaxRecordingSize);
    ExpectProbeFailure(path, "TS File is fail");
    EXPECT_TRUE(platform::MessageBox::Recorded().empty());

    Resize(path, kMaxRecordingSize + 1);
    ExpectProbeFailure(path, "Open fil Error");
    const auto boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("File is greater 2GB. This Program is not supported"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes[0].flags, std::uint32_t{platform::MB_OK});
}

TEST_F(FileItemProbe, MutatedRecordingsNeverReadOutsideTheBuffer) {
    TsRecordingSpec spec;
    spec.durationSeconds = 0.4;
    spec.syntheticFrameBytes = 100;
    const std::vector<std::uint8_t> good = Recording(spec);
    std::mt19937 random(1234);
    const QString path = PathOf(QStringLiteral("mutated.ts"));
    DebugCapture quiet;
    for (int round = 0; round < 150; ++round) {
        std::vector<std::uint8_t> bytes = good;
        const int changes = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < changes; ++i) {
            // Mostly the header bytes of the first packets, where the lengths are.
            const std::size_t packet = random() % 12;
            const std::size_t offset = packet * 188 + random() % 24;
            bytes[std::min(offset, bytes.size() - 1)] = static_cast<std::uint8_t>(random());
        }
        if (round % 5 == 0) {
            bytes.resize(random() % bytes.size());
        }
        ASSERT_TRUE(tsrec::WriteFileBytes(path, bytes));
        ItemRef item = ProbeItem(path, round % 2 == 0 ? SmallBlocks() : RecordingReadLimits{});
        EXPECT_TRUE(item->fileType == FILE_TYPE_NONE || item->fileType == FILE_TYPE_TS);
        EXPECT_GE(item->duration, 0.0);
    }
}

TEST_F(FileItemProbe, DurationMatchesFfprobeForEncodedMedia) {
    tsrec::TestMediaParams params;
    params.seconds = 3.0;
    const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
    ASSERT_FALSE(media.h264.empty());
    TsRecordingSpec spec;
    spec.media = &media;
    const QString path = Write(QStringLiteral("real.ts"), spec);
    ItemRef item = ProbeItem(path);
    ASSERT_EQ(item->fileType, FILE_TYPE_TS);
    const tsrec::FfprobeReport report = tsrec::RunFfprobe(path);
    ASSERT_TRUE(report.ran) << report.errors.toStdString();
    EXPECT_TRUE(report.errors.isEmpty()) << report.errors.toStdString();
    EXPECT_EQ(report.codecNames, (QStringList{"h264", "aac", "bin_data"}));
    EXPECT_EQ(report.codecTypes, (QStringList{"video", "audio", "data"}));
    // Ours runs from the first to the last PCR; ffprobe adds the last picture's time.
    EXPECT_NEAR(item->duration, report.duration, 0.1);
    EXPECT_DOUBLE_EQ(item->duration, 74 / 25.0);
}

using FileItemLifetime = RecordingTest;

TEST_F(FileItemLifetime, LastReleaseTearsDownOnTheGuiThread) {
    destroyedPlayers.clear();
    destroyedOnGuiThread.clear();
    TFileItem::SetPlayerDestroyer(RecordDestroyedPlayer);
    const QString path = Write(QStringLiteral("a.ts"), TsRecordingSpec{});

    auto* here = new TFileItem(path);
    here->player = FakePlayer();
    ASSERT_TRUE(AllocateSensorLog(here->log, 100));
    here->AddRef();
    EXPECT_EQ(here->Release(), 1);
    EXPECT_TRUE(destroyedPlayers.empty());
    EXPECT_EQ(here->Release(), 0);
    ASSERT_EQ(destroyedPlayers.size(), 1u);
    EXPECT_TRUE(destroyedOnGuiThread[0]);

    // The last release on a worker only queues the teardown.
    auto* there = new TFileItem(path);
    there->player = FakePlayer();
    std::int32_t count = -1;
    std::thread worker([&] { count = there->Release(); });
    worker.join();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(destroyedPlayers.size(), 1u);
    ASSERT_TRUE(ProcessEventsUntil([] { return destroyedPlayers.size() == 2; }));
    EXPECT_TRUE(destroyedOnGuiThread[1]);
    TFileItem::SetPlayerDestroyer(nullptr);

    // Without a destroyer there is no player library: the item still goes.
    auto* plain = new TFileItem(path);
    plain->player = FakePlayer();
    EXPECT_EQ(plain->Release(), 0);
    EXPECT_EQ(destroyedPlayers.size(), 2u);
}

TEST_F(FileItemLifetime, ReferenceCountsAreAtomic) {
    auto* item = new TFileItem(Write(QStringLiteral("a.ts"), TsRecordingSpec{}));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([item] {
            for (int i = 0; i < 20000; ++i) {
                item->AddRef();
                item->Release();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(item->Release(), 0);
}
