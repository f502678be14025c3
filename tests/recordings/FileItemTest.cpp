#include "RecordingFixture.h"

#include "platform/MessageBox.h"
#include "support/DebugCapture.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <sys/stat.h>

#include <random>
#include <thread>
#include <vector>

using namespace recordings;

namespace {

constexpr std::uint32_t kStart = 1700000000;  // the writer's default start time

// The probe fails with `text` in its log line and leaves a non-recording.
void ExpectProbeFailure(const QString& path, const char* text,
                        const RecordingReadLimits& limits = {}) {
    DebugCapture capture;
    ItemRef item = ProbeItem(path, limits);
    EXPECT_EQ(item->fileType, FILE_TYPE_NONE) << text;
    EXPECT_TRUE(item->path.isEmpty());
    EXPECT_TRUE(capture.Contains(QStringLiteral(";Exception:%1 ").arg(QString::fromLatin1(text))))
        << text << "\n"
        << capture.Lines().join(QLatin1Char('\n')).toStdString();
}

std::size_t FirstPacket(const std::vector<std::uint8_t>& bytes, std::uint16_t pid) {
    return tsrec::PacketOffsets(bytes, pid).at(0);
}

// PAT, PMT, a picture with the first PCR, the first log packet, a picture with
// `lastPcr`, then `nulls` null packets.
std::vector<std::uint8_t> HandMade(std::uint64_t firstPcr, std::uint64_t lastPcr, int nulls) {
    tsrec::TsPacketWriter writer;
    writer.WritePat();
    writer.WritePmt();
    const std::vector<std::uint8_t> picture(100, 0xAB);
    writer.WriteVideoPes(picture, 1000, firstPcr, true, true);
    writer.WriteFirstLogPacket(tsrec::MakeLogStreamHeader(tsrec::kLogMagic, 1, 2, 3),
                               tsrec::DefaultLogSample(0, {}), 1000, true);
    writer.WriteVideoPes(picture, 1000, lastPcr, true, false);
    writer.WriteNullPackets(nulls);
    return writer.Bytes();
}

std::vector<bool> teardownsOnGuiThread;  // one per destroyed player

void RecordDestroyedPlayer(DShowPlayer*) {
    teardownsOnGuiThread.push_back(QThread::currentThread() ==
                                   QCoreApplication::instance()->thread());
}

}  // namespace

using FileItemProbe = RecordingTest;

