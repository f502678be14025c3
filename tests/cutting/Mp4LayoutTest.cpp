// The walk of the recorder's MP4 layout: what it finds, what it refuses, and
// that no input makes it read outside the file.
#include "cutting/Mp4Layout.h"
#include "support/BoxTree.h"
#include "support/BoxWriter.h"
#include "support/DebugCapture.h"
#include "support/Mp4RecordingWriter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

using namespace isorec;

namespace {

CutResult Walk(const std::vector<std::uint8_t>& bytes, RecordingMp4Layout& layout) {
    const MemorySourceReader source(bytes);
    return Mp4ParseAtoms(source, layout);
}

CutResult Walk(const std::vector<std::uint8_t>& bytes) {
    RecordingMp4Layout layout;
    return Walk(bytes, layout);
}

void SetType(std::vector<std::uint8_t>& bytes, const BoxNode* box, const char* type) {
    ASSERT_NE(box, nullptr);
    std::memcpy(bytes.data() + box->offset + 4, type, 4);
}

const std::string kVideoStbl = "moov/trak[0]/mdia/minf/stbl/";
const std::string kAudioStbl = "moov/trak[1]/mdia/minf/stbl/";

}  // namespace

TEST(Mp4Layout, WalksARecordingAndTakesItsValues) {
    Mp4RecordingSpec spec = SyntheticMp4Spec(4.0, 1);
    spec.movieTimeScale = 600;
    const std::vector<std::uint8_t> bytes = BuildMp4Recording(spec);
    RecordingMp4Layout layout;
    ASSERT_EQ(Walk(bytes, layout), Cut_OK);

    const BoxTree tree(bytes);
    const Mp4BoxMap& map = layout.Map();
    EXPECT_EQ(map.firstBoxSize, tree.TopLevel()[0].size);
    EXPECT_EQ(map.mdatOffset, tree.Find("mdat")->offset);
    EXPECT_EQ(map.moovOffset, tree.Find("moov")->offset);
    EXPECT_EQ(map.video.stco.pos + layout.Map().moovOffset, tree.Find(kVideoStbl + "stco")->offset);
    EXPECT_EQ(map.audio.stsz.pos + layout.Map().moovOffset, tree.Find(kAudioStbl + "stsz")->offset);
    EXPECT_EQ(layout.videoChunkCount, 4u);
    EXPECT_EQ(layout.videoSampleCount, 100u);
    EXPECT_EQ(layout.audioChunkCount, 4u);
    EXPECT_EQ(layout.audioSampleCount, spec.audio.samples.size());
    EXPECT_EQ(layout.recordCount, 20u);
    EXPECT_EQ(layout.movieTimeScale, 600u);
    EXPECT_EQ(layout.videoTimeScale, 90000u);
    EXPECT_EQ(layout.audioTimeScale, 16000u);
    EXPECT_EQ(layout.audioSampleDelta, 1024u);
    EXPECT_EQ(map.textLength, spec.text.size());
    EXPECT_EQ(std::memcmp(layout.Bytes(map.fpts) + 4, "FPTS", 4), 0);

    // Table entries read through the map are the writer's.
    EXPECT_EQ(layout.VideoSamplesPerChunk(3), 25u);
    EXPECT_EQ(layout.VideoSampleDelta(99), 3600u);
    EXPECT_EQ(layout.VideoChunkOffset(2), tree.Entries(kVideoStbl + "stco", 16)[2]);
    EXPECT_EQ(layout.AudioChunkOffset(1), tree.Entries(kAudioStbl + "stco", 16)[1]);
    EXPECT_EQ(layout.AudioSampleSize(5), spec.audio.samples[5].bytes.size());
    EXPECT_EQ(FlogRecordTime(layout.FlogRecord(7)), (1700000000u + 1) * 1000u + 400u);
    EXPECT_EQ(std::memcmp(layout.FptsValue(0), "\xE8\x03\0\0", 4), 0);  // 1000, little-endian
    EXPECT_THROW(layout.VideoChunkOffset(4), std::runtime_error);
}

TEST(Mp4Layout, AcceptsTheOptionalVariations) {
    Mp4RecordingSpec spec = SyntheticMp4Spec(2.0, 1);
    spec.freeBoxBeforeMdat = true;
    EXPECT_EQ(Walk(BuildMp4Recording(spec)), Cut_OK);

    spec.textBoxEnclosesLog = false;
    spec.textType = "\xA9xyz";
    EXPECT_EQ(Walk(BuildMp4Recording(spec)), Cut_OK);

    spec.text.clear();
    RecordingMp4Layout layout;
    ASSERT_EQ(Walk(BuildMp4Recording(spec), layout), Cut_OK);
    EXPECT_EQ(layout.Map().fpts.pos, layout.Map().textPos + 12);

    spec.records.clear();
    spec.fpts.clear();
    ASSERT_EQ(Walk(BuildMp4Recording(spec), layout), Cut_OK);
    EXPECT_EQ(layout.recordCount, 0u);
    EXPECT_EQ(layout.Map().fpts.size, 16u);
    EXPECT_EQ(layout.Map().flog.size, 16u);
}

TEST(Mp4Layout, FlogTimeIgnoresTheUpperBitsOfTheMilliseconds) {
    const FlogRecordBytes record = MakeFlogRecord(1, 0xF07B, 0);
    EXPECT_EQ(FlogRecordTime(record.data()), 1123u);
}

