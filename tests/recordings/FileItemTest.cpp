#include "RecordingFixture.h"

#include "platform/MessageBox.h"
#include "support/DebugCapture.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>

#include <random>
#include <thread>
#include <vector>

using tsrec::TsRecordingSpec;

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
                               tsrec::DefaultLogSample(0, TsRecordingSpec{}), 1000, true);
    writer.WriteVideoPes(picture, 1000, lastPcr, true, false);
    writer.WriteNullPackets(nulls);
    return writer.Bytes();
}

std::vector<const void*> destroyedPlayers;
std::vector<bool> destroyedOnGuiThread;

void RecordDestroyedPlayer(DShowPlayer* player) {
    destroyedPlayers.push_back(player);
    destroyedOnGuiThread.push_back(QThread::currentThread() ==
                                   QCoreApplication::instance()->thread());
}

DShowPlayer* const kFakePlayer = reinterpret_cast<DShowPlayer*>(std::uintptr_t{0x1000});

}  // namespace

using FileItemProbe = RecordingTest;

TEST_F(FileItemProbe, ReadsTheRecordersLayout) {
    TsRecordingSpec spec;
    spec.startTime = kStart;
    const QString path = Write(QStringLiteral("a.ts"), spec);
    ItemRef item = ProbeItem(path);
    EXPECT_EQ(item->fileType, FILE_TYPE_TS);
    EXPECT_EQ(item->path, path);
    EXPECT_EQ(item->flags, 0u);
    EXPECT_DOUBLE_EQ(item->duration, 49 / 25.0);  // 50 pictures: PCRs 0 .. 49 x 3600
    EXPECT_EQ(item->startTime, kStart);
    EXPECT_EQ(item->GetStartTimeText(), QStringLiteral("23/11/14 22:13:20"));
    EXPECT_EQ(item->versionText, QStringLiteral("  1. 0.12"));
    const std::array<std::uint32_t, 5> pids = {0x100, 0x1011, 0x1011, 0x1100, 0x1600};
    EXPECT_EQ(item->pids, pids);
    EXPECT_EQ(item->header, tsrec::MakeLogStreamHeader(tsrec::kLogMagic, 1, 0, 12));
    EXPECT_EQ(item->logState.load(), LOG_NOT_READ);
    EXPECT_EQ(item->player, nullptr);
}

