// The MOV cutter on recordings in the recorder's atom layout: sync-sample start
// and stop, the rebuilt movie atom of three tracks, joins, views, limits, stops
// and failures.
#include "IsoCutFixture.h"
#include "cutting/MovCutting.h"
#include "cutting/MovLayout.h"
#include "platform/MessageBox.h"
#include "support/BoxWriter.h"
#include "support/DebugCapture.h"
#include "support/MovRecordingWriter.h"
#include "support/Mp4RecordingWriter.h"
#include "support/TestMedia.h"

#include <QFile>

#include <algorithm>

using namespace cutting;

using namespace isorec;

namespace {

const std::string kVideoStbl = "moov/trak[0]/mdia/minf/stbl/";

std::uint32_t SampleEnd(const BoxTree& tree, int track, std::uint32_t index) {
    const std::string stbl = "moov/trak[" + std::to_string(track) + "]/mdia/minf/stbl/";
    return tree.Entries(stbl + "stco", 16)[index] + tree.Entries(stbl + "stsz", 20)[index];
}

std::uint32_t SampleStart(const BoxTree& tree, int track, std::uint32_t index) {
    const std::string stbl = "moov/trak[" + std::to_string(track) + "]/mdia/minf/stbl/";
    return tree.Entries(stbl + "stco", 16)[index];
}

class MovCuttingTest : public IsoCutTest {
  protected:
    ItemRef Source(const QString& name, const MovRecordingSpec& spec) {
        const QString path = PathOf(name);
        EXPECT_TRUE(WriteMovRecording(path, spec));
        const double seconds =
            static_cast<double>(spec.video.samples.size()) * spec.videoDelta / spec.videoTimeScale;
        return Item(path, FILE_TYPE_MOV, seconds);
    }

    CutOutput Run(const std::vector<TFileItem*>& sources, const CutOptions& options) {
        return RunCutter(MOVCutting, sources, options);
    }
};

}  // namespace

TEST_F(MovCuttingTest, OneSourceClipRunsFromSyncSampleToSyncSample) {
    const MovRecordingSpec spec = SyntheticMovSpec(20.0, 1);
    ItemRef source = Source(QStringLiteral("a.mov"), spec);
    const std::vector<std::uint8_t> original = ReadWholeFile(source->path);
    const BoxTree src(original);
    // 12.9 s counts as 12 s (sample 300): the clip starts at the last sync sample
    // numbered below 300 (276, 0-based 275) and ends with sync sample 401 for
    // 16 s.
    const CutOutput cut = Run({source.get()}, {.start = 12.9, .end = 15.3});
    ASSERT_EQ(cut.result, Cut_OK);
    const BoxTree clip(cut.clip);
    ASSERT_TRUE(clip.Valid());
    EXPECT_EQ(Ids(clip, 0), Range('V', 1, 275, 401));
    EXPECT_EQ(Ids(clip, 1), Range('A', 1, 515, 751));
    EXPECT_EQ(Ids(clip, 2), Range('G', 1, 11, 16));
    EXPECT_EQ(clip.Entries(kVideoStbl + "stss", 16),
              (std::vector<std::uint32_t>{1, 26, 51, 76, 101}));
    EXPECT_EQ(clip.Entries(kVideoStbl + "ctts", 16, 8, 0), std::vector<std::uint32_t>(126, 1));

    // The first atom, then "mdat" with the byte range from the first chosen
    // sample to the end of the last.
    const std::uint32_t first =
        std::min({SampleStart(src, 0, 275), SampleStart(src, 1, 515), SampleStart(src, 2, 11)});
    const std::uint32_t last =
        std::max({SampleEnd(src, 0, 400), SampleEnd(src, 1, 750), SampleEnd(src, 2, 15)});
    const std::uint32_t l = src.TopLevel()[0].size;
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + l, cut.clip.begin()));
    EXPECT_EQ(ReadU32(cut.clip, l), 8 + last - first);
    EXPECT_EQ(clip.TopLevel()[1].type, "mdat");
    EXPECT_TRUE(
        std::equal(original.begin() + first, original.begin() + last, cut.clip.begin() + l + 8));

    // Only the listed atoms: no data handlers, no sdtp, nothing after the tracks.
    EXPECT_EQ(clip.ChildTypes("moov"),
              (std::vector<std::string>{"mvhd", "udta", "trak", "trak", "trak"}));
    EXPECT_EQ(clip.ChildTypes("moov/trak[0]"),
              (std::vector<std::string>{"tkhd", "edts", "udta", "mdia"}));
    EXPECT_EQ(clip.ChildTypes("moov/trak[1]/mdia/minf"),
              (std::vector<std::string>{"smhd", "dinf", "stbl"}));
    EXPECT_EQ(clip.ChildTypes("moov/trak[0]/mdia/minf/stbl"),
              (std::vector<std::string>{"stsd", "stts", "ctts", "stsc", "stsz", "stco", "stss"}));

    // Durations: 126 x 3600 video ticks; in the movie's time scale (1000) for the
    // movie and track headers and the edit list.
    EXPECT_EQ(clip.U32(*clip.Find("moov/mvhd"), 24), 5040u);
    for (int track = 0; track < 3; ++track) {
        EXPECT_EQ(clip.U32(*clip.Find("moov/trak[" + std::to_string(track) + "]/tkhd"), 28), 5040u);
    }
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[0]/edts"), 24), 5040u);
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[0]/mdia/mdhd"), 24), 453600u);
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[1]/mdia/mdhd"), 24), 236u * 1024u);
    EXPECT_EQ(clip.U32(*clip.Find("moov/trak[2]/mdia/mdhd"), 24), 453600u);
    EXPECT_EQ(clip.Entries("moov/trak[1]/mdia/minf/stbl/stts", 16, 8, 0),
              (std::vector<std::uint32_t>{236}));

    RecordingMovLayout layout;
    const MemorySourceReader reader(cut.clip);
    EXPECT_EQ(MovReadMoov(reader, layout), Cut_OK);
}

