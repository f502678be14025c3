#pragma once

#include "app/PlaybackCoordinator.h"

#include <QObject>

class QEvent;
class QWidget;

namespace app {

// What the video window's messages do to the play list: the players' graph
// notifications and ends of file, and the window's paint, size and display
// changes for the current player. GUI thread only.
class VideoMessageRoute {
  public:
    // How long a graph notification waits before the graph's events are drained,
    // without holding up the GUI thread.
    static constexpr int kNotifyDelayMs = 100;

    VideoMessageRoute(QWidget& window, PlaybackCoordinator& coordinator);

    // True when the event is handled here and the window's own handling is skipped.
    bool Handle(QEvent* event);
    void DisplayChanged();

  private:
    void Paint();

    QWidget& window_;
    PlaybackCoordinator& coordinator_;
    QObject context_;  // pending notifications die with the route
};

}  // namespace app
