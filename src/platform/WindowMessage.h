#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>

namespace platform {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// A window message carried as a Qt event whose type is the message number.
// The program's messages (0x8000..0xBFFF, checked where they are numbered) lie in
// Qt's user event range. A posted message is built on the posting thread and read
// and freed on the receiver's: each reader below and the destructor take it over
// first (platform/QueueHandoff), however the receiver came to it.
class WindowMessage : public QEvent {
  public:
    WindowMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam);
    ~WindowMessage() override;

    std::uint32_t Message() const;
    WPARAM WParam() const;
    LPARAM LParam() const;

    // What a receiver of a sent message answers.
    void SetResult(LRESULT result);
    LRESULT Result() const;

    // The message when the event is one, else null.
    static const WindowMessage* From(const QEvent* event, std::uint32_t message);

  private:
    WPARAM wParam_;
    LPARAM lParam_;
    LRESULT result_ = 0;
};

// Queues the message to the receiver's thread; callable from any thread while the
// receiver lives. Messages still queued when the receiver is destroyed are dropped.
void PostWindowMessage(QObject* receiver, std::uint32_t message, WPARAM wParam = 0,
                       LPARAM lParam = 0);

// Delivers the message at once on the calling thread (the receiver's) and gives
// the receiver's result.
LRESULT SendWindowMessage(QObject* receiver, std::uint32_t message, WPARAM wParam = 0,
                          LPARAM lParam = 0);

}  // namespace platform
