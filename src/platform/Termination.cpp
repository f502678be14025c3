#include "Termination.h"

#include <QCoreApplication>

namespace platform {

namespace {

bool requested = false;

}  // namespace

void RequestTermination() {
    requested = true;
    QCoreApplication::quit();
}

bool TerminationRequested() {
    return requested;
}

}  // namespace platform
