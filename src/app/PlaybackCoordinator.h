#pragma once

#include "app/ItemPlayer.h"
#include "app/PlayTimeline.h"
#include "recordings/FileItem.h"

#include <memory>
#include <vector>

namespace app {

// What the play list drives around it: the play-control panel, the position
// shown in the panel, the chart and the information window, the file list's
// playing mark, the position timer, the log manager and the video window.
// The main window implements it over its windows; tests record the calls.
// Calls may come back into the coordinator (the panel's pause action fires its
// pause event), so the coordinator holds no state across them.
class PlaybackHost {
  public:
    virtual ~PlaybackHost() = default;

    virtual double PanelSpeed() = 0;
    virtual double PanelVolume() = 0;
    virtual double PanelPosition() = 0;
    virtual double PanelStartPoint() = 0;
    virtual double PanelEndPoint() = 0;
    virtual void SetPanelDuration(double seconds) = 0;
    virtual void SetPanelSpeed(double speed) = 0;
    // The panel's pause action (which fires its pause event while playing).
    virtual void PanelPause() = 0;

    // The play-list position in seconds to the panel, the chart cursor and the
    // information window.
    virtual void ShowPosition(double seconds) = 0;
    virtual void SetPlayingIndex(int index) = 0;
    virtual void SetTimerRunning(bool running) = 0;
    // A new play list: to the log manager; the chart's time range starts over.
    virtual void PlayListChanged(const FileItemList& items) = 0;
    virtual void RepaintVideo() = 0;
};

// The play list: the selected recordings played back to back as one time line,
// the item playing now, and every rule that moves between them (seeks, the end
// of each file, the play command's rewind, rate and volume). GUI thread only.
class PlaybackCoordinator {
  public:
    PlaybackCoordinator(PlaybackHost& host, ItemPlayerFactory players);
    // Drops the play list's references.
    ~PlaybackCoordinator();
    PlaybackCoordinator(const PlaybackCoordinator&) = delete;
    PlaybackCoordinator& operator=(const PlaybackCoordinator&) = delete;

    // A new selection becomes the play list; its first item opens paused.
    void SetItems(const FileItemList& selection);
    // The panel asks to play. False when the player refused to run: the panel,
    // which shows "playing" once its event returns, must be paused then.
    bool Play();
    void Pause();
    void PrevFrame();
    void NextFrame();
    void SetVolume(double volume);
    // 0 pauses through the panel; other finite rates above 0 go to the player.
    void SetSpeed(double speed);
    // Seeks the play list to a position of its time line. With `given`, the
    // position is shown as asked; else as the player reports it.
    void Seek(double position, bool given);
    // Shows `position` (given) or the position the player reports.
    void RefreshPlayInfo(bool given, double position);
    // The end of a file, reported by `player`; ignored unless it is the current
    // item's (a late report of a player left behind must not move the list).
    void PlayComplete(const void* player);
    // A graph notification of `player`: its events are drained when it belongs to
    // an item of the play list. False when it does not (it may be gone).
    bool GraphNotify(const void* player);

    bool IsEmpty() const { return entries_.empty(); }
    int CurrentIndex() const { return current_; }
    const FileItemList& Items() const { return items_; }
    const PlayTimeline& Timeline() const { return timeline_; }
    TFileItem* CurrentItem() const;
    // Null while the list is empty.
    ItemPlayer* CurrentPlayer() const;
    // The current item's player position on the time line.
    double GlobalPosition() const;

  private:
    struct Entry {
        TFileItem* item = nullptr;
        std::unique_ptr<ItemPlayer> player;
    };

    ItemPlayer& PlayerAt(int index) const;
    void ReleaseEntries();
    void ApplyRate(ItemPlayer& player, double rate);
    void PrepareSwitch(ItemPlayer& player);
    void OpenFollowing(int index);
    bool KeepsGraph(int index) const;
    void ReleasePassedGraphs();
    static void ReleaseGraphOf(ItemPlayer& player);
    void ShowOpenError();
    void PlayNextFile();

    PlaybackHost& host_;
    ItemPlayerFactory players_;
    std::vector<Entry> entries_;
    FileItemList items_;  // the same items, in play order, for the log manager and cuts
    PlayTimeline timeline_;
    int current_ = -1;
};

}  // namespace app