TEST_F(FileItemProbe, ReadsTheLayoutAndTheHeaderEdges) {
    const QString path = Write("a.ts");
    ItemRef item = ProbeItem(path);
    EXPECT_EQ(item->fileType, FILE_TYPE_TS);
    EXPECT_EQ(item->path, path);
    EXPECT_EQ(item->flags, 0u);
    EXPECT_DOUBLE_EQ(item->duration, 49 / 25.0);  // 50 pictures: PCRs 0 .. 49 x 3600
    EXPECT_EQ(item->GetStartTimeText(), QStringLiteral("23/11/14 22:13:20"));
    EXPECT_EQ(item->versionText, QStringLiteral("  1. 0.12"));
    EXPECT_EQ(item->pids, (std::array<std::uint32_t, 5>{0x100, 0x1011, 0x1011, 0x1100, 0x1600}));
    EXPECT_EQ(item->header, tsrec::MakeLogStreamHeader(tsrec::kLogMagic, 1, 0, 12));
    EXPECT_EQ(item->logState.load(), LOG_NOT_READ);

    // At a path of over 300 characters, kept whole; read-only; version bytes
    // over 99 cut to 9 characters; the last second of 2106.
    const QString folder = PathOf("") + QString(150, QLatin1Char('d')) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(folder + QString(150, QLatin1Char('e'))));
    const QString longPath = folder + QString(150, QLatin1Char('e')) + QStringLiteral("/r.ts");
    ASSERT_TRUE(
        tsrec::WriteTsRecording(longPath, {.startTime = 0xFFFFFFFF, .version = {123, 200, 7}}));
    ASSERT_TRUE(QFile::setPermissions(longPath, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    ItemRef edges = ProbeItem(longPath);
    EXPECT_EQ(edges->path, longPath);
    EXPECT_EQ(edges->flags, std::uint32_t{FILE_ITEM_READ_ONLY});
    EXPECT_EQ(edges->versionText, QStringLiteral(" 123.200."));
    EXPECT_EQ(edges->GetStartTimeText(), QStringLiteral("06/02/07 06:28:15"));

    // A first log packet without adaptation field: no header, start time 0.
    ItemRef plain = Probe("plain.ts", {.firstLogPacketHasAdaptationField = false});
    EXPECT_EQ(plain->fileType, FILE_TYPE_TS);
    EXPECT_EQ(plain->GetStartTimeText(), QStringLiteral("70/01/01 00:00:00"));
    EXPECT_TRUE(plain->versionText.isEmpty());
    EXPECT_EQ(plain->header, (std::array<std::uint8_t, 16>{}));
}

TEST_F(FileItemProbe, DurationsOfShortWrappedAndMultiBlockFiles) {
    std::vector<std::uint8_t> partial = tsrec::BuildTsRecording({});
    partial.resize(partial.size() + 100, 0x47);
    const struct {
        QString path;
        double duration;
        RecordingReadLimits limits = {};
    } cases[] = {
        // The only PCR is the first one.
        {Write("one.ts", {.durationSeconds = 1 / 25.0, .logSampleCount = 1}), 0},
        // A trailing part of a packet in a file shorter than a block is ignored.
        {WriteBytes("partial.ts", partial), 49 / 25.0},
        // The 32-bit view of the clock wraps half-way: still a forward step.
        {Write("wrap.ts", {.firstPcrBase = 0xFFFFFFFFull - 45000}), 49 / 25.0},
        // PAT and PMT in block 1, the first PCR and the first log packet in block 3.
        {Write("late.ts", {.leadingNullPackets = 40}), 49 / 25.0, SmallBlocks()},
        // The log starts a second in, many blocks after the first PCR.
        {Write("latelog.ts", {.logStartSeconds = 1.0}), 49 / 25.0, SmallBlocks()},
        // The last PCR lies several blocks before the tail block.
        {Write("tail.ts", {.trailingNullPackets = 53}), 49 / 25.0, SmallBlocks()},
        // 24 packets: the tail block (packets 8..23) holds no PCR, and the last one
        // is in packets 0..7, before any whole earlier block.
        {WriteBytes("start.ts", HandMade(90000, 3 * 90000, 19)), 2.0, SmallBlocks()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        ItemRef item = ProbeItem(c.path, c.limits);
        EXPECT_EQ(item->fileType, FILE_TYPE_TS);
        EXPECT_NEAR(item->duration, c.duration, 1e-4);
        EXPECT_EQ(item->startTime, kStart);
    }
}

TEST_F(FileItemProbe, EveryFailureHasItsText) {
    const std::vector<std::uint8_t> good = tsrec::BuildTsRecording({});
    const std::size_t pmt = FirstPacket(good, tsrec::kPidPmt);
    const std::size_t log = FirstPacket(good, tsrec::kPidLog);
    const std::size_t pesLength = log + 94 + 8;  // the first log packet's PES header length
    const auto patched = [&](const char* name, std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes[at] = value;
        return WriteBytes(name, bytes);
    };
    std::vector<std::uint8_t> shortPcr = tsrec::BuildTsRecording({.pcrStopsAfterFrames = 1});
    shortPcr[FirstPacket(shortPcr, tsrec::kPidVideo) + 4] = 1;  // PCR flag, but no room for it
    std::vector<std::uint8_t> odd = tsrec::BuildTsRecording({.durationSeconds = 1.0});
    ASSERT_GT(odd.size(), static_cast<std::size_t>(SmallBlocks().blockBytes));
    odd.push_back(0x47);
    ASSERT_EQ(::mkfifo(PathOf("fifo.ts").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(PathOf("folder.ts")));
    const QString pmtPid = Write("pmtpid.ts", {.pmtPidInPat = 0x101});

    const struct {
        const char* text;
        QString path;
        RecordingReadLimits limits = {};
    } cases[] = {
        {"Open fil Error", PathOf("missing.ts")},
        {"Open fil Error", PathOf("folder.ts")},
        {"Open fil Error", PathOf("fifo.ts")},
        {"Only support TS File", WriteBytes("empty.ts", {})},
        {"Only support TS File", WriteBytes("text.ts", std::vector<std::uint8_t>(400, 'x'))},
        {" program list is not find.", Write("nopat.ts", {.writePat = false})},
        {" AM_PMT_PID is not equal.", pmtPid},
        {" PMT is not find.", Write("nopmt.ts", {.writePmt = false})},
        {" PID is not equal to define.",
         Write("pids.ts", {.pmtStreamPids = {0x1011, 0x1100, 0x1601}})},
        // Hostile PMT lengths: program info, first stream info, a third entry
        // that would end at byte 190.
        {" PID is not equal to define.", patched("info.ts", pmt + 16, 0xFF)},
        {" PID is not equal to define.", patched("es.ts", pmt + 17 + 4, 0xFF)},
        {" PID is not equal to define.", patched("edge.ts", pmt + 16, 166 - 17)},
        {" PCR is not find.", Write("nopcr.ts", {.writePcr = false})},
        {" PCR is not find.", WriteBytes("shortpcr.ts", shortPcr)},
        {" PID is not equal to define.", Write("nolog.ts", {.writeLog = false})},
        {"Model magicF is not find.", Write("magic.ts", {.magic = 0x18168829})},
        // Hostile log-packet lengths: the PES behind the packet, the PES header
        // data past it, the start time behind the header past it.
        {"Model magicF is not find.", patched("af183.ts", log + 4, 183)},
        {"Model magicF is not find.", patched("af255.ts", log + 4, 255)},
        {"Model magicF is not find.", patched("pes.ts", pesLength, 0xFF)},
        {"Model magicF is not find.", patched("pes65.ts", pesLength, 5 + 60)},
        {" PCR2 is not valid.", WriteBytes("back.ts", HandMade(20 * 90000, 10 * 90000, 0))},
        {"TS File is fail", WriteBytes("odd.ts", odd), SmallBlocks()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        ExpectProbeFailure(c.path, c.text, c.limits);
    }
    DebugCapture quiet;
    EXPECT_EQ(ProbeItem(pmtPid)->pids[PID_PMT], 0x101u);  // kept as read
}

TEST_F(FileItemProbe, ProductionBlocks) {
    // Over two blocks of 65,535 packets, the last PCR before the tail block.
    std::vector<std::uint8_t> bytes = tsrec::BuildTsRecording(
        {.durationSeconds = 10.0, .syntheticFrameBytes = 60000, .trailingNullPackets = 70000});
    ASSERT_GT(static_cast<std::int64_t>(bytes.size()), 2 * kTsBlockBytes);
    EXPECT_DOUBLE_EQ(ProbeItem(WriteBytes("big.ts", bytes))->duration, 249 / 25.0);
    bytes.push_back(0);
    ExpectProbeFailure(WriteBytes("big-odd.ts", bytes), "TS File is fail");
}

// The probe reads outward from each end in small blocks that grow: with the
// program's block it meets the packets whole blocks would, in their order.
TEST_F(FileItemProbe, SmallBlocksFromEachEndFindWhatWholeBlocksFind) {
    // 65,535 nulls after HandMade's five packets: a file of one block and 24
    // packets, where the last PCR lies only in those first 24.
    std::vector<std::uint8_t> head = HandMade(90000, 3 * 90000, 65535 + 19);
    std::vector<std::uint8_t> headOdd = head;
    headOdd.resize(headOdd.size() + 100, 0x47);
    const struct {
        QString path;
        double duration;  // negative: the probe fails with "TS File is fail"
    } cases[] = {
        // The last PCR 3.7 MB before the end: many growing blocks back.
        {Write("far.ts", {.trailingNullPackets = 20000}), 49 / 25.0},
        // The first log packet half a megabyte in.
        {Write("latelog.ts", {.syntheticFrameBytes = 20000, .logStartSeconds = 1.0}), 49 / 25.0},
        {WriteBytes("head.ts", head), 2.0},
        // The end's packet grid does not meet a packet there.
        {WriteBytes("headodd.ts", headOdd), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        if (c.duration < 0) {
            ExpectProbeFailure(c.path, "TS File is fail");
            continue;
        }
        ItemRef item = ProbeItem(c.path);
        EXPECT_EQ(item->fileType, FILE_TYPE_TS);
        EXPECT_NEAR(item->duration, c.duration, 1e-4);
        EXPECT_EQ(item->startTime, kStart);
    }
}

TEST_F(FileItemProbe, SizeLimit) {
    const QString path = Write("limit.ts");
    platform::MessageBox::ClearRecorded();
    Resize(path, kMaxRecordingSize);  // accepted: probed (a sparse tail of zeros is no packet)
    ExpectProbeFailure(path, "TS File is fail");
    EXPECT_TRUE(platform::MessageBox::Recorded().empty());
    Resize(path, kMaxRecordingSize + 1);
    ExpectProbeFailure(path, "Open fil Error");
    ExpectSizeBoxShown(false);
}

TEST_F(FileItemProbe, MutatedRecordingsNeverReadOutsideTheBuffer) {
    const auto good = tsrec::BuildTsRecording({.durationSeconds = 0.4, .syntheticFrameBytes = 100});
    std::mt19937 random(1234);
    const QString path = PathOf("mutated.ts");
    DebugCapture quiet;
    for (int round = 0; round < 150; ++round) {
        std::vector<std::uint8_t> bytes = good;
        // Mostly the header bytes of the first packets, where the lengths are.
        for (int i = 1 + static_cast<int>(random() % 12); i > 0; --i) {
            const std::size_t offset = (random() % 12) * 188 + random() % 24;
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

TEST_F(FileItemProbe, EncodedMediaAcrossTheClockWrapMatchesFfprobe) {
    const tsrec::ElementaryStreams& media = tsrec::TestMedia({.seconds = 3.0});
    ASSERT_FALSE(media.h264.empty());
    ASSERT_FALSE(media.adts.empty());
    // The 33-bit clock wraps a second in.
    const QString path = Write("real.ts", {.media = &media, .firstPcrBase = (1ull << 33) - 90000});
    ItemRef item = ProbeItem(path);
    const tsrec::FfprobeReport report = tsrec::RunFfprobe(path);
    ASSERT_TRUE(report.ran) << report.errors.toStdString();
    EXPECT_TRUE(report.errors.isEmpty()) << report.errors.toStdString();
    EXPECT_EQ(report.codecNames, (QStringList{"h264", "aac", "bin_data"}));
    // Ours runs from the first to the last PCR; ffprobe adds the last picture's time.
    EXPECT_NEAR(item->duration, report.duration, 0.1);
    EXPECT_DOUBLE_EQ(item->duration, 74 / 25.0);
    // The pictures and the sound decode without an error.
    QByteArray errors;
    EXPECT_TRUE(tsrec::RunTool(QStringLiteral("ffmpeg"),
                               {"-v", "error", "-i", path, "-map", "0", "-f", "null", "-"}, nullptr,
                               &errors));
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

using FileItemLifetime = RecordingTest;

TEST_F(FileItemLifetime, LastReleaseTearsDownOnTheGuiThread) {
    teardownsOnGuiThread.clear();
    TFileItem::SetPlayerDestroyer(RecordDestroyedPlayer);
    const QString path = Write("a.ts");
    auto* const fakePlayer = reinterpret_cast<DShowPlayer*>(std::uintptr_t{0x1000});
    auto* here = new TFileItem(path);
    here->player = fakePlayer;
    ASSERT_TRUE(AllocateSensorLog(here->log, 100));
    here->AddRef();
    EXPECT_EQ(here->Release(), 1);
    EXPECT_TRUE(teardownsOnGuiThread.empty());
    EXPECT_EQ(here->Release(), 0);
    EXPECT_EQ(teardownsOnGuiThread.size(), 1u);

    // The last release on a worker only queues the teardown.
    auto* there = new TFileItem(path);
    there->player = fakePlayer;
    std::int32_t count = -1;
    std::thread([&] { count = there->Release(); }).join();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(teardownsOnGuiThread.size(), 1u);
    ASSERT_TRUE(WaitUntil([] { return teardownsOnGuiThread.size() == 2; }));
    EXPECT_EQ(teardownsOnGuiThread, (std::vector<bool>{true, true}));
    TFileItem::SetPlayerDestroyer(nullptr);
}
