// The walk of the recorder's MOV layout: optional atoms, the atoms it refuses,
// and hostile sizes that must neither hang the top-level search nor read
// outside the file.
#include "cutting/MovLayout.h"
#include "support/BoxTree.h"
#include "support/BoxWriter.h"
#include "support/DebugCapture.h"
#include "support/MovRecordingWriter.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace isorec;

namespace {

CutResult Walk(const std::vector<std::uint8_t>& bytes, RecordingMovLayout& layout) {
    const MemorySourceReader source(bytes);
    return MovReadMoov(source, layout);
}

CutResult Walk(const std::vector<std::uint8_t>& bytes) {
    RecordingMovLayout layout;
    return Walk(bytes, layout);
}

const std::string kVideoStbl = "moov/trak[0]/mdia/minf/stbl/";

}  // namespace

TEST(MovLayout, WalksARecordingWithEveryOptionalAtom) {
    const MovRecordingSpec spec = SyntheticMovSpec(5.0, 1);
    const std::vector<std::uint8_t> bytes = BuildMovRecording(spec);
    RecordingMovLayout layout;
    ASSERT_EQ(Walk(bytes, layout), Cut_OK);
    const BoxTree tree(bytes);
    const std::size_t moov = tree.Find("moov")->offset;
    const MovAtomMap& map = layout.Map();
    EXPECT_EQ(map.video.edts.pos + moov, tree.Find("moov/trak[0]/edts")->offset);
    EXPECT_EQ(map.video.mdia.pos + moov, tree.Find("moov/trak[0]/mdia")->offset);
    EXPECT_EQ(map.video.dinf.pos + moov, tree.Find("moov/trak[0]/mdia/minf/dinf")->offset);
    EXPECT_EQ(map.third.stco.pos + moov, tree.Find("moov/trak[2]/mdia/minf/stbl/stco")->offset);
    EXPECT_EQ(layout.videoTotal, 125u);
    EXPECT_EQ(layout.syncTotal, 5u);
    EXPECT_EQ(layout.audioTotal, spec.audio.samples.size());
    EXPECT_EQ(layout.thirdTotal, 5u);
    EXPECT_EQ(layout.movieTimeScale, 1000u);
    EXPECT_EQ(layout.videoTimeScale, 90000u);
    EXPECT_EQ(layout.audioTimeScale, 48000u);
    EXPECT_EQ(layout.videoDelta, 3600u);
    EXPECT_EQ(layout.audioDelta, 1024u);
    EXPECT_EQ(layout.thirdDelta, 90000u);
    EXPECT_EQ(layout.SyncNumber(2), 51u);
    EXPECT_EQ(layout.SampleOffset(1, 3), tree.Entries("moov/trak[1]/mdia/minf/stbl/stco", 16)[3]);
    EXPECT_EQ(layout.SampleSize(0, 7), spec.video.samples[7].bytes.size());
    EXPECT_THROW(layout.SampleOffset(2, 5), std::runtime_error);
}

TEST(MovLayout, EachOptionalAtomMayBeMissing) {
    const auto without = [](auto change) {
        MovRecordingSpec spec = SyntheticMovSpec(2.0, 1);
        change(spec);
        return BuildMovRecording(spec);
    };
    RecordingMovLayout layout;
    ASSERT_EQ(Walk(without([](MovRecordingSpec& s) { s.editList = false; }), layout), Cut_OK);
    EXPECT_EQ(layout.Map().video.edts.size, 0u);
    EXPECT_EQ(Walk(without([](MovRecordingSpec& s) { s.dataHandlers = false; })), Cut_OK);
    EXPECT_EQ(Walk(without([](MovRecordingSpec& s) { s.sampleDependencies = false; })), Cut_OK);
    EXPECT_EQ(Walk(without([](MovRecordingSpec& s) { s.wideAtom = false; })), Cut_OK);
    EXPECT_EQ(Walk(without([](MovRecordingSpec& s) { s.trailingUserData = false; })), Cut_OK);
}

TEST(MovLayout, RefusesAtomsOutOfTheirPlace) {
    const std::vector<std::uint8_t> good = BuildMovRecording(SyntheticMovSpec(2.0, 1));
    const BoxTree tree(good);
    DebugCapture capture;
    for (const char* path :
         {"moov/mvhd", "moov/trak[1]", "moov/trak[2]/tkhd", "moov/trak[0]/mdia",
          "moov/trak[1]/mdia/minf/dinf", "moov/trak[0]/mdia/minf/stbl/ctts",
          "moov/trak[0]/mdia/minf/stbl/stss", "moov/trak[2]/mdia/minf/stbl/stco", "moov"}) {
        std::vector<std::uint8_t> bytes = good;
        const BoxNode* box = tree.Find(path);
        ASSERT_NE(box, nullptr) << path;
        std::memcpy(bytes.data() + box->offset + 4, "skip", 4);
        EXPECT_EQ(Walk(bytes), Err_Cut_SrcFileMappingError) << path;
    }
    EXPECT_TRUE(capture.Contains(QStringLiteral("MovReadMoov")));
}

