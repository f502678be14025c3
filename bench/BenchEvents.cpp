#include "BenchEvents.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace bench {

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        RunEventLoop(20);
    }
    return true;
}

}  // namespace bench
