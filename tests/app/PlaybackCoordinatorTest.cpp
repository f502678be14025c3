// The play list's time line and its coordination of the players, with fake players
// and a fake window around them.
#include "AppTestSupport.h"
#include "app/PlaybackCoordinator.h"
#include "app/VideoMessageRoute.h"
#include "foundation/MessageNumbers.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "support/DebugCapture.h"

#include <QWidget>

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>

using app::PlaybackCoordinator;
using app::PlayTimeline;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr HRESULT kOpenFailed = static_cast<HRESULT>(0x80040218);

using Journal = std::vector<std::string>;

// What a fake player is in, kept by the test beyond the player's life.
struct FakeState {
    PlayerState state = STATE_NO_GRAPH;
    double position = 0.0;
    HRESULT openResult = 0;
    std::function<void()> onDrain;
};

// A player over a fake state that writes every command to a journal.
class FakePlayer : public app::ItemPlayer {
  public:
    FakePlayer(int index, FakeState& state, Journal& journal)
        : index_(index), s_(state), journal_(journal) {}

    HRESULT OpenVideo() override {
        Note("Open");
        if (s_.openResult >= 0 && s_.state == STATE_NO_GRAPH) {
            s_.state = STATE_STOPPED;
        }
        s_.position = 0.0;
        return s_.openResult;
    }
    HRESULT PlayFromStart() override {
        Note("PlayFromStart");
        if (s_.openResult < 0) {
            return s_.openResult;
        }
        s_.position = 0.0;
        s_.state = STATE_RUNNING;
        return 0;
    }
    PlayerState State() const override { return s_.state; }
    HRESULT Play() override { return Become(STATE_RUNNING, "Play"); }
    HRESULT Pause() override { return Become(STATE_PAUSED, "Pause"); }
    HRESULT Stop() override { return Become(STATE_STOPPED, "Stop"); }
    bool HasVideo() const override { return s_.state != STATE_NO_GRAPH; }
    void FitVideoWindow() override { Note("Fit"); }
    void Repaint(QPainter*) override {}
    void OnDisplayChange() override {}
    double GetPositionSeconds() override { return s_.position; }
    HRESULT SeekSeconds(double seconds) override {
        Note("Seek " + Number(seconds));
        s_.position = seconds;
        return 0;
    }
    void StepOneFrame() override {
        Note("Step");
        s_.position += 0.04;
    }
    HRESULT StepBack() override {
        Note("StepBack");
        s_.position -= 1.0;
        return 0;
    }
    HRESULT SetRate(double rate) override {
        Note("Rate " + Number(rate));
        return 0;
    }
    HRESULT SetVolume(double volume) override {
        Note("Volume " + Number(volume));
        return 0;
    }
    QImage GrabFrame() override { return QImage(); }
    void DrainEvents() override {
        Note("Drain");
        if (s_.onDrain) {
            s_.onDrain();
        }
    }
    void ReleaseGraph() override {
        Note("Release");
        s_.state = STATE_NO_GRAPH;
    }
    // The state stands for the player in the messages.
    bool Is(const void* player) const override { return player == &s_; }

  private:
    static std::string Number(double value) { return QString::number(value).toStdString(); }
    void Note(const std::string& what) { journal_.push_back(std::to_string(index_) + ":" + what); }
    HRESULT Become(PlayerState next, const char* what) {
        Note(what);
        if (s_.state == STATE_NO_GRAPH) {
            return media::VFW_E_WRONG_STATE;
        }
        s_.state = next;
        return 0;
    }

    int index_;
    FakeState& s_;
    Journal& journal_;
};

