#pragma once

#include <functional>

// The tests' one wait: runs the GUI thread's events until `done` holds or the
// deadline passes. The default deadline is generous, for slow and loaded machines;
// a test never waits a fixed time instead. True when `done` held.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 30000);
