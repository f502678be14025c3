#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

// Pumps the GUI thread's events until `done` holds; false after a generous minute.
inline bool ProcessUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 60000) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}