// The panel and the windows as the coordinator sees them. The pause action fires
// the pause event while "playing", as the real panel does.
class FakeHost : public app::PlaybackHost {
  public:
    double PanelSpeed() override { return speed; }
    double PanelVolume() override { return volume; }
    double PanelPosition() override { return position; }
    double PanelStartPoint() override { return startPoint; }
    double PanelEndPoint() override { return endPoint; }
    void SetPanelDuration(double seconds) override {
        duration = seconds;
        startPoint = 0.0;
        endPoint = seconds;
    }
    void SetPanelSpeed(double value) override { speed = value; }
    void PanelPause() override {
        ++pauseActions;
        if (panelPlaying && onPause) {
            onPause();
        }
        panelPlaying = false;
    }
    void ShowPosition(double seconds) override {
        position = seconds;
        shown.push_back(seconds);
    }
    void SetPlayingIndex(int index) override { playingIndex = index; }
    void SetTimerRunning(bool running) override { timerRunning = running; }
    void PlayListChanged(const FileItemList& items) override { logList = items; }
    void RepaintVideo() override { ++repaints; }

    double speed = 1.0, volume = 50.0, position = 0.0, startPoint = 0.0, endPoint = 0.0;
    double duration = -1.0;
    bool panelPlaying = false;
    std::function<void()> onPause;
    int pauseActions = 0;
    std::vector<double> shown;
    int playingIndex = -1;
    bool timerRunning = false;
    FileItemList logList;
    int repaints = 0;
};

class PlaybackCoordinatorTest : public testing::Test {
  protected:
    PlaybackCoordinatorTest()
        : coordinator_(host_, [this](TFileItem& item) { return MakePlayer(item); }) {
        host_.onPause = [this] { coordinator_.Pause(); };
        platform::MessageBox::ClearRecorded();
    }

    // Items of these durations, selected as the play list.
    void Select(std::initializer_list<double> durations) {
        for (const double duration : durations) {
            items_.push_back(UnprobedItem(duration));
        }
        coordinator_.SetItems(Selection());
        journal_.clear();
    }
    FileItemList Selection() const {
        FileItemList list;
        for (const ItemRef& item : items_) {
            list.push_back(item.get());
        }
        return list;
    }
    // The state of item `index`'s player.
    FakeState& Player(int index) { return states_[items_[static_cast<std::size_t>(index)].get()]; }
    // Plays as the panel's play button does.
    void PressPlay() {
        coordinator_.Play();
        host_.panelPlaying = true;
    }
    bool Logged(const std::string& entry) const {
        return std::find(journal_.begin(), journal_.end(), entry) != journal_.end();
    }

    // One state per item, as one DShowPlayer per item.
    std::unique_ptr<app::ItemPlayer> MakePlayer(TFileItem& item) {
        const auto found = std::find_if(items_.begin(), items_.end(),
                                        [&](const ItemRef& ref) { return ref.get() == &item; });
        FakeState& state = states_[&item];
        if (failingOpens_.count(&item) != 0) {
            state.openResult = kOpenFailed;
        }
        return std::make_unique<FakePlayer>(static_cast<int>(found - items_.begin()), state,
                                            journal_);
    }

    Journal journal_;
    std::map<TFileItem*, FakeState> states_;
    std::set<TFileItem*> failingOpens_;
    std::vector<ItemRef> items_;
    FakeHost host_;
    PlaybackCoordinator coordinator_;
};

}  // namespace

TEST(PlayTimelineTest, PlacesPositionsOnTheItemsBackToBack) {
    PlayTimeline line;
    line.Assign({10.0, 10.0, 10.0});
    struct Case {
        double position;
        int index;  // -1: beyond the list
        double local;
    };
    const Case cases[] = {
        {10.0, 0, 10.0}, {10.001, 1, 0.001}, {0.0, 0, 0.0},   {-5.0, 0, 0.0},
        {kNaN, 0, 0.0},  {20.0, 1, 10.0},    {30.0, 2, 10.0}, {30.5, -1, 0.0},
    };
    for (const Case& c : cases) {
        const auto place = line.Locate(c.position);
        ASSERT_EQ(place.has_value(), c.index >= 0) << c.position;
        if (place) {
            EXPECT_EQ(place->index, c.index) << c.position;
            EXPECT_NEAR(place->local, c.local, 1e-9) << c.position;
        }
    }

    // Negative and NaN durations count as 0: no position lands in them and the
    // later items keep their places.
    line.Assign({10.0, -4.0, kNaN, 10.0});
    EXPECT_DOUBLE_EQ(line.Total(), 20.0);
    EXPECT_DOUBLE_EQ(line.StartOf(3), 10.0);
    EXPECT_EQ(line.Locate(15.0)->index, 3);
    EXPECT_EQ(line.Locate(10.0)->index, 0);
    EXPECT_FALSE(PlayTimeline{}.Locate(1.0).has_value());
}

