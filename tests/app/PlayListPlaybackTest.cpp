// The play list over real players of real recordings: back to back, seeks across
// files, frame grabs, and the graphs of files left behind given back.
#include "AppTestSupport.h"
#include "app/DShowItemPlayer.h"
#include "app/VideoMessageRoute.h"
#include "app/VideoWindow.h"
#include "playback/FileItemVideo.h"
#include "support/TestMedia.h"

namespace {

class PlayListPlaybackTest : public AppFolderTest {
  protected:
    PlayListPlaybackTest()
        : coordinator_(host_, &app::DShowItemPlayer::Create), route_(window_, coordinator_) {
        host_.onPause = [this] { coordinator_.Pause(); };
        window_.procedure = [this](app::VideoWindow*, QEvent* event) {
            return route_.Handle(event);
        };
        window_.resize(320, 240);
        SetPlayerVideoWindow(&window_);
    }
    ~PlayListPlaybackTest() override { coordinator_.SetItems({}); }

    // Two recordings of two seconds of real pictures and sound, back to back.
    void SelectDrive() {
        tsrec::TestMediaParams params;
        params.seconds = 2.0;
        const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
        ASSERT_FALSE(media.h264.empty());
        items_.push_back(Recording(QStringLiteral("a.ts"), {.media = &media}));
        items_.push_back(
            Recording(QStringLiteral("b.ts"), {.media = &media, .startTime = 1700000002}));
        coordinator_.SetItems({items_[0].get(), items_[1].get()});
        host_.endPoint = coordinator_.Timeline().Total();
    }
    void PressPlay() {
        coordinator_.Play();
        host_.panelPlaying = true;
    }

    app::VideoWindow window_;
    FakeHost host_;
    app::PlaybackCoordinator coordinator_;
    app::VideoMessageRoute route_;
    std::vector<ItemRef> items_;
};

}  // namespace

TEST_F(PlayListPlaybackTest, PlaysTheFilesBackToBackAndPausesAtTheEnd) {
    SelectDrive();
    ASSERT_EQ(items_[0]->player->State(), STATE_PAUSED);
    PressPlay();
    ASSERT_TRUE(ProcessEventsUntil([&] { return coordinator_.CurrentIndex() == 1; }));
    // The first file's graph was given back from inside its own event drain.
    EXPECT_EQ(items_[0]->player->State(), STATE_NO_GRAPH);
    EXPECT_EQ(items_[1]->player->State(), STATE_RUNNING);
    ASSERT_TRUE(ProcessEventsUntil([&] { return host_.pauseActions == 1; }));
    EXPECT_EQ(coordinator_.CurrentIndex(), 1);
    EXPECT_FALSE(host_.timerRunning);
    EXPECT_EQ(items_[1]->player->State(), STATE_PAUSED);
    EXPECT_GT(coordinator_.GlobalPosition(), 3.5);
}

TEST_F(PlayListPlaybackTest, SeeksAcrossFilesAndGrabsTheFrameShown) {
    SelectDrive();
    const double start = coordinator_.Timeline().StartOf(1);
    coordinator_.Seek(start + 1.0, true);
    ASSERT_EQ(coordinator_.CurrentIndex(), 1);
    EXPECT_EQ(items_[1]->player->State(), STATE_PAUSED);
    EXPECT_NEAR(coordinator_.GlobalPosition(), start + 1.0, 0.05);
    const QImage frame = coordinator_.CurrentPlayer()->GrabFrame();
    EXPECT_EQ(frame.size(), QSize(320, 240));

    // Running, back into the first file: it runs from there.
    PressPlay();
    coordinator_.Seek(0.5, true);
    ASSERT_EQ(coordinator_.CurrentIndex(), 0);
    EXPECT_EQ(items_[0]->player->State(), STATE_RUNNING);
    EXPECT_EQ(items_[1]->player->State(), STATE_STOPPED);  // built ahead, kept
    ASSERT_TRUE(ProcessEventsUntil([&] { return coordinator_.GlobalPosition() > 0.7; }));
}