TEST_F(FileItemProbe, HeaderEdgesLongPathsAndTheReadOnlyFlag) {
    QString folder = PathOf(QString());
    for (int i = 0; i < 4; ++i) {
        folder += QLatin1Char('/') + QString(80, QLatin1Char('d' + i));
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/recording.ts");  // kept whole, not cut to 259
    TsRecordingSpec spec;
    spec.version = {123, 200, 7};
    spec.startTime = 0xFFFFFFFF;
    ASSERT_TRUE(tsrec::WriteTsRecording(path, spec));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    ItemRef item = ProbeItem(path);
    EXPECT_EQ(item->path, path);
    EXPECT_EQ(item->versionText, QStringLiteral(" 123.200."));  // cut to 9 characters
    EXPECT_EQ(item->GetStartTimeText(), QStringLiteral("06/02/07 06:28:15"));  // 2106, UTC
    EXPECT_EQ(item->flags, std::uint32_t{FILE_ITEM_READ_ONLY});

    // A first log packet without adaptation field: no header, start time 0.
    spec.firstLogPacketHasAdaptationField = false;
    ItemRef plain = Probe(QStringLiteral("plain.ts"), spec);
    EXPECT_EQ(plain->fileType, FILE_TYPE_TS);
    EXPECT_EQ(plain->GetStartTimeText(), QStringLiteral("70/01/01 00:00:00"));
    EXPECT_TRUE(plain->versionText.isEmpty());
    EXPECT_EQ(plain->header, (std::array<std::uint8_t, 16>{}));
}

TEST_F(FileItemProbe, DurationsOfShortWrappedAndMultiBlockFiles) {
    std::vector<std::uint8_t> partial = tsrec::BuildTsRecording({});
    partial.resize(partial.size() + 100, 0x47);
    struct Case {
        QString path;
        double duration;
        RecordingReadLimits limits = {};
    };
    const Case cases[] = {
        // The only PCR is the first one.
        {WriteWith("one.ts",
                   [](auto& s) {
                       s.durationSeconds = 1 / 25.0;
                       s.logSampleCount = 1;
                   }),
         0},
        // A trailing part of a packet in a file shorter than a block is ignored.
        {WriteBytes(QStringLiteral("partial.ts"), partial), 49 / 25.0},
        // The 32-bit view of the clock wraps half-way: still a forward step.
        {WriteWith("wrap.ts", [](auto& s) { s.firstPcrBase = 0xFFFFFFFFull - 45000; }), 49 / 25.0},
        // PAT and PMT in block 1, the first PCR and the first log packet in block 3.
        {WriteWith("late.ts", [](auto& s) { s.leadingNullPackets = 40; }), 49 / 25.0, SmallBlocks()},
        // The log starts a second in, many blocks after the first PCR.
        {WriteWith("latelog.ts", [](auto& s) { s.logStartSeconds = 1.0; }), 49 / 25.0, SmallBlocks()},
        // The last PCR lies several blocks before the tail block.
        {WriteWith("tail.ts", [](auto& s) { s.trailingNullPackets = 53; }), 49 / 25.0, SmallBlocks()},
        // 24 packets: the tail block (packets 8..23) holds no PCR, and the last one
        // is in packets 0..7, before any whole earlier block.
        {WriteBytes(QStringLiteral("start.ts"), HandMade(90000, 3 * 90000, 19)), 2.0,
         SmallBlocks()},
    };
    for (const Case& c : cases) {
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
        return WriteBytes(QString::fromLatin1(name), bytes);
    };
    TsRecordingSpec onePcr;
    onePcr.pcrStopsAfterFrames = 1;
    std::vector<std::uint8_t> shortPcr = tsrec::BuildTsRecording(onePcr);
    shortPcr[FirstPacket(shortPcr, tsrec::kPidVideo) + 4] = 1;  // PCR flag, but no room for it
    TsRecordingSpec second;
    second.durationSeconds = 1.0;
    std::vector<std::uint8_t> odd = tsrec::BuildTsRecording(second);
    ASSERT_GT(odd.size(), static_cast<std::size_t>(SmallBlocks().blockBytes));
    odd.push_back(0x47);
    const QString fifo = PathOf(QStringLiteral("fifo.ts"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(PathOf(QStringLiteral("folder.ts"))));
    const QString pmtPid = WriteWith("pmtpid.ts", [](auto& s) { s.pmtPidInPat = 0x101; });

    struct Case {
        const char* text;
        QString path;
        RecordingReadLimits limits = {};
    };
    const Case cases[] = {
        {"Open fil Error", PathOf(QStringLiteral("missing.ts"))},
        {"Open fil Error", PathOf(QStringLiteral("folder.ts"))},
        {"Open fil Error", fifo},
        {"Only support TS File", WriteBytes(QStringLiteral("empty.ts"), {})},
        {"Only support TS File", WriteBytes(QStringLiteral("text.ts"), std::vector<std::uint8_t>(400, 'x'))},
        {" program list is not find.", WriteWith("nopat.ts", [](auto& s) { s.writePat = false; })},
        {" AM_PMT_PID is not equal.", pmtPid},
        {" PMT is not find.", WriteWith("nopmt.ts", [](auto& s) { s.writePmt = false; })},
        {" PID is not equal to define.",
         WriteWith("pids.ts", [](auto& s) { s.pmtStreamPids = {0x1011, 0x1100, 0x1601}; })},
        // Hostile PMT lengths: program info, first stream info, a third entry
        // that would end at byte 190.
        {" PID is not equal to define.", patched("info.ts", pmt + 16, 0xFF)},
        {" PID is not equal to define.", patched("es.ts", pmt + 17 + 4, 0xFF)},
        {" PID is not equal to define.", patched("edge.ts", pmt + 16, 166 - 17)},
        {" PCR is not find.", WriteWith("nopcr.ts", [](auto& s) { s.writePcr = false; })},
        {" PCR is not find.", WriteBytes(QStringLiteral("shortpcr.ts"), shortPcr)},
        {" PID is not equal to define.", WriteWith("nolog.ts", [](auto& s) { s.writeLog = false; })},
        {"Model magicF is not find.", WriteWith("magic.ts", [](auto& s) { s.magic = 0x18168829; })},
        // Hostile log-packet lengths: the PES behind the packet, the PES header data
        // past it, the start time behind the header past it.
        {"Model magicF is not find.", patched("af183.ts", log + 4, 183)},
        {"Model magicF is not find.", patched("af255.ts", log + 4, 255)},
        {"Model magicF is not find.", patched("pes.ts", pesLength, 0xFF)},
        {"Model magicF is not find.", patched("pes65.ts", pesLength, 5 + 60)},
        {" PCR2 is not valid.", WriteBytes(QStringLiteral("back.ts"), HandMade(20 * 90000, 10 * 90000, 0))},
        {"TS File is fail", WriteBytes(QStringLiteral("odd.ts"), odd), SmallBlocks()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        ExpectProbeFailure(c.path, c.text, c.limits);
    }
    EXPECT_EQ(ProbeItem(pmtPid)->pids[PID_PMT], 0x101u);  // kept as read
}

TEST_F(FileItemProbe, ProductionBlocks) {
    // Over two blocks of 65,535 packets, the last PCR before the tail block.
    TsRecordingSpec spec;
    spec.durationSeconds = 10.0;
    spec.syntheticFrameBytes = 60000;
    spec.trailingNullPackets = 70000;
    std::vector<std::uint8_t> bytes = tsrec::BuildTsRecording(spec);
    ASSERT_GT(static_cast<std::int64_t>(bytes.size()), 2 * kTsBlockBytes);
    EXPECT_DOUBLE_EQ(ProbeItem(WriteBytes(QStringLiteral("big.ts"), bytes))->duration, 249 / 25.0);
    bytes.push_back(0);
    ExpectProbeFailure(WriteBytes(QStringLiteral("big-odd.ts"), bytes), "TS File is fail");
}

TEST_F(FileItemProbe, SizeLimit) {
    const QString path = Write(QStringLiteral("limit.ts"));
    platform::MessageBox::ClearRecorded();
    Resize(path, kMaxRecordingSize);  // accepted: probed (a sparse tail of zeros is no packet)
    ExpectProbeFailure(path, "TS File is fail");
    EXPECT_TRUE(platform::MessageBox::Recorded().empty());
    Resize(path, kMaxRecordingSize + 1);
    ExpectProbeFailure(path, "Open fil Error");
    ExpectSizeBoxShown(false);
}

TEST_F(FileItemProbe, MutatedRecordingsNeverReadOutsideTheBuffer) {
    TsRecordingSpec spec;
    spec.durationSeconds = 0.4;
    spec.syntheticFrameBytes = 100;
    const std::vector<std::uint8_t> good = tsrec::BuildTsRecording(spec);
    std::mt19937 random(1234);
    const QString path = PathOf(QStringLiteral("mutated.ts"));
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
    tsrec::TestMediaParams params;
    params.seconds = 3.0;
    const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
    ASSERT_FALSE(media.h264.empty());
    ASSERT_FALSE(media.adts.empty());
    TsRecordingSpec spec;
    spec.media = &media;
    spec.firstPcrBase = (std::uint64_t{1} << 33) - 90000;  // the 33-bit clock wraps
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
    // The pictures and the sound decode without an error.
    QByteArray errors;
    ASSERT_TRUE(tsrec::RunTool(QStringLiteral("ffmpeg"),
                               {"-v", "error", "-i", path, "-map", "0", "-f", "null", "-"}, nullptr,
                               &errors));
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

using FileItemLifetime = RecordingTest;

TEST_F(FileItemLifetime, LastReleaseTearsDownOnTheGuiThread) {
    destroyedPlayers.clear();
    destroyedOnGuiThread.clear();
    TFileItem::SetPlayerDestroyer(RecordDestroyedPlayer);
    const QString path = Write(QStringLiteral("a.ts"));

    auto* here = new TFileItem(path);
    here->player = kFakePlayer;
    ASSERT_TRUE(AllocateSensorLog(here->log, 100));
    here->AddRef();
    EXPECT_EQ(here->Release(), 1);
    EXPECT_TRUE(destroyedPlayers.empty());
    EXPECT_EQ(here->Release(), 0);
    ASSERT_EQ(destroyedPlayers.size(), 1u);

    // The last release on a worker only queues the teardown.
    auto* there = new TFileItem(path);
    there->player = kFakePlayer;
    std::int32_t count = -1;
    std::thread([&] { count = there->Release(); }).join();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(destroyedPlayers.size(), 1u);
    ASSERT_TRUE(ProcessEventsUntil([] { return destroyedPlayers.size() == 2; }));
    EXPECT_EQ(destroyedOnGuiThread, (std::vector<bool>{true, true}));
    TFileItem::SetPlayerDestroyer(nullptr);
}

TEST_F(FileItemLifetime, ReferenceCountsAreAtomic) {
    auto* item = new TFileItem(Write(QStringLiteral("a.ts")));
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
