#pragma once

#include <QApplication>

#include <exception>

namespace app {

// The program's application object. An exception that an event handler lets
// escape is shown in a box with its text and the message loop goes on: Qt itself
// cannot carry an exception through its loop.
class ProgramApplication : public QApplication {
  public:
    ProgramApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The box of an exception that escaped: its text, or "Unknow Error" for one that
// carries none, under the application's title, and a line on the debug output.
// GUI thread.
void ShowEscapedException(std::exception_ptr error);

}  // namespace app
