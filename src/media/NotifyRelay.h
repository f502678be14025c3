#pragma once

#include "platform/WindowMessage.h"

#include <QObject>
#include <QPointer>

#include <atomic>

namespace media {

// Carries a graph's notifications to its notify window. The graph posts to the
// relay; the relay, on the GUI thread, hands each one to the window while it is
// still wanted. A graph that changes or drops its window disables its relay, so
// notifications already queued die with it and never name a freed object.
class NotifyRelay : public QObject {
  public:
    explicit NotifyRelay(QObject* window);

    void Disable() { enabled_ = false; }

  protected:
    bool event(QEvent* event) override;

  private:
    QPointer<QObject> window_;
    std::atomic<bool> enabled_{true};
};

}  // namespace media
