#pragma once

#include <functional>

class QObject;

namespace platform {

// True on the thread of the application object (the GUI thread); false on every
// thread when there is no application object.
bool IsGuiThread();

// The one route of work to the GUI thread. `fn` runs at once when called on the
// GUI thread, and also when there is no application object (a tool without an
// event loop does on its one thread what the GUI thread would). Otherwise it is
// queued to the GUI thread's event loop, in call order, and dropped when `context`
// is destroyed before it runs. `context` is the GUI-thread object `fn` works on,
// or null when `fn` needs no object alive. Callable from any thread while
// `context` lives.
void RunOnGuiThread(QObject* context, std::function<void()> fn);

// Asks a widget to repaint, from any thread: its update() slot, queued by name when
// called off the GUI thread, so the call carries nothing of the caller's across the
// threads. Dropped when the widget is destroyed before it runs.
void UpdateOnGuiThread(QObject* widget);

}  // namespace platform
