// What the MP4 and MOV cutters share: failures that end a cut without a clip,
// the job's dispatch to them, and clips of real media that play from 0.
#include "IsoCutFixture.h"
#include "support/BoxWriter.h"
#include "support/DebugCapture.h"
#include "support/MovRecordingWriter.h"
#include "support/Mp4RecordingWriter.h"
#include "support/TestMedia.h"

#include <QFile>

#include <limits>

using namespace isorec;

namespace {

struct IsoKind {
    const char* name;
    std::int32_t fileType;
    CutResult (*cutter)(CuttingProc*);
    std::vector<std::uint8_t> (*build)(double seconds, std::uint8_t recording);
    std::vector<std::uint8_t> (*buildReal)(const AvMedia& media);
    // A video chunk offset whose bytes a cut of 0 s .. 2 s of 4 s copies.
    std::uint32_t copiedChunk;
    // Real media: the span cut out of two 6-second sources and what plays.
    double realStart, realEnd;
    int realFrames;
    std::size_t realStreams;
};

std::vector<std::uint8_t> BuildMp4(double seconds, std::uint8_t recording) {
    return BuildMp4Recording(SyntheticMp4Spec(seconds, recording));
}

std::vector<std::uint8_t> BuildMov(double seconds, std::uint8_t recording) {
    return BuildMovRecording(SyntheticMovSpec(seconds, recording));
}

std::vector<std::uint8_t> BuildRealMp4(const AvMedia& av) {
    Mp4RecordingSpec spec;
    spec.video = av.video;
    spec.audio = av.audio;
    spec.audioTimeScale = av.audioSampleRate;
    FillLogRecords(spec, 30, 1700000000, 1000);
    return BuildMp4Recording(spec);
}

std::vector<std::uint8_t> BuildRealMov(const AvMedia& av) {
    return BuildMovRecording(RealMovSpec(av));
}

class IsoCuttingTest : public IsoCutTest, public testing::WithParamInterface<IsoKind> {
  protected:
    ItemRef Source(const QString& name, const std::vector<std::uint8_t>& bytes, double seconds) {
        EXPECT_TRUE(WriteWholeFile(PathOf(name), bytes));
        return Item(PathOf(name), GetParam().fileType, seconds);
    }
    ItemRef Source(const QString& name, double seconds, std::uint8_t recording) {
        return Source(name, GetParam().build(seconds, recording), seconds);
    }
    CutResult Result(const std::vector<TFileItem*>& sources, const CutOptions& options) {
        return RunCutter(GetParam().cutter, sources, options).result;
    }
};

}  // namespace

TEST_P(IsoCuttingTest, FailuresEndTheCutWithTheirCodes) {
    ItemRef a = Source(QStringLiteral("a"), 4.0, 1);
    DebugCapture capture;
    const CutOptions span{.start = 0.0, .end = 2.0};
    EXPECT_EQ(Result({a.get()}, {.start = 0.0, .end = 2.0, .readOnlyOutput = true}),
              Err_Cut_OpenDestFileError);

    ItemRef missing = Item(PathOf(QStringLiteral("gone")), GetParam().fileType, 4.0);
    EXPECT_EQ(Result({a.get(), missing.get()}, span), Err_Cut_OpenSrcFileErrorr);
    ItemRef junk = Source(QStringLiteral("junk"), std::vector<std::uint8_t>(5000, 0x41), 4.0);
    EXPECT_EQ(Result({a.get(), junk.get()}, span), Err_Cut_SrcFileMappingError);

    // A second source larger than 2,000,000,000 bytes (sparse), after the first
    // was copied.
    const QString bigPath = PathOf(QStringLiteral("big"));
    {
        QFile big(bigPath);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(2000000001));
    }
    ItemRef big = Item(bigPath, GetParam().fileType, 4.0);
    const CutOutput tooBig = RunCutter(GetParam().cutter, {a.get(), big.get()}, span);
    EXPECT_EQ(tooBig.result, Err_Cut_SrcFileSizeOverError);
    EXPECT_GT(tooBig.clip.size(), 1000u);

    // A first box of 4 bytes, or one that reaches past the file.
    const std::vector<std::uint8_t> bytes = ReadWholeFile(a->path);
    for (const std::uint32_t size : {4u, static_cast<std::uint32_t>(bytes.size())}) {
        std::vector<std::uint8_t> bad = bytes;
        PatchU32(bad, 0, size);
        ItemRef item = Source(QStringLiteral("first"), bad, 4.0);
        EXPECT_EQ(Result({item.get()}, span), Err_Cut_SrcFileMappingError) << size;
    }
    // Media the cut copies lies past the end of the file: its tables cannot be true.
    std::vector<std::uint8_t> broken = bytes;
    const BoxNode stco = *BoxTree(bytes).Find("moov/trak[0]/mdia/minf/stbl/stco");
    PatchU32(broken, stco.offset + 16 + 4 * GetParam().copiedChunk, 0x7FFFFFF0);
    ItemRef item = Source(QStringLiteral("broken"), broken, 4.0);
    EXPECT_EQ(Result({item.get()}, span), Err_Cut_SrcFileFormatError);
}

