#pragma once

namespace platform {

// The application's termination request. A request made before the message loop
// runs would be lost in Qt (quitting an event loop that has not started does
// nothing), so it is also kept: the entry tests it and then neither shows the
// main window nor starts the loop. GUI thread only.
void RequestTermination();
bool TerminationRequested();

}  // namespace platform
