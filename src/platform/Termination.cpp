#include "Termination.h"

#include "platform/DebugOutput.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace platform {

namespace {

bool requested = false;
// A signal handler may only write to a descriptor: the GUI thread reads the
// other end.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void DrainSignalPipe() {
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

void RequestTermination() {
    requested = true;
    QCoreApplication::quit();
}

bool TerminationRequested() {
    return requested;
}

void RequestTerminationOnSignals() {
    if (signalPipe[0] >= 0 || QCoreApplication::instance() == nullptr) {
        return;
    }
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        DebugOutput::Write(QStringLiteral("Termination: no signal pipe: %1")
                               .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    auto* notifier =
        new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        DrainSignalPipe();
        RequestTermination();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace platform
