// The walks of the recorder's MP4 and MOV layouts: what they find, the optional
// boxes they accept, and the types, sizes, counts and truncations they refuse
// without reading outside the file.
#include "cutting/MovLayout.h"
#include "cutting/Mp4Layout.h"
#include "support/BoxTree.h"
#include "support/BoxWriter.h"
#include "support/DebugCapture.h"
#include "support/MovRecordingWriter.h"
#include "support/Mp4RecordingWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

using namespace cutting;

using namespace isorec;

namespace {

template <typename Layout>
CutResult Walk(const std::vector<std::uint8_t>& bytes, Layout& layout) {
    const MemorySourceReader source(bytes);
    if constexpr (std::is_same_v<Layout, RecordingMp4Layout>) {
        return Mp4ParseAtoms(source, layout);
    } else {
        return MovReadMoov(source, layout);
    }
}

template <typename Layout>
CutResult Walk(const std::vector<std::uint8_t>& bytes) {
    Layout layout;
    return Walk(bytes, layout);
}

// A 32-bit field of a box (a size, a count, a value or, at +4, the type) that
// takes a value outside the layout.
struct Patch {
    std::string path;
    std::size_t at;
    std::uint32_t value;
};

constexpr std::uint32_t kFree = 0x66726565;  // "free" as a type

template <typename Layout>
void ExpectEachPatchRefused(const std::vector<std::uint8_t>& good,
                            const std::vector<Patch>& patches) {
    const BoxTree tree(good);
    DebugCapture capture;
    for (const Patch& patch : patches) {
        const BoxNode* box = tree.Find(patch.path);
        ASSERT_NE(box, nullptr) << patch.path;
        std::vector<std::uint8_t> bytes = good;
        PatchU32(bytes, box->offset + patch.at, patch.value);
        EXPECT_EQ(Walk<Layout>(bytes), Err_Cut_SrcFileMappingError)
            << patch.path << " +" << patch.at;
    }
}

template <typename Layout>
void ExpectEveryTruncationRefused(const std::vector<std::uint8_t>& good, std::size_t fineFrom) {
    DebugCapture capture;
    for (std::size_t size = 0; size < good.size(); size += (size < fineFrom ? 7 : 1)) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_EQ(Walk<Layout>(cut), Err_Cut_SrcFileMappingError) << size;
    }
}

const std::string kVideoStbl = "moov/trak[0]/mdia/minf/stbl/";
const std::string kAudioStbl = "moov/trak[1]/mdia/minf/stbl/";
const std::string kThirdStbl = "moov/trak[2]/mdia/minf/stbl/";

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
    EXPECT_EQ(map.audio.stsz.pos + map.moovOffset, tree.Find(kAudioStbl + "stsz")->offset);
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
    EXPECT_EQ(layout.VideoChunkOffset(2), tree.Entries(kVideoStbl + "stco", 16)[2]);
    EXPECT_EQ(layout.AudioSampleSize(5), spec.audio.samples[5].bytes.size());
    EXPECT_EQ(FlogRecordTime(layout.FlogRecord(7)), (1700000000u + 1) * 1000u + 400u);
    EXPECT_EQ(std::memcmp(layout.FptsValue(0), "\xE8\x03\0\0", 4), 0);  // 1000, little-endian
    EXPECT_THROW(layout.VideoChunkOffset(4), std::runtime_error);
    // The upper 4 bits of the milliseconds field are no part of the time.
    EXPECT_EQ(FlogRecordTime(MakeFlogRecord(1, 0xF07B, 0).data()), 1123u);
}