TEST_F(MovCuttingTest, StartAndStopRules) {
    MovRecordingSpec spec = SyntheticMovSpec(20.0, 1);
    // The first sync sample is the sixth picture.
    spec.video.samples[0].key = false;
    spec.video.samples[5].key = true;
    ItemRef source = Source(QStringLiteral("a.mov"), spec);

    // Below one second: every track from its first sample; sync numbers keep
    // pointing at the same pictures.
    CutOutput cut = Run({source.get()}, {.start = 0.7, .end = 4.0});
    ASSERT_EQ(cut.result, Cut_OK);
    BoxTree clip(cut.clip);
    EXPECT_EQ(Ids(clip, 0), Range('V', 1, 0, 126));
    EXPECT_EQ(Ids(clip, 1).front(), (SampleId{'A', 1, 0}));
    EXPECT_EQ(Ids(clip, 2).front(), (SampleId{'G', 1, 0}));
    EXPECT_EQ(clip.Entries(kVideoStbl + "stss", 16),
              (std::vector<std::uint32_t>{6, 26, 51, 76, 101}));

    // An end within the last ten pictures takes the rest of every track.
    cut = Run({source.get()}, {.start = 5.0, .end = 19.5});
    ASSERT_EQ(cut.result, Cut_OK);
    clip = BoxTree(cut.clip);
    EXPECT_EQ(Ids(clip, 0), Range('V', 1, 100, 500));
    EXPECT_EQ(Ids(clip, 1).back(), (SampleId{'A', 1, 937}));
    EXPECT_EQ(Ids(clip, 2).back(), (SampleId{'G', 1, 19}));

    // Sync samples 60 and 251 only.
    MovRecordingSpec fewKeys = SyntheticMovSpec(20.0, 2, 250);
    fewKeys.video.samples[0].key = false;
    fewKeys.video.samples[59].key = true;
    ItemRef sparse = Source(QStringLiteral("b.mov"), fewKeys);
    // No sync sample after the end point: the rest of the source (the span
    // given leaves the tables room for it).
    cut = Run({sparse.get()}, {.start = 12.0, .end = 14.0, .span = 10.0});
    ASSERT_EQ(cut.result, Cut_OK);
    EXPECT_EQ(Ids(BoxTree(cut.clip), 0), Range('V', 2, 250, 500));
    // No sync sample numbered below the start point: from the first one.
    cut = Run({sparse.get()}, {.start = 1.0, .end = 4.0, .span = 10.0});
    ASSERT_EQ(cut.result, Cut_OK);
    clip = BoxTree(cut.clip);
    EXPECT_EQ(Ids(clip, 0), Range('V', 2, 59, 251));
    EXPECT_EQ(clip.Entries(kVideoStbl + "stss", 16), (std::vector<std::uint32_t>{1}));
}

