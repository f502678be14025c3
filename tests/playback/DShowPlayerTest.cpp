#include "PlaybackTestSupport.h"

#include "media/AudioDevice.h"
#include "media/ClassIds.h"
#include "media/FilterFactory.h"
#include "media/TaskMemory.h"
#include "platform/HeapPolicy.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

using namespace media;

namespace {

class PlayerTest : public testing::Test {
  protected:
    void SetUp() override {
        UseNullAudioDevice(true);
        window.show();
    }
    void TearDown() override { player.reset(); }

    void Open(const QString& path) {
        player = std::make_unique<DShowPlayer>(&window);
        ASSERT_EQ(player->OpenFile(path), S_OK);
        const Rect all{0, 0, window.width(), window.height()};
        player->SetVideoRect(&all);
    }

    // The number of the picture a grab shows (-1 when none).
    int ShownPicture() {
        BitmapInfoHeader header;
        std::uint8_t* bits = nullptr;
        if (Failed(player->GetCurrentImage(&header, &bits))) {
            return -1;
        }
        const int number = GrabbedPictureNumber(header, bits);
        player->MemFreeCurrentImage(bits);
        return number;
    }

    int PlayToEnd(int timeoutMs) {
        const int before = window.playCompletes;
        EXPECT_EQ(player->Play(), S_OK);
        WaitUntil([&] { return window.playCompletes > before; }, timeoutMs);
        // Anything later would be a second end.
        WaitUntil([&] { return window.playCompletes > before + 1; }, 500);
        return window.playCompletes;
    }

    TestVideoWindow window;
    std::unique_ptr<DShowPlayer> player;
};

TEST_F(PlayerTest, WithoutGraphAnswersAsOptionalPartsMissing) {
    DShowPlayer idle(&window);
    EXPECT_EQ(idle.State(), STATE_NO_GRAPH);
    EXPECT_EQ(idle.GetPositionSeconds(), 0.0);
    EXPECT_EQ(idle.SetRate(1.0), S_FALSE);
    EXPECT_EQ(idle.SeekSeconds(1.0), S_FALSE);
    EXPECT_EQ(idle.StepBack(), S_OK);
    EXPECT_EQ(idle.SetVolume(50), S_FALSE);
    EXPECT_EQ(idle.Play(), VFW_E_WRONG_STATE);
    EXPECT_EQ(idle.Pause(), VFW_E_WRONG_STATE);
    EXPECT_EQ(idle.Stop(), VFW_E_WRONG_STATE);
    EXPECT_EQ(idle.SeekSecondsAndPlay(0.0), VFW_E_WRONG_STATE);
    EXPECT_EQ(idle.HandleGraphEvent(), E_UNEXPECTED);
    EXPECT_FALSE(idle.HasVideo());
    EXPECT_EQ(idle.SetVideoRect(nullptr), S_OK);
    EXPECT_EQ(idle.Repaint(nullptr), S_OK);
    EXPECT_EQ(idle.OnDisplayChange(), S_OK);
    idle.StepOneFrame();
    EXPECT_EQ(idle.State(), STATE_NO_GRAPH);
}

TEST_F(PlayerTest, GrabWithoutPictureFailsWithNullImage) {
    DShowPlayer idle(&window);
    BitmapInfoHeader header;
    std::uint8_t* bits = reinterpret_cast<std::uint8_t*>(&header);
    EXPECT_LT(idle.GetCurrentImage(&header, &bits), 0);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(idle.MemFreeCurrentImage(nullptr), S_OK);

    // Opened but stopped: nothing was presented yet.
    Open(TestClipPath());
    bits = reinterpret_cast<std::uint8_t*>(&header);
    EXPECT_LT(player->GetCurrentImage(&header, &bits), 0);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(player->MemFreeCurrentImage(nullptr), S_OK);
}

// A released graph gives back all it held (decoders and their pictures, queues,
// threads): graphs built, shown and released again and again leave the heap as
// the first one left it, under the program's heap policy.
TEST_F(PlayerTest, GraphsBuiltAndReleasedAgainAndAgainKeepNoHeap) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocator keeps its own figures";
#endif
    platform::LimitHeapRetention();
    std::size_t held = 0;
    std::size_t released = 0;
    const auto cycle = [&] {
        Open(TestClipPath());
        ASSERT_EQ(player->Pause(), S_OK);
        ASSERT_TRUE(WaitUntil([&] { return ShownPicture() >= 0; }));
        const std::size_t open = platform::HeapInUse();
        player.reset();
        released = platform::ReturnFreeHeap();
        held = std::max(held, open > released ? open - released : 0);
    };
    ASSERT_NO_FATAL_FAILURE(cycle());
    const std::size_t first = released;
    for (int i = 0; i < 5; ++i) {
        ASSERT_NO_FATAL_FAILURE(cycle());
    }
    const std::size_t last = released;
    ASSERT_GT(held, 0u);
    // A graph kept alive by anything would stay with all it held.
    EXPECT_LT(last, first + held / 4) << "one open graph holds " << held << " bytes";
}