TEST(Mp4Layout, RefusesEachWrongComparedType) {
    const std::vector<std::uint8_t> good = BuildMp4Recording(SyntheticMp4Spec(2.0, 1));
    const BoxTree tree(good);
    for (const char* path : {"moov/trak[1]", "moov/udta", "mdat"}) {
        std::vector<std::uint8_t> bytes = good;
        SetType(bytes, tree.Find(path), "free");
        DebugCapture capture;
        EXPECT_EQ(Walk(bytes), Err_Cut_SrcFileMappingError) << path;
        EXPECT_TRUE(capture.Contains(QStringLiteral("Mp4ParseAtoms")));
    }
    // FPTS and FLOG sit inside the text box of "udta".
    const std::size_t text = tree.Find("moov/udta")->offset + 8;
    const std::size_t fpts = text + 12 + SyntheticMp4Spec(2.0, 1).text.size();
    std::vector<std::uint8_t> bytes = good;
    std::memcpy(bytes.data() + fpts + 4, "FPTZ", 4);
    EXPECT_EQ(Walk(bytes), Err_Cut_SrcFileMappingError);
    bytes = good;
    const std::size_t flog = fpts + ReadU32(good, fpts);
    std::memcpy(bytes.data() + flog + 4, "FLOG", 4);
    EXPECT_EQ(Walk(bytes), Cut_OK);
    std::memcpy(bytes.data() + flog + 4, "GOLF", 4);
    EXPECT_EQ(Walk(bytes), Err_Cut_SrcFileMappingError);
}

TEST(Mp4Layout, AnExtraBoxInTheChainIsRefused) {
    Mp4RecordingSpec spec = SyntheticMp4Spec(2.0, 1);
    spec.editListInVideoTrack = true;
    EXPECT_EQ(Walk(BuildMp4Recording(spec)), Err_Cut_SrcFileMappingError);
    spec.editListInVideoTrack = false;
    spec.cttsAfterVideoStco = true;
    EXPECT_EQ(Walk(BuildMp4Recording(spec)), Err_Cut_SrcFileMappingError);
}

TEST(Mp4Layout, EveryTruncationIsRefused) {
    Mp4RecordingSpec spec = SyntheticMp4Spec(1.0, 1);
    const std::vector<std::uint8_t> good = BuildMp4Recording(spec);
    DebugCapture capture;
    for (std::size_t size = 0; size < good.size(); size += (size < 64 ? 1 : 13)) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_EQ(Walk(cut), Err_Cut_SrcFileMappingError) << size;
    }
}

TEST(Mp4Layout, RefusesSizesCountsAndValuesOutsideTheLimits) {
    const std::vector<std::uint8_t> good = BuildMp4Recording(SyntheticMp4Spec(2.0, 1));
    const BoxTree tree(good);
    const auto patched = [&](const std::string& path, std::size_t at, std::uint32_t value) {
        std::vector<std::uint8_t> bytes = good;
        const BoxNode* box = tree.Find(path);
        EXPECT_NE(box, nullptr) << path;
        PatchU32(bytes, box->offset + at, value);
        return bytes;
    };
    const std::size_t flog = [&] {
        const std::size_t fpts = tree.Find("moov/udta")->offset + 8 + 12 + 10;
        return fpts + ReadU32(good, fpts);
    }();
    std::vector<std::uint8_t> bytes = good;
    PatchU32(bytes, flog + 12, 0x10000000);  // more records than the box holds
    DebugCapture capture;
    EXPECT_EQ(Walk(bytes), Err_Cut_SrcFileMappingError);

    const struct {
        std::string path;
        std::size_t at;
        std::uint32_t value;
    } cases[] = {
        {"ftyp", 0, 0},                         // first box size 0
        {"ftyp", 0, 7},                         // below a header
        {"ftyp", 0, 0xFFFFFFF0},                // past the file
        {"mdat", 0, 0},                         // stands still
        {"mdat", 0, 0x7FFFFFFF},                // movie box past the file
        {"moov", 0, 0x7FFFFFFF},                // movie box size past the file
        {"moov/mvhd", 0, 120},                  // not the 108-byte header
        {"moov/trak[0]/tkhd", 0, 4},            // below a header
        {"moov/trak[0]/mdia", 0, 0x00FFFFFF},   // past its parent
        {kVideoStbl + "stts", 12, 99},          // fewer deltas than samples
        {kVideoStbl + "stsc", 12, 0x20000000},  // entries past the box
        {kVideoStbl + "stsz", 16, 0x40000000},  // sizes past the box
        {kVideoStbl + "stco", 12, 1},           // fewer offsets than chunks
        {kVideoStbl + "stsc", 16 + 4, 1000},    // chunks hold more than the samples
        {kAudioStbl + "stts", 12, 2},           // audio deltas not uniform
        {kAudioStbl + "stts", 20, 0},           // zero audio delta
        {"moov/trak[0]/mdia/mdhd", 20, 0},      // zero video time scale
        {"moov/trak[1]/mdia/mdhd", 20, 0},      // zero audio time scale
        {kAudioStbl + "stsc", 12, 0x7FFFFFFF},  // entries past the box
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Walk(patched(c.path, c.at, c.value)), Err_Cut_SrcFileMappingError)
            << c.path << " +" << c.at;
    }
}

TEST(Mp4Layout, ReadsAFileThroughPread) {
    const std::vector<std::uint8_t> bytes = BuildMp4Recording(SyntheticMp4Spec(2.0, 3));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.mp4"));
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    FileSourceReader source;
    ASSERT_TRUE(source.Open(path));
    EXPECT_EQ(source.Size(), bytes.size());
    RecordingMp4Layout layout;
    EXPECT_EQ(Mp4ParseAtoms(source, layout), Cut_OK);
    EXPECT_EQ(layout.videoSampleCount, 50u);
    std::uint8_t byte = 0;
    EXPECT_FALSE(source.Read(bytes.size(), &byte, 1));
    EXPECT_TRUE(source.Read(bytes.size() - 1, &byte, 1));
}
