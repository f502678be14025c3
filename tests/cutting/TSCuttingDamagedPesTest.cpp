// Sources whose video PES headers state a length their packets disagree with.
#include "CutFixture.h"

#include "cutting/TSCutting.h"
#include "support/DebugCapture.h"

namespace {

using tsrec::kPidVideo;

// The offsets of the video PES headers, in file order.
std::vector<std::size_t> VideoPesHeaders(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::size_t> headers;
    for (const ClipPacket& packet : PacketsOf(ParseClip(bytes), kPidVideo)) {
        if (packet.pesStart) {
            headers.push_back(packet.offset + static_cast<std::size_t>(packet.pesAt));
        }
    }
    return headers;
}

class TSCuttingDamagedPesTest : public CutTest {
  protected:
    // A 3 s real recording, and a copy of it with the header length of picture
    // `only` (of every one when negative) set to `length`.
    void MakeSources(int bFrames, int length, int only) {
        tsrec::TsRecordingSpec spec;
        spec.media = &RealMedia(3, bFrames);
        intact_ = Recording(QStringLiteral("a.ts"), spec);
        damaged_ = Recording(QStringLiteral("b.ts"), spec);
        std::vector<std::uint8_t> bytes = Bytes(intact_->path);
        const std::vector<std::size_t> headers = VideoPesHeaders(bytes);
        for (std::size_t i = 0; i < headers.size(); ++i) {
            if (only < 0 || static_cast<std::size_t>(only) == i) {
                bytes[headers[i] + 8] = static_cast<std::uint8_t>(length);
            }
        }
        WriteDamaged(bytes);
    }
    // The copy keeps what the probe found in the intact recording.
    void WriteDamaged(const std::vector<std::uint8_t>& bytes) {
        ASSERT_TRUE(tsrec::WriteFileBytes(damaged_->path, bytes));
    }
    CutOutput CutDamaged(double start) {
        return RunCutter(TSCutting, {damaged_.get()}, {.start = start, .end = start + 1.5});
    }

    // The clip of `start`..`start` + 1.5 s is the intact source's clip, and reads
    // and decodes without a word.
    void ExpectCleanClip(double start) {
        SCOPED_TRACE(start);
        const CutOutput cut = CutDamaged(start);
        ASSERT_EQ(cut.result, Cut_OK);
        const CutOutput intact =
            RunCutter(TSCutting, {intact_.get()}, {.start = start, .end = start + 1.5});
        ASSERT_EQ(intact.result, Cut_OK);
        EXPECT_TRUE(cut.clip == intact.clip);
        const QString clip = PathOf(QStringLiteral("clip.ts"));
        ASSERT_TRUE(tsrec::WriteFileBytes(clip, cut.clip));
        EXPECT_EQ(FfprobeErrors(clip).toStdString(), "");
        EXPECT_EQ(DecodeErrors(clip).toStdString(), "");
    }

    ItemRef intact_;
    ItemRef damaged_;
};

}  // namespace

// Without B-frames a header holds a PTS (5 bytes), with them a PTS and a DTS (10).
TEST_F(TSCuttingDamagedPesTest, HeaderLengthsOfEveryPictureAreSetRight) {
    for (const int bFrames : {0, 2}) {
        const int fields = bFrames > 0 ? 10 : 5;
        for (const int length : {0, fields - 1, fields + 1, fields + 4, 100, 255}) {
            SCOPED_TRACE(testing::Message() << bFrames << " B-frames, length " << length);
            DebugCapture capture;
            MakeSources(bFrames, length, -1);
            ExpectCleanClip(0.2);
            ExpectCleanClip(1.3);
        }
    }
}

TEST_F(TSCuttingDamagedPesTest, TheHeaderLengthOfOnePictureIsSetRight) {
    for (const int length : {0, 4, 200}) {
        SCOPED_TRACE(length);
        DebugCapture capture;
        MakeSources(2, length, 30);
        ExpectCleanClip(0.2);
    }
}

TEST_F(TSCuttingDamagedPesTest, APictureWhoseDataCannotBeFoundIsAFailedReadWhenTheClipTakesIt) {
    DebugCapture capture;
    MakeSources(0, 100, 30);
    // Picture 30 (1.2 s) also loses the start code its data begins with.
    std::vector<std::uint8_t> bytes = Bytes(damaged_->path);
    const std::size_t header = VideoPesHeaders(bytes)[30];
    bytes[header + 9 + 5 + 2] = 0x7F;
    WriteDamaged(bytes);
    EXPECT_EQ(CutDamaged(0.2).result, Err_Cut_ReadSrcFileError);
    EXPECT_EQ(CutDamaged(1.5).result, Err_Cut_ReadSrcFileError);
    // A clip that does not take it is cut as ever.
    ExpectCleanClip(2.0);
}