TEST_F(PlayerTest, StatesFollowTheControlCalls) {
    Open(TestClipPath());
    EXPECT_EQ(player->State(), STATE_STOPPED);
    EXPECT_TRUE(player->HasVideo());
    EXPECT_EQ(player->Stop(), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->State(), STATE_STOPPED);
    EXPECT_EQ(player->Pause(), S_OK);
    EXPECT_EQ(player->State(), STATE_PAUSED);
    EXPECT_EQ(player->Play(), S_OK);
    EXPECT_EQ(player->State(), STATE_RUNNING);
    EXPECT_EQ(player->Play(), VFW_E_WRONG_STATE);
    EXPECT_EQ(player->State(), STATE_RUNNING);
    EXPECT_EQ(player->Pause(), S_OK);
    EXPECT_EQ(player->Stop(), S_OK);
    EXPECT_EQ(player->State(), STATE_STOPPED);
    EXPECT_EQ(player->Pause(), S_OK);
    EXPECT_EQ(player->Stop(), S_OK);
    EXPECT_EQ(player->Play(), S_OK);
    EXPECT_EQ(player->State(), STATE_RUNNING);
    player->ReleaseGraph();
    EXPECT_EQ(player->State(), STATE_NO_GRAPH);
}

TEST_F(PlayerTest, OpenFailuresLeaveNoGraph) {
    DShowPlayer failing(&window);
    EXPECT_LT(failing.OpenFile(TestFolder() + "/missing.ts"), 0);
    EXPECT_EQ(failing.State(), STATE_NO_GRAPH);

    const QString text = TestFolder() + "/text.ts";
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a recording\n");
    file.close();
    EXPECT_LT(failing.OpenFile(text), 0);
    EXPECT_EQ(failing.State(), STATE_NO_GRAPH);

    // Only local files: another protocol's name is a missing file, not a stream.
    EXPECT_LT(failing.OpenFile("http://127.0.0.1:9/clip.ts"), 0);

    SetClassAvailable(CLSID_LAVVideoDecoder, false);
    EXPECT_EQ(failing.OpenFile(TestClipPath()), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(failing.State(), STATE_NO_GRAPH);
    SetClassAvailable(CLSID_LAVVideoDecoder, true);
    EXPECT_EQ(failing.OpenFile(TestClipPath()), S_OK);
    EXPECT_EQ(failing.State(), STATE_STOPPED);
}

TEST_F(PlayerTest, FileWithoutRenderablePinCannotRender) {
    SetClassAvailable(CLSID_AudioDecoder, false);
    DShowPlayer failing(&window);
    EXPECT_EQ(failing.OpenFile(AudioOnlyClipPath()), VFW_E_CANNOT_RENDER);
    EXPECT_EQ(failing.State(), STATE_NO_GRAPH);
    SetClassAvailable(CLSID_AudioDecoder, true);
}

TEST_F(PlayerTest, AudioOnlyAndVideoOnlyFilesOpen) {
    Open(AudioOnlyClipPath());
    EXPECT_FALSE(player->HasVideo());
    EXPECT_EQ(PlayToEnd(30000), 1);

    window.playCompletes = 0;
    Open(VideoOnlyClipPath());
    EXPECT_TRUE(player->HasVideo());
    EXPECT_EQ(PlayToEnd(30000), 1);
}

TEST_F(PlayerTest, PausedSeeksShowTheExactPicture) {
    Open(TestClipPath());
    ASSERT_EQ(player->Pause(), S_OK);
    EXPECT_EQ(ShownPicture(), 0);
    // Key frames (every 25th picture) and pictures between them, forwards and back.
    for (const int picture : {37, 25, 13, 99, 50, 1, 74, 26, 0, 63}) {
        const double target = picture / kClipFps + 0.01;
        ASSERT_EQ(player->SeekSeconds(target), S_OK);
        EXPECT_NEAR(player->GetPositionSeconds(), target, 1e-6) << picture;
        EXPECT_EQ(ShownPicture(), picture) << "seek to " << target;
    }
    EXPECT_EQ(player->State(), STATE_PAUSED);
}

TEST_F(PlayerTest, SeeksOnPictureTimesShowThatPicture) {
    Open(TestClipPath());
    player->Pause();
    for (const int picture : {37, 50, 1, 74}) {
        ASSERT_EQ(player->SeekSeconds(picture / kClipFps), S_OK);
        EXPECT_EQ(ShownPicture(), picture);
    }
    // At 30 a second a picture's time is a third of a unit off the grid.
    Open(ThirtyFpsClipPath());
    player->Pause();
    for (const int picture : {1, 29, 30, 31, 44, 59}) {
        ASSERT_EQ(player->SeekSeconds(picture / 30.0), S_OK);
        EXPECT_EQ(ShownPicture(), picture);
    }
}

TEST_F(PlayerTest, StepAtTheLastPictureStaysThere) {
    Open(TestClipPath());
    player->Pause();
    player->SeekSeconds(99 / kClipFps);
    EXPECT_EQ(ShownPicture(), 99);
    player->StepOneFrame();
    EXPECT_EQ(ShownPicture(), 99);
    EXPECT_NEAR(player->GetPositionSeconds(), 99 / kClipFps, 1e-6);
}

TEST_F(PlayerTest, SeekTruncatesToWholeUnitsAndClamps) {
    Open(TestClipPath());
    player->Pause();
    ASSERT_EQ(player->SeekSeconds(1.23456789), S_OK);
    EXPECT_DOUBLE_EQ(player->GetPositionSeconds(), 12345678 * 1e-7);
    EXPECT_EQ(player->SeekSeconds(std::nan("")), E_INVALIDARG);
    EXPECT_DOUBLE_EQ(player->GetPositionSeconds(), 12345678 * 1e-7);
    EXPECT_EQ(player->SeekSeconds(-5.0), S_OK);
    EXPECT_EQ(player->GetPositionSeconds(), 0.0);
    EXPECT_EQ(ShownPicture(), 0);
    EXPECT_EQ(player->SeekSeconds(1e300), S_OK);
    EXPECT_NEAR(player->GetPositionSeconds(), kClipFrames / kClipFps, 1e-6);
    EXPECT_EQ(ShownPicture(), kClipFrames - 1);
}

TEST_F(PlayerTest, StepsForwardAndBack) {
    Open(TestClipPath());
    player->Pause();
    player->SeekSeconds(1.2);
    EXPECT_EQ(ShownPicture(), 30);
    player->StepOneFrame();
    EXPECT_EQ(ShownPicture(), 31);
    EXPECT_NEAR(player->GetPositionSeconds(), 31 / kClipFps, 1e-6);
    player->StepOneFrame();
    EXPECT_EQ(ShownPicture(), 32);
    EXPECT_EQ(player->State(), STATE_PAUSED);

    player->SeekSeconds(2.0);
    EXPECT_EQ(player->StepBack(), S_OK);
    EXPECT_NEAR(player->GetPositionSeconds(), 2.0 - 1.0333354, 1e-6);
    EXPECT_EQ(ShownPicture(), 24);

    // Before the start: the first picture.
    player->SeekSeconds(0.5);
    EXPECT_EQ(player->StepBack(), S_OK);
    EXPECT_EQ(player->GetPositionSeconds(), 0.0);
    EXPECT_EQ(ShownPicture(), 0);
    player->StepOneFrame();
    EXPECT_EQ(ShownPicture(), 1);
}

// A step while running pauses and shows the picture after the one on screen, even
// when the presenting thread was just showing one of its own.
TEST_F(PlayerTest, StepsWhileRunningShowTheSteppedPicture) {
    Open(TestClipPath());
    double from = 0.2;
    for (int round = 0; round < 20; ++round, from += 0.15) {
        ASSERT_EQ(player->Pause(), S_OK);
        ASSERT_EQ(player->Play(), S_OK);
        ASSERT_TRUE(WaitUntil([&] { return player->GetPositionSeconds() >= from; }));
        player->StepOneFrame();
        const double position = player->GetPositionSeconds();
        EXPECT_EQ(ShownPicture(), static_cast<int>(std::lround(position * kClipFps)))
            << "round " << round;
        // Paused: the clock stays where the step left it.
        EXPECT_DOUBLE_EQ(player->GetPositionSeconds(), position);
    }
}

TEST_F(PlayerTest, OneCompletionPerRun) {
    Open(TestClipPath());
    player->Pause();
    player->SeekSeconds(3.0);
    EXPECT_EQ(PlayToEnd(30000), 1);
    EXPECT_EQ(window.lastCompleteWParam, reinterpret_cast<std::uintptr_t>(player.get()));
    EXPECT_EQ(window.lastCompleteLParam, 0);
    EXPECT_GE(window.graphNotifies, 1);
    EXPECT_EQ(window.lastNotifyLParam, reinterpret_cast<std::intptr_t>(player.get()));
    EXPECT_EQ(ShownPicture(), kClipFrames - 1);
    EXPECT_NEAR(player->GetPositionSeconds(), kClipFrames / kClipFps, 1e-6);

    // Seeking back and playing again completes once more.
    player->Pause();
    player->SeekSeconds(3.5);
    EXPECT_EQ(PlayToEnd(30000), 2);
}

TEST_F(PlayerTest, CompletesOnceAtDoubleRate) {
    Open(TestClipPath());
    player->SetRate(2.0);
    player->Pause();
    player->SeekSeconds(2.0);
    EXPECT_EQ(PlayToEnd(30000), 1);
    EXPECT_EQ(ShownPicture(), kClipFrames - 1);
}

TEST_F(PlayerTest, CompletesOnceAtQuarterRate) {
    Open(TestClipPath());
    ASSERT_EQ(player->SetRate(0.25), S_OK);
    player->Pause();
    player->SeekSeconds(3.8);
    EXPECT_EQ(PlayToEnd(30000), 1);
    EXPECT_EQ(ShownPicture(), kClipFrames - 1);
}

TEST_F(PlayerTest, LastSeekOfABurstWhileRunningWins) {
    Open(TestClipPath());
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> pictures(0, kClipFrames - 20);
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(player->Play(), S_OK);
        int target = 0;
        for (int seek = 0; seek < 50; ++seek) {
            target = pictures(random);
            ASSERT_EQ(player->SeekSeconds(target / kClipFps + 0.01), S_OK);
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(player->Pause(), S_OK);
        BitmapInfoHeader header;
        std::uint8_t* bits = nullptr;
        ASSERT_EQ(player->GetCurrentImage(&header, &bits), S_OK);
        const int shown = GrabbedPictureNumber(header, bits);
        // The last target's picture, or one the clock reached after it.
        const int reached = static_cast<int>(player->GetPositionSeconds() * kClipFps + 1e-6);
        EXPECT_GE(shown, target) << "round " << round;
        EXPECT_LE(shown, reached) << "round " << round;
        const GrabDifference difference =
            CompareWithFfmpeg(header, bits, TestClipPath(), std::max(shown, 0));
        EXPECT_TRUE(difference.compared);
        EXPECT_LT(difference.mean, 2.0) << "round " << round;
        player->MemFreeCurrentImage(bits);
    }
}

// Changes close to the end: whatever comes there, the run ends, and once.
class NearEndTest : public PlayerTest {
  protected:
    // Runs from `from` until the position passes `at`.
    void RunUntil(double from, double at) {
        ASSERT_EQ(player->Pause(), S_OK);
        ASSERT_EQ(player->SeekSeconds(from), S_OK);
        ASSERT_EQ(player->Play(), S_OK);
        ASSERT_TRUE(WaitUntil([&] { return player->GetPositionSeconds() >= at; }));
    }
    // The completions that came by the end of this run.
    int CompletionsOfThisRun() {
        WaitUntil([&] { return window.playCompletes > 0; });
        WaitUntil([&] { return window.playCompletes > 1; }, 500);
        return window.playCompletes;
    }
};

TEST_F(NearEndTest, RateChangeJustBeforeTheEnd) {
    Open(TestClipPath());
    for (const double rate : {1.5, 0.5, 1.0}) {
        window.playCompletes = 0;
        RunUntil(3.0, kClipFrames / kClipFps - 0.15);
        ASSERT_EQ(player->SetRate(rate), S_OK);
        EXPECT_EQ(CompletionsOfThisRun(), 1) << rate;
        EXPECT_EQ(ShownPicture(), kClipFrames - 1) << rate;
    }
}

TEST_F(NearEndTest, SeveralRateChangesOnTheWayToTheEnd) {
    Open(TestClipPath());
    RunUntil(2.5, 2.6);
    for (const double rate : {2.0, 0.5, 1.5, 0.25, 3.0, 1.0}) {
        ASSERT_EQ(player->SetRate(rate), S_OK);
        const double at = player->GetPositionSeconds() + 0.15;
        WaitUntil([&] { return player->GetPositionSeconds() >= at || window.playCompletes > 0; });
    }
    EXPECT_EQ(CompletionsOfThisRun(), 1);
    EXPECT_EQ(ShownPicture(), kClipFrames - 1);
}

TEST_F(NearEndTest, PauseAndStepsThenRun) {
    Open(TestClipPath());
    for (const double before : {0.25, 0.15, 0.08}) {
        window.playCompletes = 0;
        RunUntil(3.0, kClipFrames / kClipFps - before);
        ASSERT_EQ(player->Pause(), S_OK);
        player->StepOneFrame();
        player->StepOneFrame();
        ASSERT_EQ(player->Play(), S_OK);
        EXPECT_EQ(CompletionsOfThisRun(), 1) << before;
        EXPECT_EQ(ShownPicture(), kClipFrames - 1) << before;
    }

    // Steps onto the last picture while paused, then run: that run ends too.
    window.playCompletes = 0;
    ASSERT_EQ(player->Pause(), S_OK);
    ASSERT_EQ(player->SeekSeconds((kClipFrames - 3) / kClipFps), S_OK);
    player->StepOneFrame();
    player->StepOneFrame();
    EXPECT_EQ(ShownPicture(), kClipFrames - 1);
    ASSERT_EQ(player->Play(), S_OK);
    EXPECT_EQ(CompletionsOfThisRun(), 1);
}

TEST_F(NearEndTest, SeeksAndRunsNearTheEnd) {
    Open(TestClipPath());
    // A seek while running, close to the end.
    RunUntil(3.0, 3.2);
    ASSERT_EQ(player->SeekSeconds(kClipFrames / kClipFps - 0.1), S_OK);
    EXPECT_EQ(CompletionsOfThisRun(), 1);

    // After the end: a seek near it and a new run end once more.
    window.playCompletes = 0;
    ASSERT_EQ(player->Pause(), S_OK);
    ASSERT_EQ(player->SeekSeconds(kClipFrames / kClipFps - 0.1), S_OK);
    ASSERT_EQ(player->Play(), S_OK);
    EXPECT_EQ(CompletionsOfThisRun(), 1);

    // A run at the very end (nothing left to play) ends at once, once.
    window.playCompletes = 0;
    ASSERT_EQ(player->Pause(), S_OK);
    ASSERT_EQ(player->Play(), S_OK);
    EXPECT_EQ(CompletionsOfThisRun(), 1);

    // A seek while running after the end starts a new end.
    window.playCompletes = 0;
    ASSERT_EQ(player->SeekSeconds(kClipFrames / kClipFps - 0.3), S_OK);
    EXPECT_EQ(CompletionsOfThisRun(), 1);
}

TEST_F(PlayerTest, CutOffRecordingPlaysToItsLastWholePicture) {
    Open(CutOffClipPath());
    player->Pause();
    player->SeekSeconds(2.0);
    EXPECT_EQ(PlayToEnd(30000), 1);
    const int last = ShownPicture();
    EXPECT_GT(last, 50);
    EXPECT_LT(last, kClipFrames - 1);
}

// A power loss left the middle of these as zeros (a sparse hole of 1.5 GB) or as
// garbage: pictures 50..74 are lost. The head and the tail seek exactly and play,
// and the run ends once, at the last picture.
TEST_F(PlayerTest, DamagedMiddlePlaysTheValidPartsAndEndsOnce) {
    for (const QString& path : {HoledClipPath(), GarbledClipPath()}) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        window.playCompletes = 0;
        Open(path);
        ASSERT_EQ(player->Pause(), S_OK);
        EXPECT_EQ(ShownPicture(), 0);
        for (const int picture : {30, 49, 80, 99, 75, 13}) {
            ASSERT_EQ(player->SeekSeconds(picture / kClipFps), S_OK);
            EXPECT_EQ(ShownPicture(), picture);
        }
        player->SeekSeconds(40 / kClipFps);
        EXPECT_EQ(PlayToEnd(30000), 1);
        EXPECT_EQ(ShownPicture(), kClipFrames - 1);
        EXPECT_NEAR(player->GetPositionSeconds(), kClipFrames / kClipFps, 1e-6);
    }
}