TEST_F(MovCuttingTest, ASourceWithoutEditListKeepsWorking) {
    MovRecordingSpec spec = SyntheticMovSpec(6.0, 1);
    spec.editList = false;
    spec.dataHandlers = false;
    spec.sampleDependencies = false;
    ItemRef source = Source(QStringLiteral("a.mov"), spec);
    const CutOutput cut = Run({source.get()}, {.start = 1.0, .end = 3.0});
    ASSERT_EQ(cut.result, Cut_OK);
    const BoxTree clip(cut.clip);
    EXPECT_TRUE(clip.Valid());
    EXPECT_EQ(clip.ChildTypes("moov/trak[0]"), (std::vector<std::string>{"tkhd", "mdia"}));
    EXPECT_EQ(Ids(clip, 0), Range('V', 1, 0, 101));
}

TEST_F(MovCuttingTest, JoinsThreeSourcesWithRenumberedSyncSamples) {
    ItemRef a = Source(QStringLiteral("a.mov"), SyntheticMovSpec(10.0, 1));
    ItemRef b = Source(QStringLiteral("b.mov"), SyntheticMovSpec(10.0, 2));
    ItemRef c = Source(QStringLiteral("c.mov"), SyntheticMovSpec(10.0, 3));
    const CutOutput cut = Run({a.get(), b.get(), c.get()}, {.start = 4.5, .end = 2.2});
    ASSERT_EQ(cut.result, Cut_OK);
    const BoxTree clip(cut.clip);
    ASSERT_TRUE(clip.Valid());
    EXPECT_EQ(Ids(clip, 0),
              Join({Range('V', 1, 75, 250), Range('V', 2, 0, 250), Range('V', 3, 0, 76)}));
    EXPECT_EQ(Ids(clip, 1),
              Join({Range('A', 1, 140, 469), Range('A', 2, 0, 469), Range('A', 3, 0, 142)}));
    EXPECT_EQ(Ids(clip, 2),
              Join({Range('G', 1, 3, 10), Range('G', 2, 0, 10), Range('G', 3, 0, 3)}));
    const std::vector<std::uint32_t> stss = clip.Entries(kVideoStbl + "stss", 16);
    ASSERT_EQ(stss.size(), 20u);
    for (std::size_t i = 0; i < stss.size(); ++i) {
        EXPECT_EQ(stss[i], 1 + 25 * i);
    }
    // First atom, "mdat" and the rebuilt "moov", nothing else.
    const std::uint32_t l = BoxTree(ReadWholeFile(a->path)).TopLevel()[0].size;
    EXPECT_EQ(l + ReadU32(cut.clip, l) + clip.Find("moov")->size, cut.clip.size());
}

TEST_F(MovCuttingTest, MergedTablesThatWouldPassTheirCapacityStopTheCut) {
    MovRecordingSpec fast = SyntheticMovSpec(10.0, 1);
    fast.videoDelta = 1500;  // 60 pictures a second
    fast.video.samples = SyntheticSamples('V', 1, 600, 60, 30);
    ItemRef source = Source(QStringLiteral("a.mov"), fast);
    platform::MessageBox::ClearRecorded();
    DebugCapture capture;
    EXPECT_EQ(Run({source.get()}, {.start = 1.0, .end = 8.0}).result, Err_Cut_MemReserveNotEnough);
    const std::vector<platform::RecordedBox> boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Memory Alloc is not enough"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Fatal Error"));
    EXPECT_TRUE(capture.Contains(QStringLiteral("Err_Cut_MemReserveNotEnough")));
}

TEST_F(MovCuttingTest, CopiesThroughAlignedViewsWithProgressAndStops) {
    ItemRef source = Source(QStringLiteral("a.mov"), SyntheticMovSpec(10.0, 1));
    const BoxTree src(ReadWholeFile(source->path));
    const std::uint32_t l = src.TopLevel()[0].size;
    const std::uint32_t start = SampleStart(src, 0, 0);

    // Views of 4096 bytes aligned to 4096: the first runs to the window's end.
    CutOutput cut =
        Run({source.get()}, {.start = 0.0, .end = 9.9, .totalBytes = 1000, .movWindowSize = 4096});
    ASSERT_EQ(cut.result, Cut_OK);
    std::vector<int> progress = cut.Progress();
    const std::uint32_t media = ReadU32(cut.clip, l) - 8;
    const std::uint32_t views = (start % 4096 + media + 4095) / 4096;
    // One message after each view but the last, and one for the whole source.
    ASSERT_EQ(progress.size(), views);
    EXPECT_EQ(progress.front(), static_cast<int>((l + 8) * 1000ull / 1000));  // before the source
    EXPECT_EQ(progress.back(), static_cast<int>((l + 8 + media) * 1000ull / 1000));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    // A stop request: the first view is written, the next is not.
    cut = Run({source.get()},
              {.start = 0.0, .end = 9.9, .movWindowSize = 4096, .stopBeforeStart = true});
    EXPECT_EQ(cut.result, Err_Cut_Interrupt);
    EXPECT_EQ(cut.clip.size(), l + 8 + (4096 - start % 4096));
    EXPECT_EQ(cut.Progress().size(), 1u);

    // A range inside the first view is one write, with no look at the flag.
    cut = Run({source.get()}, {.start = 0.0, .end = 9.9, .stopBeforeStart = true});
    EXPECT_EQ(cut.result, Cut_OK);
}

