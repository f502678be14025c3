#include "PlaybackTestSupport.h"

#include "media/AudioDevice.h"
#include "platform/HeapPolicy.h"
#include "support/TestMedia.h"
#include "support/TsRecordingWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace media;

namespace {

// One second of 1280x720 video: a decoded picture is 1.4 MB, so pictures that
// pile up show in the heap at once.
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr std::size_t kPictureBytes = kWidth * kHeight * 3 / 2;
constexpr double kRate = 3.0;
// The clock steps back this far after kStepAt seconds: every picture of the
// second part is late until the clock has caught up with it again.
constexpr double kStepAt = 4.0;
constexpr double kStepBack = 3.0;
constexpr double kEnd = 5.0;

const tsrec::ElementaryStreams& Media() {
    tsrec::TestMediaParams params;
    params.width = kWidth;
    params.height = kHeight;
    params.seconds = 1;
    return tsrec::TestMedia(params);
}

QString Written(const QString& name, const std::vector<std::uint8_t>& bytes) {
    const QString path = TestFolder() + "/" + name;
    return !bytes.empty() && tsrec::WriteFileBytes(path, bytes) ? path : QString();
}

std::vector<std::uint8_t> Recording(int seconds, std::uint64_t firstPcrBase = 900000,
                                    double backAt = -1.0) {
    tsrec::TsRecordingSpec spec;
    spec.media = &Media();
    spec.mediaRepeats = seconds;
    spec.firstPcrBase = firstPcrBase;
    spec.clockBackAtSeconds = backAt;
    spec.clockBackSeconds = kStepBack;
    return spec.media->h264.empty() ? std::vector<std::uint8_t>{} : tsrec::BuildTsRecording(spec);
}

struct PlayedRun {
    int ends = 0;
    double position = 0.0;
    std::size_t heapGrowth = 0;  // the largest, over what was in use before opening
};

class BackwardTimeStampsTest : public testing::Test {
  protected:
    void SetUp() override {
        UseNullAudioDevice(true);
        window.show();
    }

    PlayedRun PlayFromStart(const QString& path) {
        PlayedRun run;
        const std::size_t before = platform::HeapInUse();
        std::size_t peak = before;
        const auto sample = [&] { peak = std::max(peak, platform::HeapInUse()); };
        window.playCompletes = 0;
        {
            DShowPlayer player(&window);
            EXPECT_EQ(player.OpenFile(path), S_OK);
            const Rect all{0, 0, window.width(), window.height()};
            player.SetVideoRect(&all);
            EXPECT_EQ(player.SetRate(kRate), S_OK);
            EXPECT_EQ(player.Play(), S_OK);
            EXPECT_TRUE(WaitUntil([&] {
                sample();
                return window.playCompletes > 0;
            }));
            // Anything later would be a second end.
            WaitUntil(
                [&] {
                    sample();
                    return window.playCompletes > 1;
                },
                500);
            run.position = player.GetPositionSeconds();
        }
        run.ends = window.playCompletes;
        run.heapGrowth = peak - before;
        return run;
    }

    TestVideoWindow window;
};

// A camera whose clock is reset mid-file, or two recordings joined byte for byte
// (the second's clock starting a little after the first's): after the step every
// picture is late and dropped until the clock catches up. The file plays as its
// time stamps say, to one end, and the dropped pictures do not pile up: the heap
// grows no more than for the same pictures without the step, give or take a few.
TEST_F(BackwardTimeStampsTest, PlaysToOneEndAndDroppedPicturesDoNotPileUp) {
    ASSERT_FALSE(Media().h264.empty());
    const QString plain = Written("plain.ts", Recording(static_cast<int>(kEnd)));
    std::vector<std::uint8_t> joined = Recording(static_cast<int>(kStepAt));
    const std::vector<std::uint8_t> second =
        Recording(static_cast<int>(kEnd - kStepAt + kStepBack),
                  900000 + static_cast<std::uint64_t>((kStepAt - kStepBack) * tsrec::kClock));
    joined.insert(joined.end(), second.begin(), second.end());
    const QString paths[] = {
        Written("reset.ts", Recording(static_cast<int>(kEnd + kStepBack), 900000, kStepAt)),
        Written("joined.ts", joined)};

    const PlayedRun baseline = PlayFromStart(plain);
    EXPECT_EQ(baseline.ends, 1);
    EXPECT_NEAR(baseline.position, kEnd, 0.05);
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        const PlayedRun run = PlayFromStart(path);
        EXPECT_EQ(run.ends, 1);
        EXPECT_NEAR(run.position, kEnd, 0.05);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        // Without the bound the 75 late pictures alone held over 100 MB.
        EXPECT_LE(run.heapGrowth, baseline.heapGrowth + 16 * kPictureBytes)
            << "plain " << baseline.heapGrowth << " bytes, stepped " << run.heapGrowth;
#endif
    }
}

}  // namespace
