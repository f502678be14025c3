#include "PlaybackTestSupport.h"

#include "media/AudioDevice.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QPointer>

#include <gtest/gtest.h>

using namespace media;

namespace {

// Holds back the first graph notification on its way to the graph's relay, as an
// event loop busy elsewhere would leave it; the test queues it again when it likes.
class NotificationCatcher : public QObject {
  public:
    NotificationCatcher() { QCoreApplication::instance()->installEventFilter(this); }
    ~NotificationCatcher() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool Caught() const { return caught_; }
    void QueueAgain() const { platform::PostWindowMessage(relay_, WM_GRAPH_NOTIFY, 0, lParam_); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* notify = platform::WindowMessage::From(event, WM_GRAPH_NOTIFY);
        if (caught_ || notify == nullptr) {
            return false;
        }
        caught_ = true;
        relay_ = watched;
        lParam_ = notify->LParam();
        return true;
    }

  private:
    bool caught_ = false;
    QPointer<QObject> relay_;
    platform::LPARAM lParam_ = 0;
};

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
    NotificationCatcher catcher;
    DShowPlayer* player = RunNearEnd();
    // The end's notification waits in the queue when the player goes.
    ASSERT_TRUE(WaitUntil([&] { return catcher.Caught(); }));
    catcher.QueueAgain();
    DShowPlayer::Destroy(player);
    // The released graph posts nothing more: what is queued is all there is.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.graphNotifies, 0);
    EXPECT_EQ(window.playCompletes, 0);
}

TEST_F(NotificationTest, PlayerDestroyedInsideItsDrainGoesAfterIt) {
    RunNearEnd();  // the handler destroys it
    window.onPlayComplete = [](DShowPlayer* finished) { DShowPlayer::Destroy(finished); };
    EXPECT_TRUE(WaitUntil([&] { return window.playCompletes == 1; }, 30000));
    EXPECT_FALSE(WaitUntil([&] { return window.playCompletes > 1; }, 300));  // one end only
}

TEST_F(NotificationTest, HandlerMayStopThePlayerItWasSentFor) {
    DShowPlayer* player = RunNearEnd();
    window.onPlayComplete = [](DShowPlayer* finished) { EXPECT_EQ(finished->Stop(), S_OK); };
    EXPECT_TRUE(WaitUntil([&] { return window.playCompletes == 1; }, 30000));
    EXPECT_EQ(player->State(), STATE_STOPPED);
    delete player;
}

}  // namespace
