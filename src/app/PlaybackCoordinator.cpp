#include "PlaybackCoordinator.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <cmath>

namespace app {

namespace {

constexpr double kEmptyPanelDuration = 60.0;
// Closer than this to the end point, the play command starts again from the
// start point.
constexpr double kRewindMargin = 1.0;

}  // namespace

PlaybackCoordinator::PlaybackCoordinator(PlaybackHost& host, ItemPlayerFactory players)
    : host_(host), players_(std::move(players)) {}

PlaybackCoordinator::~PlaybackCoordinator() {
    ReleaseEntries();
}

TFileItem* PlaybackCoordinator::CurrentItem() const {
    return current_ >= 0 ? entries_[static_cast<std::size_t>(current_)].item : nullptr;
}

ItemPlayer* PlaybackCoordinator::CurrentPlayer() const {
    return current_ >= 0 ? &PlayerAt(current_) : nullptr;
}

ItemPlayer& PlaybackCoordinator::PlayerAt(int index) const {
    return *entries_[static_cast<std::size_t>(index)].player;
}

double PlaybackCoordinator::GlobalPosition() const {
    if (current_ < 0) {
        return 0.0;
    }
    return PlayerAt(current_).GetPositionSeconds() + timeline_.StartOf(current_);
}

void PlaybackCoordinator::ReleaseEntries() {
    std::vector<Entry> old = std::move(entries_);
    entries_.clear();
    items_.clear();
    for (Entry& entry : old) {
        entry.player.reset();  // it refers to the item
        entry.item->Release();
    }
}

void PlaybackCoordinator::SetItems(const FileItemList& selection) {
    if (current_ >= 0) {
        PlayerAt(current_).Stop();
        host_.SetTimerRunning(false);
    }
    current_ = -1;
    // Events still queued in the players left behind are drained now, while no item
    // is current: an old end of file must not move the next list on. Their graphs
    // go, unless the new list starts with their items.
    const auto reusedEnd = selection.begin() + std::min<std::ptrdiff_t>(2, std::ssize(selection));
    for (Entry& entry : entries_) {
        entry.player->DrainEvents();
        if (std::find(selection.begin(), reusedEnd, entry.item) == reusedEnd) {
            ReleaseGraphOf(*entry.player);
        }
    }
    // The new items are referenced before the old ones are let go, so an item in
    // both lists keeps its player.
    for (TFileItem* item : selection) {
        item->AddRef();
    }
    ReleaseEntries();
    std::vector<double> durations;
    for (TFileItem* item : selection) {
        entries_.push_back(Entry{item, players_(*item)});
        items_.push_back(item);
        durations.push_back(item->duration);
    }
    timeline_.Assign(durations);

    host_.SetPanelSpeed(1.0);
    if (entries_.empty()) {
        host_.SetPanelDuration(kEmptyPanelDuration);
    } else {
        current_ = 0;
        ItemPlayer& first = PlayerAt(0);
        if (media::Failed(first.OpenVideo())) {
            ShowOpenError();
        }
        if (first.HasVideo()) {
            first.FitVideoWindow();
            first.Pause();  // the first picture shows
            host_.SetPlayingIndex(current_);
            host_.RepaintVideo();
        }
        host_.SetPanelDuration(timeline_.Total());
    }
    host_.PlayListChanged(items_);
    RefreshPlayInfo(true, 0.0);
}

bool PlaybackCoordinator::Play() {
    if (entries_.empty()) {
        return true;
    }
    if (host_.PanelEndPoint() - host_.PanelPosition() < kRewindMargin) {
        // Rewind, then play in this same call: asking the panel to play again would
        // come back here while the position has not yet moved, without end.
        Seek(host_.PanelStartPoint(), true);
    }
    ItemPlayer& player = PlayerAt(current_);
    ApplyRate(player, host_.PanelSpeed());
    player.SetVolume(host_.PanelVolume());
    if (media::Failed(player.Play())) {
        return false;
    }
    host_.SetTimerRunning(true);
    OpenFollowing(current_);
    return true;
}

void PlaybackCoordinator::Pause() {
    if (current_ >= 0) {
        PlayerAt(current_).Pause();
    }
    host_.SetTimerRunning(false);
}

void PlaybackCoordinator::PrevFrame() {
    if (current_ < 0) {
        return;
    }
    PlayerAt(current_).StepBack();
    RefreshPlayInfo(false, 0.0);
}

void PlaybackCoordinator::NextFrame() {
    if (current_ < 0) {
        return;
    }
    PlayerAt(current_).StepOneFrame();
    RefreshPlayInfo(false, 0.0);
}

void PlaybackCoordinator::SetVolume(double volume) {
    if (current_ >= 0) {
        PlayerAt(current_).SetVolume(volume);
    }
}

void PlaybackCoordinator::SetSpeed(double speed) {
    if (current_ < 0) {
        return;
    }
    if (speed == 0.0) {
        host_.PanelPause();
        return;
    }
    ApplyRate(PlayerAt(current_), speed);
}

void PlaybackCoordinator::ApplyRate(ItemPlayer& player, double rate) {
    // Only a rate the engine can play reaches it; 0 means pause and is the panel's.
    if (std::isfinite(rate) && rate > 0.0) {
        player.SetRate(rate);
    }
}

void PlaybackCoordinator::PrepareSwitch(ItemPlayer& player) {
    player.FitVideoWindow();
    ApplyRate(player, host_.PanelSpeed());
    player.SetVolume(host_.PanelVolume());
}

void PlaybackCoordinator::OpenFollowing(int index) {
    // The next file's graph is built ahead, so the switch at the end is quick.
    if (index + 1 < static_cast<int>(entries_.size())) {
        PlayerAt(index + 1).OpenVideo();
    }
}

bool PlaybackCoordinator::KeepsGraph(int index) const {
    return index == current_ || index == current_ + 1;
}

// A stopped graph still holds its decoders, threads and buffers (over 100 MB at
// 1080p): only the current item and the next one, built ahead, keep theirs, so a
// long drive played through does not pile them up.
void PlaybackCoordinator::ReleasePassedGraphs() {
    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        if (!KeepsGraph(i)) {
            ReleaseGraphOf(PlayerAt(i));
        }
    }
}