// Seeks, steps, steps back and rate changes in a burst right after opening, while
// the index is still being built and the duration is only that of its indexed
// part: a paused seek then shows the exact picture, and a run to the end ends once.
TEST_F(PlayerTest, BurstWhileTheIndexGrowsThenExactSeekAndOneEnd) {
    const QString path = ZeroTailRecordingPath();
    ASSERT_FALSE(path.isEmpty());
    std::mt19937 random(11);
    std::uniform_real_distribution<double> seconds(0.0, kZeroTailSeconds - 0.5);
    std::uniform_int_distribution<int> action(0, 5);
    const double fps = 25.0;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        window.playCompletes = 0;
        Open(path);
        for (int i = 0; i < 40; ++i) {
            switch (action(random)) {
                case 0:
                case 1:
                    player->SeekSeconds(seconds(random));
                    break;
                case 2:
                    player->StepOneFrame();
                    break;
                case 3:
                    player->StepBack();
                    break;
                case 4:
                    player->SetRate(i % 2 == 0 ? 2.0 : 0.5);
                    break;
                default:
                    i % 3 == 0 ? player->Play() : player->Pause();
                    break;
            }
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(player->Pause(), S_OK);
        ASSERT_EQ(player->SetRate(1.0), S_OK);
        const int picture = 1200 + 37 * round;
        ASSERT_EQ(player->SeekSeconds(picture / fps), S_OK);
        EXPECT_NEAR(player->GetPositionSeconds(), picture / fps, 1e-6);
        BitmapInfoHeader header;
        std::uint8_t* bits = nullptr;
        ASSERT_EQ(player->GetCurrentImage(&header, &bits), S_OK);
        const GrabDifference difference = CompareWithFfmpeg(header, bits, path, picture);
        player->MemFreeCurrentImage(bits);
        EXPECT_TRUE(difference.compared);
        EXPECT_LT(difference.mean, 2.0);
        window.playCompletes = 0;
        ASSERT_EQ(player->SeekSeconds(kZeroTailSeconds - 1.0), S_OK);
        EXPECT_EQ(PlayToEnd(30000), 1);
        EXPECT_NEAR(player->GetPositionSeconds(), kZeroTailSeconds, 0.05);
    }
}

TEST_F(PlayerTest, RateIsRefusedOutsideItsDomain) {
    Open(TestClipPath());
    EXPECT_EQ(player->SetRate(0.0), E_INVALIDARG);
    EXPECT_EQ(player->SetRate(std::nan("")), E_INVALIDARG);
    EXPECT_EQ(player->SetRate(0.25), S_OK);
    EXPECT_EQ(player->SetRate(3.0), S_OK);
}

}  // namespace