TEST_F(PlaybackCoordinatorTest, SelectionOpensTheFirstItemPausedAndHoldsReferences) {
    host_.speed = 2.0;
    Select({10.0, 20.0});
    EXPECT_EQ(coordinator_.CurrentIndex(), 0);
    EXPECT_EQ(Player(0).state, STATE_PAUSED);
    EXPECT_EQ(Player(1).state, STATE_NO_GRAPH);  // opened only when needed
    EXPECT_EQ(host_.playingIndex, 0);
    EXPECT_DOUBLE_EQ(host_.duration, 30.0);
    EXPECT_DOUBLE_EQ(host_.speed, 1.0);
    EXPECT_EQ(host_.logList, Selection());
    EXPECT_EQ(host_.shown.back(), 0.0);
    EXPECT_EQ(RefCount(items_[0].get()), 2);  // the test's and the play list's

    PressPlay();
    ASSERT_TRUE(host_.timerRunning);
    coordinator_.SetItems({});
    EXPECT_FALSE(host_.timerRunning);
    EXPECT_TRUE(Logged("0:Stop"));
    EXPECT_EQ(Player(0).state, STATE_NO_GRAPH);  // its graph given back
    EXPECT_EQ(coordinator_.CurrentIndex(), -1);
    EXPECT_DOUBLE_EQ(host_.duration, 60.0);
    EXPECT_EQ(RefCount(items_[0].get()), 1);
    EXPECT_EQ(RefCount(items_[1].get()), 1);
}

TEST_F(PlaybackCoordinatorTest, ItemsThatFailToOpenAreReported) {
    items_.push_back(UnprobedItem(10.0));
    items_.push_back(UnprobedItem(10.0));
    failingOpens_.insert(items_[1].get());
    coordinator_.SetItems({items_[1].get()});  // no installer to start: one box, no retry
    EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "1:Open"), 1);
    EXPECT_EQ(host_.playingIndex, -1);  // nothing to show
    EXPECT_DOUBLE_EQ(host_.duration, 10.0);

    coordinator_.SetItems(Selection());
    coordinator_.Seek(15.0, true);  // the switch is abandoned
    EXPECT_EQ(coordinator_.CurrentIndex(), 0);
    EXPECT_EQ(Player(0).state, STATE_PAUSED);
    const auto boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, QStringLiteral("Open file Error!"));
    EXPECT_EQ(boxes[1].caption, QStringLiteral("Error"));
}

