// The MPEG-TS cutter on clocks that are not the recorder's simplest: pictures
// decoded out of presentation order, time stamps that wrap past 2^33, ends that
// lie recordings after a join, and an end without bound.
#include "CutFixture.h"

#include "cutting/TSCutting.h"

#include <limits>

namespace {

using tsrec::kPidVideo;

constexpr std::int64_t kSecond = 90000;
constexpr std::int64_t kFrame = 3600;  // 25 fps
constexpr std::int64_t kWrap = std::int64_t{1} << 33;

tsrec::TsRecordingSpec Synthetic(double seconds) {
    tsrec::TsRecordingSpec spec;
    spec.durationSeconds = seconds;
    return spec;
}

// True when `hashes` are `from` a run of `first` to its end, then the beginning
// of `second` (or just a run of `first` when `second` is empty).
bool IsRunAcrossJoin(const QStringList& hashes, const QStringList& first,
                     const QStringList& second) {
    const qsizetype start = first.indexOf(hashes.value(0));
    if (hashes.isEmpty() || start < 0) {
        return false;
    }
    const QStringList joined = first.mid(start) + second;
    if (second.isEmpty()) {
        return joined.mid(0, hashes.size()) == hashes;
    }
    return hashes.size() >= first.size() - start && joined.mid(0, hashes.size()) == hashes;
}

std::vector<std::int64_t> VideoPts(const std::vector<std::uint8_t>& clip) {
    return PtsOf(ParseClip(clip), kPidVideo);
}

class TSCuttingClockTest : public CutTest {
  protected:
    QString Clip() const { return PathOf(QStringLiteral("clip.ts")); }
};

class TSBFramesTest : public TSCuttingClockTest, public testing::WithParamInterface<int> {};

}  // namespace

TEST_P(TSBFramesTest, ReorderedPicturesKeepTheClockForwardAndEndOnADecodablePicture) {
    const tsrec::ElementaryStreams& media = RealMedia(5, GetParam());
    ASSERT_FALSE(media.presentationDelays.empty());
    tsrec::TsRecordingSpec spec;
    spec.media = &media;
    ItemRef first = Recording(QStringLiteral("a.ts"), spec);
    spec.firstPcrBase += 11 * kSecond;
    ItemRef second = Recording(QStringLiteral("b.ts"), spec);
    const QStringList firstPictures = PictureHashes(first->path);
    const QStringList secondPictures = PictureHashes(second->path);
    ASSERT_EQ(firstPictures.size(), 125);

    struct Span {
        std::vector<TFileItem*> items;
        double start, end;
    };
    // Within one recording (ending 4.5 s in), and across the join.
    for (const Span& span : {Span{{first.get()}, 1.5, 3.7},
                             Span{{first.get(), second.get()}, 2.5, first->duration + 1.1}}) {
        SCOPED_TRACE(span.items.size());
        ASSERT_EQ(Cut(span.items, Clip(), span.start, span.end).result, Cut_OK);
        const std::vector<std::uint8_t> clip = Bytes(Clip());
        ExpectPacketGrid(clip);
        EXPECT_EQ(BackwardClockSteps(ParseClip(clip)), 0);
        EXPECT_EQ(DecodeErrors(Clip()).toStdString(), "");
        const QStringList pictures = PictureHashes(Clip());
        EXPECT_TRUE(IsRunAcrossJoin(pictures, firstPictures,
                                    span.items.size() > 1 ? secondPictures : QStringList()))
            << pictures.size() << " pictures";
        // From the key frame at or before the start to near the end.
        EXPECT_EQ(pictures.value(0), firstPictures.value(static_cast<int>(span.start) * 25));
        const qsizetype shown = firstPictures.size() - static_cast<int>(span.start) * 25;
        EXPECT_GT(pictures.size(), span.items.size() > 1 ? shown + 25 : 70);
        // Our own probe reads the clip's length from its clock.
        ItemRef probed(new TFileItem(Clip()));
        EXPECT_NEAR(probed->duration, pictures.size() / 25.0, 0.2);
    }
}

INSTANTIATE_TEST_SUITE_P(BFrames, TSBFramesTest, testing::Values(2, 3));