TEST(Mp4Layout, AcceptsTheOptionalVariationsAndRefusesAnExtraBoxInTheChain) {
    Mp4RecordingSpec spec = SyntheticMp4Spec(2.0, 1);
    spec.freeBoxBeforeMdat = true;
    spec.textBoxEnclosesLog = false;
    spec.textType = "\xA9xyz";
    spec.text.clear();
    spec.records.clear();
    spec.fpts.clear();
    RecordingMp4Layout layout;
    ASSERT_EQ(Walk(BuildMp4Recording(spec), layout), Cut_OK);
    EXPECT_EQ(layout.Map().fpts.pos, layout.Map().textPos + 12);
    EXPECT_EQ(layout.recordCount, 0u);
    EXPECT_EQ(layout.Map().flog.size, 16u);

    spec = SyntheticMp4Spec(2.0, 1);
    spec.editListInVideoTrack = true;
    EXPECT_EQ(Walk<RecordingMp4Layout>(BuildMp4Recording(spec)), Err_Cut_SrcFileMappingError);
    spec.editListInVideoTrack = false;
    spec.cttsAfterVideoStco = true;
    EXPECT_EQ(Walk<RecordingMp4Layout>(BuildMp4Recording(spec)), Err_Cut_SrcFileMappingError);
}

TEST(Mp4Layout, RefusesWrongTypesSizesCountsAndValues) {
    const Mp4RecordingSpec spec = SyntheticMp4Spec(2.0, 1);
    const std::vector<std::uint8_t> good = BuildMp4Recording(spec);
    // FPTS and FLOG sit inside the text box of "udta", past its text.
    const std::size_t fpts = 12 + spec.text.size();
    const std::size_t flog =
        fpts + ReadU32(good, BoxTree(good).Find("moov/udta/INFO")->offset + fpts);
    ExpectEachPatchRefused<RecordingMp4Layout>(
        good, {
                  {"moov/trak[1]", 4, kFree},              // compared types
                  {"moov/udta", 4, kFree},                 //
                  {"mdat", 4, kFree},                      //
                  {"moov/udta/INFO", fpts + 4, kFree},     //
                  {"moov/udta/INFO", flog + 4, kFree},     //
                  {"moov/udta/INFO", flog + 12, 1 << 28},  // more records than the box holds
                  {"ftyp", 0, 0},                          // first box size 0
                  {"ftyp", 0, 7},                          // below a header
                  {"ftyp", 0, 0xFFFFFFF0},                 // past the file
                  {"mdat", 0, 0},                          // stands still
                  {"mdat", 0, 0x7FFFFFFF},                 // movie box past the file
                  {"moov", 0, 0x7FFFFFFF},                 // movie box size past the file
                  {"moov/mvhd", 0, 120},                   // not the 108-byte header
                  {"moov/trak[0]/tkhd", 0, 4},             // below a header
                  {"moov/trak[0]/mdia", 0, 0x00FFFFFF},    // past its parent
                  {kVideoStbl + "stts", 12, 99},           // fewer deltas than samples
                  {kVideoStbl + "stsc", 12, 0x20000000},   // entries past the box
                  {kVideoStbl + "stsz", 16, 0x40000000},   // sizes past the box
                  {kVideoStbl + "stco", 12, 1},            // fewer offsets than chunks
                  {kVideoStbl + "stsc", 16 + 4, 1000},     // chunks hold more than the samples
                  {kAudioStbl + "stts", 12, 2},            // audio deltas not uniform
                  {kAudioStbl + "stts", 20, 0},            // zero audio delta
                  {"moov/trak[0]/mdia/mdhd", 20, 0},       // zero video time scale
                  {"moov/trak[1]/mdia/mdhd", 20, 0},       // zero audio time scale
                  {kAudioStbl + "stsc", 12, 0x7FFFFFFF},   // entries past the box
              });
    const std::vector<std::uint8_t> small = BuildMp4Recording(SyntheticMp4Spec(1.0, 1));
    ExpectEveryTruncationRefused<RecordingMp4Layout>(small, BoxTree(small).Find("moov")->offset);
}

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
    EXPECT_EQ(map.third.stco.pos + moov, tree.Find(kThirdStbl + "stco")->offset);
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
    EXPECT_EQ(layout.SampleOffset(1, 3), tree.Entries(kAudioStbl + "stco", 16)[3]);
    EXPECT_EQ(layout.SampleSize(0, 7), spec.video.samples[7].bytes.size());
    EXPECT_THROW(layout.SampleOffset(2, 5), std::runtime_error);

    // The movie buffer serves a larger source after a smaller one, and back.
    ASSERT_EQ(Walk(BuildMovRecording(SyntheticMovSpec(6.0, 2)), layout), Cut_OK);
    EXPECT_EQ(layout.videoTotal, 150u);
    ASSERT_EQ(Walk(BuildMovRecording(SyntheticMovSpec(2.0, 3)), layout), Cut_OK);
    EXPECT_EQ(layout.videoTotal, 50u);
    EXPECT_EQ(layout.syncTotal, 2u);
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
    EXPECT_EQ(Walk(without([](MovRecordingSpec& s) { s.dataHandlers = false; }), layout), Cut_OK);
    EXPECT_EQ(Walk(without([](MovRecordingSpec& s) { s.sampleDependencies = false; }), layout),
              Cut_OK);
    EXPECT_EQ(Walk(without([](MovRecordingSpec& s) { s.wideAtom = false; }), layout), Cut_OK);
    EXPECT_EQ(Walk(without([](MovRecordingSpec& s) { s.trailingUserData = false; }), layout),
              Cut_OK);
}

