#pragma once

namespace platform {

// The application's termination request. A request made before the message loop
// runs would be lost in Qt (quitting an event loop that has not started does
// nothing), so it is also kept: the entry tests it and then neither shows the
// main window nor starts the loop. GUI thread only.
void RequestTermination();
bool TerminationRequested();

// SIGINT, SIGTERM and SIGHUP become a termination request on the GUI thread, so
// Ctrl+C in a terminal or the end of a session takes the ordered shut-down rather
// than killing the process in the middle of a cut. Once the application object
// exists; later calls do nothing.
void RequestTerminationOnSignals();

}  // namespace platform