// The same recording with a clock that starts far from its wrap and one whose
// time stamps wrap 2.5 s in.
TEST_F(TSCuttingClockTest, SpansBeforeAcrossAndAfterTheClockWrapCutAsWithoutIt) {
    tsrec::TsRecordingSpec spec = Synthetic(6);
    ItemRef plain = Recording(QStringLiteral("plain.ts"), spec);
    spec.firstPcrBase = kWrap - 5 * kSecond / 2 - 18000;
    ItemRef wrapped = Recording(QStringLiteral("wrapped.ts"), spec);
    EXPECT_DOUBLE_EQ(wrapped->duration, plain->duration);
    struct Span {
        double start, end;
    };
    for (const Span& span : {Span{0.5, 2.0}, Span{1.2, 2.2}, Span{1.5, 4.0}, Span{3.2, 5.0}}) {
        SCOPED_TRACE(span.start);
        const QString plainClip = PathOf(QStringLiteral("plain-clip.ts"));
        ASSERT_EQ(Cut({plain.get()}, plainClip, span.start, span.end).result, Cut_OK);
        ASSERT_EQ(Cut({wrapped.get()}, Clip(), span.start, span.end).result, Cut_OK);
        const std::vector<std::int64_t> expected = VideoPts(Bytes(plainClip));
        const std::vector<std::int64_t> got = VideoPts(Bytes(Clip()));
        ASSERT_EQ(got.size(), expected.size());
        ASSERT_FALSE(got.empty());
        if (span.start > 1.0) {
            // Clip time starts at 0 either way: the clips are the same.
            EXPECT_TRUE(Bytes(Clip()) == Bytes(plainClip));
        } else {
            // The recording's own stamps stay, one constant apart.
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ((got[i] - expected[i] + kWrap) % kWrap,
                          (spec.firstPcrBase - 900000) % kWrap);
            }
        }
    }
}

TEST_F(TSCuttingClockTest, AWholeSecondSpanAcrossTwoJoinsEndsWhereTheTimeLineSays) {
    ItemRef a = Recording(QStringLiteral("a.ts"), Synthetic(3));
    ItemRef b = Recording(QStringLiteral("b.ts"), Synthetic(3));
    ItemRef c = Recording(QStringLiteral("c.ts"), Synthetic(3));
    ASSERT_DOUBLE_EQ(a->duration, 2.96);
    // From 1.5 s (the key frame at 1.0 s) for 6 s: the end lies 7.5 - 2 x 2.96 =
    // 1.58 s into the third recording. Pictures: 50 + 75 + 40 (0 .. 1.56 s).
    ASSERT_EQ(Cut({a.get(), b.get(), c.get()}, Clip(), 1.5, 7.5).result, Cut_OK);
    const std::vector<std::uint8_t> clip = Bytes(Clip());
    ExpectPacketGrid(clip);
    const std::vector<std::int64_t> video = VideoPts(clip);
    EXPECT_EQ(video.size(), 165u);
    // The sound of the third recording up to the end too.
    const std::vector<std::int64_t> sound = PtsOf(ParseClip(clip), tsrec::kPidAudio);
    ASSERT_FALSE(sound.empty());
    const std::int64_t thirdStart = video[125];
    EXPECT_LE(sound.back() - thirdStart, 158 * kSecond / 100);
    EXPECT_GT(sound.back() - thirdStart, 158 * kSecond / 100 - 1920);
}

TEST_F(TSCuttingClockTest, AnEndPastTheSelectionIsTakenAsItsEnd) {
    ItemRef a = Recording(QStringLiteral("a.ts"), Synthetic(3));
    ItemRef b = Recording(QStringLiteral("b.ts"), Synthetic(3));
    const double total = a->duration + b->duration;
    // The play list's first item has a duration: the estimate is its rate times the
    // span, which the end past the selection would make endless.
    std::vector<std::vector<std::uint8_t>> clips;
    for (const double end : {std::numeric_limits<double>::infinity(), 1e300, total + 1.0}) {
        SCOPED_TRACE(end);
        const CutRun run = Cut({a.get(), b.get()}, Clip(), 1.5, end);
        ASSERT_EQ(run.started, Cut_OK);
        ASSERT_EQ(run.result, Cut_OK);
        clips.push_back(Bytes(Clip()));
        // From the key frame at 1.0 s to the last picture of the second recording.
        EXPECT_EQ(VideoPts(clips.back()).size(), 50u + 75u);
        EXPECT_EQ(ContinuityErrors(Clip()).toStdString(), "");
    }
    EXPECT_TRUE(clips[0] == clips[1]);
    EXPECT_TRUE(clips[0] == clips[2]);
}

TEST_F(TSCuttingClockTest, AnUnboundedEndRunsToTheEndOfTheLastRecording) {
    ItemRef a = Recording(QStringLiteral("a.ts"), Synthetic(3));
    ItemRef b = Recording(QStringLiteral("b.ts"), Synthetic(3));
    // Through the job (a first item without duration leaves the estimate to the
    // selected files' sizes) and straight to the cutter, from the key frame at 1.0 s.
    ItemRef empty = FakeItem(0, FILE_TYPE_TS);
    for (const double end : {std::numeric_limits<double>::infinity(), 1e300}) {
        SCOPED_TRACE(end);
        ASSERT_EQ(Cut({empty.get(), a.get(), b.get()}, Clip(), 1.5, end).result, Cut_OK);
        EXPECT_EQ(VideoPts(Bytes(Clip())).size(), 50u + 75u);
        const CutOutput cut =
            RunCutter(TSCutting, {a.get(), b.get()}, {.start = 1.5, .end = 0, .span = end});
        ASSERT_EQ(cut.result, Cut_OK);
        EXPECT_EQ(VideoPts(cut.clip).size(), 50u + 75u);
    }
}