TEST(MovLayout, TopLevelSizesBelowAHeaderEndTheSearch) {
    const std::vector<std::uint8_t> good = BuildMovRecording(SyntheticMovSpec(1.0, 1));
    DebugCapture capture;
    for (std::uint32_t size : {0u, 1u, 7u}) {
        for (const char* path : {"ftyp", "wide", "mdat"}) {
            std::vector<std::uint8_t> bytes = good;
            PatchU32(bytes, BoxTree(good).Find(path)->offset, size);
            EXPECT_EQ(Walk(bytes), Err_Cut_SrcFileMappingError) << path << " " << size;
        }
    }
    // A file without "moov" runs out of atoms.
    std::vector<std::uint8_t> bytes = good;
    std::memcpy(bytes.data() + BoxTree(good).Find("moov")->offset + 4, "free", 4);
    EXPECT_EQ(Walk(bytes), Err_Cut_SrcFileMappingError);
}

TEST(MovLayout, EveryTruncationIsRefused) {
    const std::vector<std::uint8_t> good = BuildMovRecording(SyntheticMovSpec(1.0, 1));
    const std::size_t moov = BoxTree(good).Find("moov")->offset;
    DebugCapture capture;
    for (std::size_t size = 0; size < good.size(); size += (size < moov + 64 ? 7 : 1)) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_EQ(Walk(cut), Err_Cut_SrcFileMappingError) << size;
    }
}

TEST(MovLayout, RefusesCountsNumbersAndValuesOutsideTheLimits) {
    const std::vector<std::uint8_t> good = BuildMovRecording(SyntheticMovSpec(3.0, 1));
    const BoxTree tree(good);
    const struct {
        std::string path;
        std::size_t at;
        std::uint32_t value;
    } cases[] = {
        {kVideoStbl + "ctts", 12, 0x10000000},        // entries past the atom
        {kVideoStbl + "ctts", 12, 76},                // more samples than stsz and stco list
        {kVideoStbl + "stss", 12, 0x40000000},        // entries past the atom
        {kVideoStbl + "stss", 16, 0},                 // sync number 0
        {kVideoStbl + "stss", 20, 1},                 // not ascending
        {kVideoStbl + "stss", 24, 76},                // past the last sample
        {kVideoStbl + "stts", 12, 2},                 // more than one entry
        {kVideoStbl + "stts", 20, 0},                 // zero delta
        {"moov/trak[1]/mdia/minf/stbl/stts", 20, 0},  // zero audio delta
        {"moov/trak[2]/mdia/minf/stbl/stts", 20, 0},  // zero third-track delta
        {"moov/trak[0]/mdia/mdhd", 20, 0},            // zero video time scale
        {"moov/trak[1]/mdia/mdhd", 20, 0},            // zero audio time scale
        {"moov/trak[1]/mdia/minf/stbl/stsz", 16, 0x7FFFFFFF},
        {"moov/trak[1]/mdia/minf/stbl/stco", 12, 3},  // fewer offsets than samples
        {"moov/trak[0]/edts", 0, 48},                 // not the one-entry edit list
        {"moov/trak[0]/tkhd", 0, 100},
        {"moov", 0, 0x7FFFFFF0},  // past the file
    };
    DebugCapture capture;
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes = good;
        const BoxNode* box = tree.Find(c.path);
        ASSERT_NE(box, nullptr) << c.path;
        PatchU32(bytes, box->offset + c.at, c.value);
        EXPECT_EQ(Walk(bytes), Err_Cut_SrcFileMappingError) << c.path << " +" << c.at;
    }
}

TEST(MovLayout, TheMoovBufferServesALargerSourceAfterASmallerOne) {
    RecordingMovLayout layout;
    ASSERT_EQ(Walk(BuildMovRecording(SyntheticMovSpec(1.0, 1)), layout), Cut_OK);
    ASSERT_EQ(Walk(BuildMovRecording(SyntheticMovSpec(6.0, 2)), layout), Cut_OK);
    EXPECT_EQ(layout.videoTotal, 150u);
    ASSERT_EQ(Walk(BuildMovRecording(SyntheticMovSpec(2.0, 3)), layout), Cut_OK);
    EXPECT_EQ(layout.videoTotal, 50u);
    EXPECT_EQ(layout.syncTotal, 2u);
}