TEST(MovLayout, RefusesWrongTypesSizesCountsAndValues) {
    const std::vector<std::uint8_t> good = BuildMovRecording(SyntheticMovSpec(3.0, 1));
    std::vector<Patch> patches = {
        {"moov", 4, kFree},  // no "moov": the search runs out of atoms
        {"moov/mvhd", 4, kFree},
        {"moov/trak[1]", 4, kFree},
        {"moov/trak[2]/tkhd", 4, kFree},
        {"moov/trak[0]/mdia", 4, kFree},
        {"moov/trak[1]/mdia/minf/dinf", 4, kFree},
        {kVideoStbl + "ctts", 4, kFree},
        {kVideoStbl + "stss", 4, kFree},
        {kThirdStbl + "stco", 4, kFree},
        {kVideoStbl + "ctts", 12, 0x10000000},  // entries past the atom
        {kVideoStbl + "ctts", 12, 76},          // more samples than stsz and stco list
        {kVideoStbl + "stss", 12, 0x40000000},  // entries past the atom
        {kVideoStbl + "stss", 16, 0},           // sync number 0
        {kVideoStbl + "stss", 20, 1},           // not ascending
        {kVideoStbl + "stss", 24, 76},          // past the last sample
        {kVideoStbl + "stts", 12, 2},           // more than one entry
        {kVideoStbl + "stts", 20, 0},           // zero delta
        {kAudioStbl + "stts", 20, 0},           // zero audio delta
        {kThirdStbl + "stts", 20, 0},           // zero third-track delta
        {"moov/trak[0]/mdia/mdhd", 20, 0},      // zero video time scale
        {"moov/trak[1]/mdia/mdhd", 20, 0},      // zero audio time scale
        {kAudioStbl + "stsz", 16, 0x7FFFFFFF},  // sizes past the atom
        {kAudioStbl + "stco", 12, 3},           // fewer offsets than samples
        {"moov/trak[0]/edts", 0, 48},           // not the one-entry edit list
        {"moov/trak[0]/tkhd", 0, 100},          //
        {"moov", 0, 0x7FFFFFF0},                // past the file
    };
    // Top-level sizes below a header would stand still or step back.
    for (const char* path : {"ftyp", "wide", "mdat"}) {
        for (const std::uint32_t size : {0u, 1u, 7u}) {
            patches.push_back({path, 0, size});
        }
    }
    ExpectEachPatchRefused<RecordingMovLayout>(good, patches);
    const std::vector<std::uint8_t> small = BuildMovRecording(SyntheticMovSpec(1.0, 1));
    ExpectEveryTruncationRefused<RecordingMovLayout>(small,
                                                     BoxTree(small).Find("moov")->offset + 64);
}
