// The recording item's video operations and how an item's player is torn down.
#include "FileItemVideo.h"

#include "playback/DSvideo.h"
#include "recordings/FileItem.h"

#include <QPointer>
#include <QWidget>

namespace {

QPointer<QWidget>& VideoWindow() {
    static QPointer<QWidget> window;
    return window;
}

// The graph goes at once; the player itself once no event drain of its own runs.
void DestroyItemPlayer(DShowPlayer* player) {
    DShowPlayer::Destroy(player);
}

}  // namespace

void SetPlayerVideoWindow(QWidget* window) {
    VideoWindow() = window;
    TFileItem::SetPlayerDestroyer(&DestroyItemPlayer);
}

QWidget* PlayerVideoWindow() {
    return VideoWindow();
}

HRESULT TFileItem::OpenVideo() {
    if (player != nullptr) {
        // A player whose first open failed has no graph: open the file again.
        if (player->State() == STATE_NO_GRAPH) {
            return player->OpenFile(path);
        }
        player->SeekSeconds(0.0);
        return 0;
    }
    TFileItem::SetPlayerDestroyer(&DestroyItemPlayer);
    player = new DShowPlayer(PlayerVideoWindow());
    return player->OpenFile(path);
}

HRESULT TFileItem::PlayFromStart() {
    if (player == nullptr) {
        OpenVideo();
    }
    return player->SeekSecondsAndPlay(0.0);
}
