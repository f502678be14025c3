// The MP4 cutter on recordings in the recorder's layout: where clips start and
// stop, what the rebuilt movie box holds, joins, limits, stops and failures.
#include "IsoCutFixture.h"
#include "cutting/MP4Cutting.h"
#include "cutting/Mp4Layout.h"
#include "platform/MessageBox.h"
#include "support/BoxWriter.h"
#include "support/DebugCapture.h"
#include "support/Mp4RecordingWriter.h"
#include "support/TestMedia.h"

#include <QFile>

#include <cstring>

using namespace cutting;

using namespace isorec;

namespace {

const std::string kVideoStbl = "moov/trak[0]/mdia/minf/stbl/";
const std::string kAudioStbl = "moov/trak[1]/mdia/minf/stbl/";

CutResult RunMp4(CuttingProc* job, std::uint32_t blockSize) {
    return MP4Cutting(job, blockSize);
}

std::uint32_t LittleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (std::uint32_t{bytes[at + 3]} << 24);
}

// FPTS values and FLOG record times of a clip, read through the recorder's layout.
struct ClipLog {
    std::vector<std::uint32_t> fpts;
    std::vector<std::uint32_t> times;
};

ClipLog ReadLog(const std::vector<std::uint8_t>& clip) {
    ClipLog log;
    RecordingMp4Layout layout;
    const MemorySourceReader source(clip);
    if (Mp4ParseAtoms(source, layout) != Cut_OK) {
        return log;
    }
    for (std::uint32_t r = 0; r < layout.recordCount; ++r) {
        const std::uint8_t* value = layout.FptsValue(r);
        log.fpts.push_back(LittleEndian(std::vector<std::uint8_t>(value, value + 4), 0));
        log.times.push_back(FlogRecordTime(layout.FlogRecord(r)));
    }
    return log;
}

class Mp4CuttingTest : public IsoCutTest {
  protected:
    ItemRef Source(const QString& name, const Mp4RecordingSpec& spec) {
        const QString path = PathOf(name);
        EXPECT_TRUE(WriteMp4Recording(path, spec));
        const double seconds =
            static_cast<double>(spec.video.samples.size()) * spec.videoDelta / spec.videoTimeScale;
        return Item(path, FILE_TYPE_MP4, seconds);
    }

    CutOutput Run(const std::vector<TFileItem*>& sources, CutOptions options) {
        const std::uint32_t block = options.mp4BlockSize;
        return RunCutter([block](CuttingProc* job) { return RunMp4(job, block); }, sources,
                         options);
    }
};

}  // namespace