// Sample tables that place a sample the clip takes outside the media data or the
// file: the cut is refused before the clip is written, and the destination stays.
TEST_P(IsoCuttingTest, SamplesOutsideTheMediaDataAreAFormatErrorThatKeepsTheDestination) {
    const std::vector<std::uint8_t> bytes = GetParam().build(4.0, 1);
    const BoxTree tree(bytes);
    const auto table = [&](int track, const char* name) {
        return *tree.Find("moov/trak[" + std::to_string(track) + "]/mdia/minf/stbl/" + name);
    };
    const std::uint32_t fileSize = static_cast<std::uint32_t>(bytes.size());
    const std::uint32_t moov = static_cast<std::uint32_t>(tree.Find("moov")->offset);
    // Video sample 0 begins the first chunk; every sample of a MOV is a chunk.
    const std::uint32_t first = ReadU32(bytes, table(0, "stco").offset + 16);
    struct Damage {
        const char* what;
        int track;
        const char* table;
        std::uint32_t entry, value;
    };
    const Damage damages[] = {
        {"a size with the top bit", 0, "stsz", 0, 0x80000000u},
        {"the largest size", 0, "stsz", 0, 0xFFFFFFFFu},
        {"a size past the end of the file", 0, "stsz", 0, fileSize - first + 1},
        {"a size into the movie box", 0, "stsz", 0, moov - first + 1},
        {"a sound sample of the largest size", 1, "stsz", 2, 0xFFFFFFFFu},
        {"an offset past the end of the file", 0, "stco", 0, fileSize + 16},
        {"an offset inside the movie box", 0, "stco", 0, moov + 8},
        {"an offset whose sample ends past the file", 0, "stco", 0, fileSize - 2},
    };
    const QString destination = PathOf(QStringLiteral("kept.clip"));
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        std::vector<std::uint8_t> broken = bytes;
        const std::size_t header = std::string(damage.table) == "stsz" ? 20 : 16;
        PatchU32(broken, table(damage.track, damage.table).offset + header + 4 * damage.entry,
                 damage.value);
        ItemRef item = Source(QStringLiteral("damaged"), broken, 4.0);
        DebugCapture capture;
        EXPECT_EQ(Result({item.get()}, {.start = 0.0, .end = 2.0}), Err_Cut_SrcFileFormatError);
        // Through the job: the old clip is kept and no temporary file is left.
        ASSERT_TRUE(WriteWholeFile(destination, {1, 2, 3}));
        const CutRun run = Cut({item.get()}, destination, 0.0, 2.0);
        EXPECT_EQ(run.result, Err_Cut_SrcFileFormatError);
        EXPECT_EQ(ReadWholeFile(destination), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_FALSE(QFile::exists(PathOf(QStringLiteral("quendrix.tmp"))));
    }
    // The same sample outside the span is no obstacle.
    std::vector<std::uint8_t> late = bytes;
    const std::uint32_t lastVideo = ReadU32(bytes, table(0, "stsz").offset + 16) - 1;
    PatchU32(late, table(0, "stsz").offset + 20 + 4 * lastVideo, 0xFFFFFFFFu);
    ItemRef item = Source(QStringLiteral("late"), late, 4.0);
    EXPECT_EQ(Result({item.get()}, {.start = 0.0, .end = 2.0}), Cut_OK);
}

TEST_P(IsoCuttingTest, TheJobCutsItsItemsWithThisCutter) {
    ItemRef a = Source(QStringLiteral("a"), 10.0, 1);
    ItemRef b = Source(QStringLiteral("b"), 10.0, 2);
    ExpectJobWritesTheCuttersClip(GetParam().cutter, {a.get(), b.get()}, 6.5, 14.0, 4.0);
}

TEST_P(IsoCuttingTest, AnEndPastTheSelectionRunsToItsEnd) {
    ItemRef a = Source(QStringLiteral("a"), 10.0, 1);
    ItemRef b = Source(QStringLiteral("b"), 10.0, 2);
    for (const double end : {std::numeric_limits<double>::infinity(), 1e300, 21.0}) {
        SCOPED_TRACE(end);
        ExpectJobWritesTheCuttersClip(GetParam().cutter, {a.get(), b.get()}, 6.5, end, 10.0);
    }
}

TEST_P(IsoCuttingTest, RealMediaClipsPlayFromZero) {
    AvMedia av;
    RealAvMedia(&av);
    ASSERT_EQ(av.video.samples.size(), 150u);
    const std::vector<std::uint8_t> bytes = GetParam().buildReal(av);
    ItemRef a = Source(QStringLiteral("a"), bytes, 6.0);
    ItemRef b = Source(QStringLiteral("b"), bytes, 6.0);
    const CutOutput cut = RunCutter(GetParam().cutter, {a.get(), b.get()},
                                    {.start = GetParam().realStart, .end = GetParam().realEnd});
    ASSERT_EQ(cut.result, Cut_OK);
    ExpectClipPlays(cut, GetParam().realFrames, GetParam().realStreams);
}

// MP4: 2 s .. 6 s, then 0 s .. 4 s. MOV: 1 s .. 6 s, then up to and with the sync
// picture of 4 s.
INSTANTIATE_TEST_SUITE_P(Layouts, IsoCuttingTest,
                         testing::Values(IsoKind{"Mp4", FILE_TYPE_MP4, RunMP4Cutting, BuildMp4,
                                                 BuildRealMp4, 2, 2.5, 3.5, 200, 2},
                                         IsoKind{"Mov", FILE_TYPE_MOV, RunMOVCutting, BuildMov,
                                                 BuildRealMov, 75, 2.5, 3.3, 226, 3}),
                         [](const testing::TestParamInfo<IsoKind>& info) {
                             return std::string(info.param.name);
                         });
