#include "WaitUntil.h"

#include "platform/GuiThread.h"

#include <QTest>

#include <chrono>
#include <thread>

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    if (platform::IsGuiThread()) {
        return QTest::qWaitFor(done, timeoutMs);
    }
    // Off the GUI thread there are no events to run: look again as soon as the
    // scheduler lets us.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}
