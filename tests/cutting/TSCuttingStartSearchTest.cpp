// The MPEG-TS cutter's start search from a little before the start gives the
// clip the search from the recording's first byte gives.
#include "CutFixture.h"

#include "cutting/TSCutting.h"

namespace {

constexpr std::int64_t kSecond = 90000;
constexpr std::int64_t kWrap = std::int64_t{1} << 33;

class TSCuttingStartSearchTest : public CutTest {
  protected:
    // Cuts each span both ways; the clips must be the same bytes.
    void ExpectSameClips(const std::vector<TFileItem*>& items,
                         std::initializer_list<std::pair<double, double>> spans) {
        for (const auto& [start, end] : spans) {
            SCOPED_TRACE(testing::Message() << start << ".." << end);
            const CutOutput near = RunCutter(TSCutting, items, {.start = start, .end = end});
            const CutOutput whole = RunCutter(
                TSCutting, items, {.start = start, .end = end, .tsStartFromFirstByte = true});
            ASSERT_EQ(whole.result, Cut_OK);
            EXPECT_EQ(near.result, Cut_OK);
            EXPECT_TRUE(near.clip == whole.clip);
        }
    }
};

tsrec::TsRecordingSpec Camera(double seconds) {
    tsrec::TsRecordingSpec spec;
    spec.durationSeconds = seconds;
    spec.syntheticFrameBytes = 6000;
    return spec;
}

}  // namespace

TEST_F(TSCuttingStartSearchTest, SpansOfOneRecordingAndAcrossJoins) {
    ItemRef a = Recording(QStringLiteral("a.ts"), Camera(30));
    tsrec::TsRecordingSpec later = Camera(30);
    later.firstPcrBase += 40 * kSecond;
    ItemRef b = Recording(QStringLiteral("b.ts"), later);
    ExpectSameClips({a.get()}, {{1.5, 4.0}, {2.0, 4.5}, {9.96, 12.0}, {17.3, 19.0}, {29.5, 31.0}});
    ExpectSameClips({a.get(), b.get()}, {{25.2, 33.0}, {27.0, 65.0}});
}

TEST_F(TSCuttingStartSearchTest, AClockThatWrapsAndKeyFramesFarApart) {
    tsrec::TsRecordingSpec wrapped = Camera(30);
    wrapped.firstPcrBase = kWrap - 12 * kSecond;  // the stamps wrap 12 s in
    ItemRef a = Recording(QStringLiteral("wrapped.ts"), wrapped);
    ExpectSameClips({a.get()}, {{8.0, 11.0}, {11.5, 14.0}, {13.1, 16.0}, {24.0, 26.0}});
    // A key frame every 7 s: the search begins further back until it meets one.
    tsrec::TsRecordingSpec sparse = Camera(30);
    sparse.gopSeconds = 7;
    ItemRef b = Recording(QStringLiteral("sparse.ts"), sparse);
    ExpectSameClips({b.get()}, {{6.5, 9.0}, {13.0, 15.0}, {22.0, 24.0}, {27.9, 29.0}});
}

TEST_F(TSCuttingStartSearchTest, ReorderedPicturesOfRealMedia) {
    tsrec::TsRecordingSpec spec;
    spec.media = &RealMedia(5, 3);
    spec.mediaRepeats = 4;
    ItemRef a = Recording(QStringLiteral("real.ts"), spec);
    ExpectSameClips({a.get()}, {{2.3, 4.0}, {7.04, 9.0}, {13.5, 16.0}, {18.2, 19.5}});
}