TEST_F(PlaybackCoordinatorTest, SeeksLandInTheRightItemAndKeepRunningOrPaused) {
    Select({10.0, 10.0, 10.0});
    // Within the current item: only a seek, the state stays.
    coordinator_.Seek(4.0, true);
    EXPECT_EQ(journal_, Journal{"0:Seek 4"});
    EXPECT_EQ(Player(0).state, STATE_PAUSED);

    // Paused, into another item: the new one pauses there, the next is built ahead.
    journal_.clear();
    host_.speed = 1.5;
    coordinator_.Seek(10.001, true);
    EXPECT_EQ(coordinator_.CurrentIndex(), 1);
    EXPECT_EQ(host_.playingIndex, 1);
    EXPECT_EQ(Player(1).state, STATE_PAUSED);
    EXPECT_NEAR(Player(1).position, 0.001, 1e-9);
    EXPECT_TRUE(Logged("1:Rate 1.5"));
    EXPECT_TRUE(Logged("1:Volume 50"));
    EXPECT_TRUE(Logged("1:Fit"));
    EXPECT_TRUE(Logged("2:Open"));
    EXPECT_NEAR(host_.shown.back(), 10.001, 1e-9);

    // Running, back into the first: it runs; with no sender the player's position
    // is shown.
    PressPlay();
    coordinator_.Seek(-5.0, false);
    EXPECT_EQ(coordinator_.CurrentIndex(), 0);
    EXPECT_EQ(Player(0).state, STATE_RUNNING);
    EXPECT_EQ(Player(1).state, STATE_STOPPED);
    EXPECT_DOUBLE_EQ(Player(0).position, 0.0);
    EXPECT_DOUBLE_EQ(host_.shown.back(), 0.0);

    // Beyond the end: nothing moves, nothing is shown, the debug output says so.
    DebugCapture debug;
    journal_.clear();
    const std::size_t shown = host_.shown.size();
    coordinator_.Seek(30.5, true);
    EXPECT_TRUE(journal_.empty());
    EXPECT_EQ(host_.shown.size(), shown);
    EXPECT_TRUE(debug.Contains(QStringLiteral("PlayPosChange!! : 30.5")));
}

TEST_F(PlaybackCoordinatorTest, TheEndOfEachFileMovesOnAndTheLastPauses) {
    Select({10.0, 10.0});
    PressPlay();
    ASSERT_EQ(Player(0).state, STATE_RUNNING);
    EXPECT_EQ(Player(1).state, STATE_STOPPED);  // built ahead by the play command

    coordinator_.PlayComplete(&Player(0));
    EXPECT_EQ(coordinator_.CurrentIndex(), 1);
    EXPECT_EQ(host_.playingIndex, 1);
    EXPECT_EQ(Player(1).state, STATE_RUNNING);
    EXPECT_TRUE(host_.timerRunning);

    // A late report of the player left behind changes nothing.
    coordinator_.PlayComplete(&Player(0));
    EXPECT_EQ(coordinator_.CurrentIndex(), 1);
    EXPECT_EQ(Player(1).state, STATE_RUNNING);

    // The last file ends: the index stays, the panel pauses, the timer stops.
    Player(1).position = 10.0;
    coordinator_.PlayComplete(&Player(1));
    EXPECT_EQ(coordinator_.CurrentIndex(), 1);
    EXPECT_EQ(host_.pauseActions, 1);
    EXPECT_EQ(Player(1).state, STATE_PAUSED);
    EXPECT_FALSE(host_.timerRunning);
}

TEST_F(PlaybackCoordinatorTest, AFailedSwitchToTheNextFileStopsThePlayback) {
    items_.push_back(UnprobedItem(10.0));
    items_.push_back(UnprobedItem(10.0));
    failingOpens_.insert(items_[1].get());
    coordinator_.SetItems(Selection());
    PressPlay();
    platform::MessageBox::ClearRecorded();
    coordinator_.PlayComplete(&Player(0));
    ASSERT_EQ(platform::MessageBox::Recorded().size(), 1u);
    EXPECT_EQ(coordinator_.CurrentIndex(), 1);
    EXPECT_TRUE(Logged("0:Stop"));
    EXPECT_EQ(Player(0).state, STATE_NO_GRAPH);  // its graph given back
    EXPECT_FALSE(host_.panelPlaying);
    EXPECT_FALSE(host_.timerRunning);
}

TEST_F(PlaybackCoordinatorTest, APlayerThatRefusesToRunIsReportedAndLeavesTheTimerOff) {
    Select({10.0});
    Player(0).state = STATE_NO_GRAPH;  // its graph is gone: Play fails
    EXPECT_FALSE(coordinator_.Play());
    EXPECT_FALSE(host_.timerRunning);
    Player(0).state = STATE_PAUSED;
    EXPECT_TRUE(coordinator_.Play());
    EXPECT_TRUE(host_.timerRunning);
}

