#include "PlaybackTestSupport.h"

#include "media/AudioDevice.h"

#include <QThread>

#include <gtest/gtest.h>

using namespace media;

namespace {

class NotificationTest : public testing::Test {
  protected:
    void SetUp() override {
        UseNullAudioDevice(true);
        window.show();
    }

    // A player a little before its end, running.
    DShowPlayer* RunNearEnd() {
        auto* player = new DShowPlayer(&window);
        EXPECT_EQ(player->OpenFile(TestClipPath()), S_OK);
        player->Pause();
        player->SeekSeconds(3.7);
        player->Play();
        return player;
    }

    TestVideoWindow window;
};

TEST_F(NotificationTest, ReleasedPlayerLeavesNoPendingNotification) {
    DShowPlayer* player = RunNearEnd();
    // The end comes while no events are handled: its notification waits in the queue.
    QThread::msleep(1200);
    DShowPlayer::Destroy(player);
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(window.graphNotifies, 0);
    EXPECT_EQ(window.playCompletes, 0);
}

TEST_F(NotificationTest, PlayerDestroyedInsideItsDrainGoesAfterIt) {
    DShowPlayer* player = RunNearEnd();
    window.onPlayComplete = [](DShowPlayer* finished) { DShowPlayer::Destroy(finished); };
    EXPECT_TRUE(WaitUntil([&] { return window.playCompletes == 1; }, 30000));
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(window.playCompletes, 1);
}

TEST_F(NotificationTest, HandlerMayStopThePlayerItWasSentFor) {
    DShowPlayer* player = RunNearEnd();
    window.onPlayComplete = [](DShowPlayer* finished) { EXPECT_EQ(finished->Stop(), S_OK); };
    EXPECT_TRUE(WaitUntil([&] { return window.playCompletes == 1; }, 30000));
    EXPECT_EQ(player->State(), STATE_STOPPED);
    delete player;
}

}  // namespace