void PlaybackCoordinator::ReleaseGraphOf(ItemPlayer& player) {
    if (player.State() != STATE_NO_GRAPH) {
        player.ReleaseGraph();
    }
}

void PlaybackCoordinator::ShowOpenError() {
    platform::MessageBox::Show(nullptr, QStringLiteral("Open file Error!"), QStringLiteral("Error"),
                               platform::MB_OK);
}

void PlaybackCoordinator::Seek(double position, bool given) {
    if (entries_.empty()) {
        return;
    }
    const std::optional<TimelinePlace> place = timeline_.Locate(position);
    if (!place) {
        platform::DebugOutput::Write(QStringLiteral("PlayPosChange!! : ") +
                                     QString::number(position, 'g', 15));
        return;
    }
    if (place->index == current_) {
        PlayerAt(current_).SeekSeconds(place->local);
    } else {
        ItemPlayer& target = PlayerAt(place->index);
        if (media::Failed(target.OpenVideo())) {
            ShowOpenError();
            return;
        }
        PrepareSwitch(target);
        target.SeekSeconds(place->local);
        ItemPlayer& old = PlayerAt(current_);
        const bool running = old.State() == STATE_RUNNING;
        old.Stop();
        if (running) {
            target.Play();
        } else {
            target.Pause();
        }
        current_ = place->index;
        host_.SetPlayingIndex(current_);
        // Stopped, the item left still holds the pictures and buffers of its play: it
        // gives them back even when it is the next item, which is then built afresh.
        ReleaseGraphOf(old);
        ReleasePassedGraphs();
        OpenFollowing(current_);
    }
    // At or before 0 the play list shows its start.
    RefreshPlayInfo(given, timeline_.StartOf(place->index) + place->local);
}

void PlaybackCoordinator::RefreshPlayInfo(bool given, double position) {
    if (!given) {
        position = GlobalPosition();
    }
    host_.ShowPosition(position);
}

void PlaybackCoordinator::PlayComplete(const void* player) {
    if (current_ < 0 || !PlayerAt(current_).Is(player)) {
        return;
    }
    PlayNextFile();
}

bool PlaybackCoordinator::GraphNotify(const void* player) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].player->Is(player)) {
            entries_[i].player->DrainEvents();
            return true;
        }
    }
    return false;
}

void PlaybackCoordinator::PlayNextFile() {
    const int previous = current_;
    if (previous + 1 >= static_cast<int>(entries_.size())) {
        host_.PanelPause();
        return;
    }
    current_ = previous + 1;
    ItemPlayer& next = PlayerAt(current_);
    const bool started = !media::Failed(next.PlayFromStart());
    if (!started) {
        ShowOpenError();
    }
    PrepareSwitch(next);
    PlayerAt(previous).Stop();
    // The graphs left behind go before the next one is built: fewer at once.
    ReleasePassedGraphs();
    OpenFollowing(current_);
    host_.SetPlayingIndex(current_);
    if (!started) {
        // Nothing plays: the timer stops and the panel shows it.
        host_.PanelPause();
    }
}

}  // namespace app
