#pragma once

#include <functional>

// The tests' one wait: until `done` holds or the deadline passes. On the GUI
// thread the events run meanwhile. The default deadline is generous, for slow and
// loaded machines; a test never waits a fixed time instead. True when `done` held.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 30000);
