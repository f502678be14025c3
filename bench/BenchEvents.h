#pragma once

// Waiting in the benchmarks' own processes: the GUI thread keeps serving its events
// (the player's pictures and messages arrive through them) while time passes.

#include <functional>

namespace bench {

// Serves events for `ms` milliseconds in a blocking loop (no spinning).
void RunEventLoop(int ms);

// Serves events until `done` answers true; false once `timeoutMs` has passed.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

}  // namespace bench