TEST_F(PlaybackCoordinatorTest, PlayNearTheEndPointRewindsAndPlaysOnce) {
    Select({10.0, 10.0});
    // A span shorter than the rewind margin: one rewind, one play, no loop.
    host_.startPoint = 12.0;
    host_.endPoint = 12.5;
    host_.position = 12.4;
    coordinator_.Play();
    EXPECT_EQ(coordinator_.CurrentIndex(), 1);
    EXPECT_DOUBLE_EQ(Player(1).position, 2.0);
    EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "1:Play"), 1);
    EXPECT_EQ(Player(1).state, STATE_RUNNING);
    EXPECT_DOUBLE_EQ(host_.shown.back(), 12.0);
    EXPECT_TRUE(host_.timerRunning);

    // Far enough from the end point: plays where it is.
    journal_.clear();
    coordinator_.Pause();
    host_.position = 5.0;
    host_.endPoint = 20.0;
    coordinator_.Play();
    EXPECT_FALSE(Logged("1:Seek 2"));
    EXPECT_TRUE(Logged("1:Play"));
}

TEST_F(PlaybackCoordinatorTest, SpeedAndVolumeReachOnlyTheCurrentPlayer) {
    Select({10.0, 10.0});
    PressPlay();
    journal_.clear();
    for (const double bad : {kNaN, -1.0, std::numeric_limits<double>::infinity()}) {
        coordinator_.SetSpeed(bad);
    }
    EXPECT_TRUE(journal_.empty());
    coordinator_.SetSpeed(2.5);
    coordinator_.SetVolume(80.0);
    EXPECT_EQ(journal_, (Journal{"0:Rate 2.5", "0:Volume 80"}));

    coordinator_.SetSpeed(0.0);  // pause, through the panel
    EXPECT_EQ(host_.pauseActions, 1);
    EXPECT_EQ(Player(0).state, STATE_PAUSED);
    EXPECT_FALSE(host_.timerRunning);
}

TEST_F(PlaybackCoordinatorTest, TheTimerAndFrameStepsShowThePlayListPosition) {
    Select({10.0, 10.0});
    coordinator_.Seek(13.0, true);
    Player(1).position = 3.5;
    coordinator_.RefreshPlayInfo(false, 0.0);  // the timer's tick
    EXPECT_DOUBLE_EQ(host_.shown.back(), 13.5);

    coordinator_.NextFrame();
    EXPECT_DOUBLE_EQ(host_.shown.back(), 13.54);
    coordinator_.PrevFrame();
    EXPECT_DOUBLE_EQ(host_.shown.back(), 12.54);
}

TEST_F(PlaybackCoordinatorTest, GraphNotificationsReachOnlyPlayersOfThePlayList) {
    Select({10.0, 10.0});
    int other = 0;
    EXPECT_FALSE(coordinator_.GraphNotify(&other));
    EXPECT_TRUE(journal_.empty());
    EXPECT_TRUE(coordinator_.GraphNotify(&Player(1)));
    EXPECT_EQ(journal_, Journal{"1:Drain"});

    // A new selection drains the old players while none is current, so an end of
    // file still queued in them is dropped.
    PressPlay();
    Player(0).onDrain = [this] { coordinator_.PlayComplete(&Player(0)); };
    coordinator_.SetItems({items_[0].get()});
    EXPECT_EQ(coordinator_.CurrentIndex(), 0);
    EXPECT_EQ(host_.playingIndex, 0);
    EXPECT_EQ(host_.pauseActions, 0);
}