TEST_F(MovCuttingTest, AClipThatWouldPassFourGibibytesIsRefused) {
    // Sources whose last picture lies 1.45 GB into the file (sparse files): three
    // of them would put sample offsets past 32 bits.
    std::vector<std::uint8_t> bytes = BuildMovRecording(SyntheticMovSpec(2.0, 1));
    const BoxNode stco = *BoxTree(bytes).Find(kVideoStbl + "stco");
    const std::uint32_t far = 1450000000;
    PatchU32(bytes, stco.offset + stco.size - 4, far);
    std::vector<ItemRef> items;
    for (int i = 0; i < 3; ++i) {
        const QString path = PathOf(QStringLiteral("spread%1.mov").arg(i));
        ASSERT_TRUE(WriteWholeFile(path, bytes));
        QFile file(path);
        ASSERT_TRUE(file.resize(far + 4096));
        items.push_back(Item(path, FILE_TYPE_MOV, 2.0));
    }
    DebugCapture capture;
    const CutOutput cut =
        Run({items[0].get(), items[1].get(), items[2].get()},
            {.start = 0.0, .end = 1.9, .totalBytes = 1u << 30, .discardOutput = true});
    EXPECT_EQ(cut.result, Err_Cut_DestFileSizeOverError);
    EXPECT_TRUE(capture.Contains(QStringLiteral("Err_Cut_DestFileSizeOverError")));
}

TEST_F(MovCuttingTest, TracksWithoutSamplesInTheClipGetTablesOtherProgramsRead) {
    AvMedia av;
    RealAvMedia(&av);
    ASSERT_FALSE(av.video.samples.empty());
    MovRecordingSpec spec = RealMovSpec(av);
    // Data for the first two seconds only; then sound for the first second only.
    spec.data.samples.resize(2);
    ItemRef dataless = Source(QStringLiteral("a.mov"), spec);
    spec.audio.samples.resize(16);
    ItemRef silent = Source(QStringLiteral("b.mov"), spec);
    for (TFileItem* source : {dataless.get(), silent.get()}) {
        SCOPED_TRACE(source->path.toStdString());
        const CutOutput cut = Run({source}, {.start = 3.0, .end = 5.9});
        ASSERT_EQ(cut.result, Cut_OK);
        const BoxTree clip(cut.clip);
        ASSERT_TRUE(clip.Valid());
        EXPECT_TRUE(Ids(clip, 2).empty());
        for (int track = 0; track < 3; ++track) {
            SCOPED_TRACE(track);
            const std::string stbl = "moov/trak[" + std::to_string(track) + "]/mdia/minf/stbl/";
            const std::size_t samples = clip.Entries(stbl + "stsz", 20).size();
            EXPECT_EQ(clip.Entries(stbl + "stco", 16).size(), samples);
            // One sample per chunk, or no chunk at all.
            EXPECT_EQ(clip.Entries(stbl + "stsc", 16, 12, 0),
                      samples > 0 ? std::vector<std::uint32_t>{1} : std::vector<std::uint32_t>{});
            EXPECT_EQ(clip.Entries(stbl + "stts", 16, 8, 0),
                      (std::vector<std::uint32_t>{static_cast<std::uint32_t>(samples)}));
        }
        const QString path = PathOf(QStringLiteral("clip.mov"));
        ASSERT_TRUE(WriteWholeFile(path, cut.clip));
        EXPECT_EQ(FfprobeErrors(path).toStdString(), "");
        EXPECT_EQ(DecodeErrors(path).toStdString(), "");
        // The clip can be cut again.
        RecordingMovLayout layout;
        EXPECT_EQ(MovReadMoov(MemorySourceReader(cut.clip), layout), Cut_OK);
    }
}