TEST_F(Mp4CuttingTest, OneSourceClipHasTheChunksAroundTheSpanAndRebuiltTables) {
    Mp4RecordingSpec spec = SyntheticMp4Spec(10.0, 1);
    ItemRef source = Source(QStringLiteral("a.mp4"), spec);
    const std::vector<std::uint8_t> original = ReadWholeFile(source->path);
    const BoxTree src(original);
    const CutOutput cut = Run({source.get()}, {.start = 3.5, .end = 7.2});
    ASSERT_EQ(cut.result, Cut_OK);

    const BoxTree clip(cut.clip);
    ASSERT_TRUE(clip.Valid());
    // The source's first box as it is, then "mdat" with one byte range of it.
    const std::uint32_t s0 = src.TopLevel()[0].size;
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + s0, cut.clip.begin()));
    ASSERT_EQ(clip.TopLevel().size(), 3u);
    EXPECT_EQ(clip.TopLevel()[1].type, "mdat");
    // From audio chunk 2 (the start's audio lies inside it) to video chunk 8.
    const std::uint32_t first = src.Entries(kAudioStbl + "stco", 16)[2];
    const std::uint32_t last = src.Entries(kVideoStbl + "stco", 16)[8];
    EXPECT_EQ(clip.TopLevel()[1].size, 8 + last - first);
    EXPECT_TRUE(
        std::equal(original.begin() + first, original.begin() + last, cut.clip.begin() + s0 + 8));

    // Video: the chunks that start at 3 s up to the one holding 7.2 s; audio from
    // sample 46 (3 s) to 125 (8 s); records from 3 s to 8 s.
    EXPECT_EQ(Ids(clip, 0), Range('V', 1, 75, 200));
    EXPECT_EQ(Ids(clip, 1), Range('A', 1, 46, 125));
    EXPECT_EQ(clip.Entries(kVideoStbl + "stss", 16),
              (std::vector<std::uint32_t>{1, 26, 51, 76, 101}));
    EXPECT_EQ(clip.Entries(kVideoStbl + "stsc", 16, 12, 0),
              (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(clip.Entries(kAudioStbl + "stsc", 16, 12, 0),
              (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(clip.Entries(kAudioStbl + "stsc", 16, 12, 4),
              (std::vector<std::uint32_t>{1, 16, 16, 15, 16, 15}));
    EXPECT_EQ(clip.Entries(kAudioStbl + "stts", 16, 8, 0), (std::vector<std::uint32_t>{79}));
    EXPECT_EQ(clip.Entries(kVideoStbl + "stts", 16, 8, 0).size(), 125u);

    // Durations: whole seconds of audio (79 x 1024 / 16000 = 5.06 s -> 5 s), in
    // each header's own time scale (movie 1000, video 90000, audio 16000).
    EXPECT_EQ(clip.U32(*clip.Find("moov/mvhd"), 24), 5000u);
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[0]/tkhd"), 28), 5000u);
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[1]/tkhd"), 28), 5000u);
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[0]/mdia/mdhd"), 24), 450000u);
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[1]/mdia/mdhd"), 24), 79u * 1024u);

    // The log: records 15..39 with times 200 ms apart from 200.
    const ClipLog log = ReadLog(cut.clip);
    ASSERT_EQ(log.fpts.size(), 25u);
    EXPECT_EQ(log.fpts.front(), 200u);
    EXPECT_EQ(log.fpts.back(), 200u + 24 * 200);
    EXPECT_EQ(log.times.front(), (1700000000u + 3) * 1000u);

    // The clip is itself a recording in the same layout.
    RecordingMp4Layout layout;
    const MemorySourceReader reader(cut.clip);
    EXPECT_EQ(Mp4ParseAtoms(reader, layout), Cut_OK);
}

TEST_F(Mp4CuttingTest, StartRules) {
    ItemRef source = Source(QStringLiteral("a.mp4"), SyntheticMp4Spec(6.0, 1));
    // Within the first second: everything from the first sample.
    CutOutput cut = Run({source.get()}, {.start = 0.6, .end = 3.0});
    ASSERT_EQ(cut.result, Cut_OK);
    BoxTree clip(cut.clip);
    EXPECT_EQ(Ids(clip, 0), Range('V', 1, 0, 75));
    EXPECT_EQ(Ids(clip, 1).front(), (SampleId{'A', 1, 0}));
    EXPECT_EQ(ReadLog(cut.clip).times.front(), 1700000000u * 1000u);

    // A start exactly one second after a chunk's start takes that chunk.
    cut = Run({source.get()}, {.start = 3.0, .end = 4.5});
    ASSERT_EQ(cut.result, Cut_OK);
    clip = BoxTree(cut.clip);
    EXPECT_EQ(Ids(clip, 0).front(), (SampleId{'V', 1, 50}));

    // Chunks of two seconds: no chunk starts in the second before 3.5 s.
    Mp4RecordingSpec longChunks = SyntheticMp4Spec(6.0, 2);
    longChunks.videoSamplesPerChunk = 50;
    ItemRef sparse = Source(QStringLiteral("b.mp4"), longChunks);
    DebugCapture capture;
    EXPECT_EQ(Run({sparse.get()}, {.start = 3.5, .end = 5.0}).result,
              Err_Cut_FindStartPositionError);
    EXPECT_TRUE(capture.Contains(QStringLiteral("FindStartPosition Error")));

    // The same with audio so coarse that no audio sample lies before the start:
    // the search still fails instead of starting past the last chunk.
    longChunks.audioDelta = 16000 * 20;
    longChunks.audio.samples.resize(1);
    ItemRef coarse = Source(QStringLiteral("c.mp4"), longChunks);
    EXPECT_EQ(Run({coarse.get()}, {.start = 3.5, .end = 5.0}).result,
              Err_Cut_FindStartPositionError);

    // A source without video has no chunk to start with.
    Mp4RecordingSpec noVideo = SyntheticMp4Spec(3.0, 3);
    noVideo.video.samples.clear();
    ItemRef empty = Source(QStringLiteral("d.mp4"), noVideo);
    empty->duration = 3.0;
    EXPECT_EQ(Run({empty.get()}, {.start = 0.2, .end = 2.0}).result,
              Err_Cut_FindStartPositionError);
}

TEST_F(Mp4CuttingTest, StopRules) {
    Mp4RecordingSpec spec = SyntheticMp4Spec(10.0, 1);
    ItemRef source = Source(QStringLiteral("a.mp4"), spec);
    const BoxTree src(ReadWholeFile(source->path));

    // An end on a chunk's start ends the clip before that chunk.
    CutOutput cut = Run({source.get()}, {.start = 0.0, .end = 5.0});
    ASSERT_EQ(cut.result, Cut_OK);
    EXPECT_EQ(Ids(BoxTree(cut.clip), 0), Range('V', 1, 0, 125));

    // An end after the start of the last chunk copies to the end of the media.
    cut = Run({source.get()}, {.start = 0.0, .end = 9.5});
    ASSERT_EQ(cut.result, Cut_OK);
    BoxTree clip(cut.clip);
    EXPECT_EQ(Ids(clip, 0), Range('V', 1, 0, 250));
    EXPECT_EQ(Ids(clip, 1),
              Range('A', 1, 0, static_cast<std::uint32_t>(spec.audio.samples.size())));
    EXPECT_EQ(ReadLog(cut.clip).fpts.size(), 50u);
    EXPECT_EQ(clip.TopLevel()[1].size, src.Find("mdat")->size);

    // Audio and log shorter than the video end at their own ends.
    Mp4RecordingSpec shortTracks = SyntheticMp4Spec(10.0, 2);
    shortTracks.audio.samples.resize(60);               // 3.84 s
    FillLogRecords(shortTracks, 20, 1700000000, 1000);  // 4 s
    ItemRef shortSource = Source(QStringLiteral("b.mp4"), shortTracks);
    cut = Run({shortSource.get()}, {.start = 0.0, .end = 7.5});
    ASSERT_EQ(cut.result, Cut_OK);
    clip = BoxTree(cut.clip);
    EXPECT_EQ(Ids(clip, 0), Range('V', 2, 0, 200));
    EXPECT_EQ(Ids(clip, 1), Range('A', 2, 0, 60));
    std::uint32_t perChunk = 0;
    for (std::uint32_t n : clip.Entries(kAudioStbl + "stsc", 16, 12, 4)) {
        perChunk += n;
    }
    EXPECT_EQ(perChunk, 60u);
    EXPECT_EQ(ReadLog(cut.clip).fpts.size(), 20u);
}

TEST_F(Mp4CuttingTest, JoinsThreeSourcesAndContinuesTheLogTimeLine) {
    Mp4RecordingSpec first = SyntheticMp4Spec(10.0, 1, 1700000000);
    Mp4RecordingSpec middle = SyntheticMp4Spec(10.0, 2, 1700000010);
    Mp4RecordingSpec last = SyntheticMp4Spec(10.0, 3, 1700000025);  // after a 5 s gap
    last.movieTimeScale = 90000;  // the movie box is the last source's
    ItemRef a = Source(QStringLiteral("a.mp4"), first);
    ItemRef b = Source(QStringLiteral("b.mp4"), middle);
    // The last picture of the first source lasts 1 tick: the clip gives it the
    // delta of the picture before it.
    std::vector<std::uint8_t> bytes = ReadWholeFile(a->path);
    const BoxNode stts = *BoxTree(bytes).Find(kVideoStbl + "stts");
    PatchU32(bytes, stts.offset + stts.size - 4, 1);
    ASSERT_TRUE(WriteWholeFile(a->path, bytes));
    ItemRef c = Source(QStringLiteral("c.mp4"), last);

    const CutOutput cut = Run({a.get(), b.get(), c.get()}, {.start = 8.2, .end = 2.3});
    ASSERT_EQ(cut.result, Cut_OK);
    const BoxTree clip(cut.clip);
    ASSERT_TRUE(clip.Valid());
    // 8 s .. 10 s of the first, all of the second, 0 s .. 3 s of the third.
    EXPECT_EQ(Ids(clip, 0),
              Join({Range('V', 1, 200, 250), Range('V', 2, 0, 250), Range('V', 3, 0, 75)}));
    const auto audioCount = static_cast<std::uint32_t>(middle.audio.samples.size());
    EXPECT_EQ(Ids(clip, 1),
              Join({Range('A', 1, 125, static_cast<std::uint32_t>(first.audio.samples.size())),
                    Range('A', 2, 0, audioCount), Range('A', 3, 0, 46)}));
    const std::vector<std::uint32_t> stss = clip.Entries(kVideoStbl + "stss", 16);
    ASSERT_EQ(stss.size(), 2u + 10u + 3u);
    for (std::size_t i = 0; i < stss.size(); ++i) {
        EXPECT_EQ(stss[i], 1 + 25 * i);
    }
    const std::vector<std::uint32_t> deltas = clip.Entries(kVideoStbl + "stts", 16, 8, 4);
    ASSERT_EQ(deltas.size(), 375u);
    EXPECT_EQ(deltas[49], 3600u);

    // The movie and video time scales agree: the headers keep the video ticks.
    const std::uint32_t ticks = clip.U32(*clip.Find("moov/trak[0]/mdia/mdhd"), 24);
    EXPECT_EQ(ticks, 15u * 90000u);  // whole seconds of audio: 2 + 10 + 3
    EXPECT_EQ(clip.U32(*clip.Find("moov/mvhd"), 24), ticks);
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[1]/tkhd"), 28), ticks);

    const ClipLog log = ReadLog(cut.clip);
    ASSERT_EQ(log.fpts.size(), 10u + 50u + 15u);
    EXPECT_EQ(log.fpts[0], 200u);
    EXPECT_EQ(log.fpts[10], log.fpts[9] + 200);    // records meet 200 ms apart
    EXPECT_EQ(log.fpts[60], log.fpts[59] + 5200);  // the gap between recordings
    EXPECT_EQ(log.fpts[61], log.fpts[60] + 200);
}

TEST_F(Mp4CuttingTest, TablesThatWouldOutgrowTheirCapacityAreRefused) {
    Mp4RecordingSpec fast = SyntheticMp4Spec(10.0, 1);
    fast.videoDelta = 1500;  // 60 pictures a second
    fast.video.samples = SyntheticSamples('V', 1, 600, 60, 40);
    fast.videoSamplesPerChunk = 60;
    ItemRef source = Source(QStringLiteral("a.mp4"), fast);
    DebugCapture capture;
    EXPECT_EQ(Run({source.get()}, {.start = 1.5, .end = 9.0}).result, Err_Cut_MemReserveNotEnough);
    EXPECT_TRUE(capture.Contains(QStringLiteral("Copy_mdat Error")));
    // A span that leaves room for them is cut.
    EXPECT_EQ(Run({source.get()}, {.start = 1.5, .end = 3.0, .span = 40.0}).result, Cut_OK);
}

TEST_F(Mp4CuttingTest, CopiesInBlocksWithProgressAndStopsAfterTheBlockBeingWritten) {
    ItemRef source = Source(QStringLiteral("a.mp4"), SyntheticMp4Spec(10.0, 1));
    const BoxTree src(ReadWholeFile(source->path));
    const std::uint32_t s0 = src.TopLevel()[0].size;
    const std::uint32_t media = src.Find("mdat")->size - 8;

    // The whole media in one block: one progress message.
    CutOutput cut = Run({source.get()}, {.start = 0.0, .end = 9.9, .mp4BlockSize = media});
    ASSERT_EQ(cut.result, Cut_OK);
    ASSERT_EQ(cut.Progress().size(), 1u);

    // Blocks of 1000 bytes: a message per block, the per mille of all bytes
    // written against the estimate, not clamped.
    cut =
        Run({source.get()}, {.start = 0.0, .end = 9.9, .totalBytes = 10000, .mp4BlockSize = 1000});
    ASSERT_EQ(cut.result, Cut_OK);
    const std::vector<int> progress = cut.Progress();
    ASSERT_EQ(progress.size(), (media + 999) / 1000);
    EXPECT_EQ(progress.front(), static_cast<int>((s0 + 8 + 1000) * 1000ull / 10000));
    EXPECT_GT(progress.back(), 1000);

    // A stop request ends the cut after the first block, without its message.
    cut = Run({source.get()},
              {.start = 0.0, .end = 9.9, .mp4BlockSize = 1000, .stopBeforeStart = true});
    EXPECT_EQ(cut.result, Err_Cut_Interrupt);
    EXPECT_TRUE(cut.Progress().empty());
    EXPECT_EQ(cut.clip.size(), s0 + 8 + 1000u);
}

TEST_F(Mp4CuttingTest, AClipThatWouldPassFourGibibytesIsRefused) {
    // Sources whose media data spread over 1.45 GB (sparse files): three of them
    // would put chunk offsets past 32 bits.
    const std::vector<std::uint8_t> bytes = BuildMp4Recording(SyntheticMp4Spec(2.0, 1));
    const BoxTree tree(bytes);
    const std::size_t moov = tree.Find("moov")->offset;
    const std::size_t mdat = tree.Find("mdat")->offset;
    const qint64 spreadMoov = 1450000000;
    std::vector<ItemRef> items;
    for (int i = 0; i < 3; ++i) {
        std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + static_cast<long>(moov));
        PatchU32(head, mdat, static_cast<std::uint32_t>(spreadMoov - static_cast<qint64>(mdat)));
        const QString path = PathOf(QStringLiteral("spread%1.mp4").arg(i));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(head.data()), static_cast<qint64>(head.size()));
        ASSERT_TRUE(file.seek(spreadMoov));
        file.write(reinterpret_cast<const char*>(bytes.data() + moov),
                   static_cast<qint64>(bytes.size() - moov));
        file.close();
        items.push_back(Item(path, FILE_TYPE_MP4, 2.0));
    }
    DebugCapture capture;
    const CutOutput cut =
        Run({items[0].get(), items[1].get(), items[2].get()},
            {.start = 0.0, .end = 1.5, .totalBytes = 1u << 30, .discardOutput = true});
    EXPECT_EQ(cut.result, Err_Cut_DestFileSizeOverError);
    // Two sources were copied before the third was refused.
    EXPECT_GT(cut.Progress().size(), 2u * 140u);
}