TEST_F(PlaybackCoordinatorTest, OnlyTheCurrentAndTheNextItemKeepTheirGraphs) {
    Select({10.0, 10.0, 10.0, 10.0});
    PressPlay();
    coordinator_.PlayComplete(&Player(0));
    coordinator_.PlayComplete(&Player(1));
    EXPECT_EQ(Player(0).state, STATE_NO_GRAPH);
    EXPECT_EQ(Player(1).state, STATE_NO_GRAPH);
    EXPECT_EQ(Player(2).state, STATE_RUNNING);
    EXPECT_EQ(Player(3).state, STATE_STOPPED);

    coordinator_.Seek(5.0, true);  // back to the first: it opens again and runs
    EXPECT_EQ(Player(0).state, STATE_RUNNING);
    EXPECT_EQ(Player(2).state, STATE_NO_GRAPH);
    EXPECT_EQ(Player(3).state, STATE_NO_GRAPH);

    // A new list that starts with an item that has its graph reuses it; the others go.
    journal_.clear();
    coordinator_.SetItems({items_[1].get(), items_[3].get()});
    EXPECT_TRUE(Logged("0:Release"));
    EXPECT_FALSE(Logged("1:Release"));
    EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "1:Open"), 1);
    EXPECT_EQ(Player(1).state, STATE_PAUSED);
}

// A stopped graph still holds what its play decoded: the item a seek leaves gives
// its graph back even when it is the next one, and is built again before it plays.
TEST_F(PlaybackCoordinatorTest, TheItemASeekLeavesGivesItsGraphBackEvenAsTheNextOne) {
    Select({10.0, 10.0, 10.0});
    coordinator_.Seek(15.0, true);
    PressPlay();
    journal_.clear();
    coordinator_.Seek(5.0, true);  // back one item: the one left is the next
    EXPECT_EQ(coordinator_.CurrentIndex(), 0);
    EXPECT_EQ(Player(0).state, STATE_RUNNING);
    EXPECT_EQ(Player(1).state, STATE_STOPPED);
    EXPECT_EQ(Player(2).state, STATE_NO_GRAPH);
    const auto at = [this](const std::string& entry) {
        return std::find(journal_.begin(), journal_.end(), entry) - journal_.begin();
    };
    ASSERT_TRUE(Logged("1:Release"));
    ASSERT_TRUE(Logged("2:Release"));
    EXPECT_LT(at("1:Stop"), at("1:Release"));
    // The graphs left go before the next one is built.
    EXPECT_LT(at("2:Release"), at("1:Open"));
    EXPECT_LT(at("1:Release"), at("1:Open"));

    // The end of a file: the one left goes before the one after is built.
    journal_.clear();
    coordinator_.PlayComplete(&Player(0));
    EXPECT_EQ(Player(0).state, STATE_NO_GRAPH);
    EXPECT_EQ(Player(2).state, STATE_STOPPED);
    EXPECT_LT(at("0:Release"), at("2:Open"));
}

TEST_F(PlaybackCoordinatorTest, TheVideoWindowDrainsAGraphAfterAWaitThatHoldsNothingUp) {
    QWidget window;
    app::VideoMessageRoute route(window, coordinator_);
    const auto send = [&](std::uint32_t message, const void* player) {
        platform::WindowMessage event(message, reinterpret_cast<platform::WPARAM>(player),
                                      reinterpret_cast<platform::LPARAM>(player));
        return route.Handle(&event);
    };
    // Nothing to play: the wait still passes, then the message is let go.
    EXPECT_TRUE(send(WM_GRAPH_NOTIFY, &journal_));
    EXPECT_FALSE(send(WM_PLAY_COMPLETE, &journal_));

    Select({10.0, 10.0});
    PressPlay();
    journal_.clear();
    EXPECT_TRUE(send(WM_GRAPH_NOTIFY, &Player(0)));
    EXPECT_TRUE(journal_.empty());  // not drained on the spot
    ASSERT_TRUE(WaitUntil([&] { return Logged("0:Drain"); }));
    EXPECT_TRUE(send(WM_PLAY_COMPLETE, &Player(0)));
    EXPECT_EQ(coordinator_.CurrentIndex(), 1);
}
