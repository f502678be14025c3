#pragma once

#include <QWidget>

#include <functional>

namespace app {

// The video window: the window of every player. Each of its events goes first to
// the procedure its owner installs; an event the procedure leaves (false) takes
// the widget's usual way.
class VideoWindow : public QWidget {
  public:
    explicit VideoWindow(QWidget* parent = nullptr);

    std::function<bool(VideoWindow* sender, QEvent* event)> procedure;

  protected:
    bool event(QEvent* event) override;
    // What shows without a player: black.
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace app
