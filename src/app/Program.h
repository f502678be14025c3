#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class TsettingChart;

namespace platform {
class SingleInstance;
}

namespace app {

// The program's run on its application object: the single-instance lock, the
// first start's default preferences, the six forms in their order, the message
// loop until the main window closes, and the ordered shut-down. GUI thread only;
// one Program at a time, since the forms it makes are the program's globals.
class Program {
  public:
    // What has to be set before the application object exists (and its threads):
    // the heap's retention limits, the shared GL contexts the map's web engine
    // needs, and its sandbox off when run as root.
    static void PrepareApplication();
    static QString DefaultLockPath();

    explicit Program(QString lockPath = DefaultLockPath());
    // The ordered shut-down, then the lock goes.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    enum class StartResult {
        Started,         // the forms exist; Run shows the main window
        SecondInstance,  // another instance holds the lock: its box was shown, nothing made
        Ended,           // a form asked the program to end (a damaged settings file)
    };
    // `arguments`: the program's own path first, then recordings to open.
    StartResult Start(const QStringList& arguments);
    // Shows the main window; its first showing completes the start (language,
    // cutting job, the command line's recordings).
    void ShowMainWindow();
    // Shows the main window and runs the message loop until it closes or the
    // program is asked to end; the process's exit code.
    int Run();

  private:
    void CreateForms(const QStringList& arguments);
    // Stops what could still tick into the windows, hides the secondary ones (their
    // hide handlers keep what the user chose), then deletes the main window, which
    // stops the cut and the log worker, lets the play list go and takes its child
    // windows, the other forms among them, with it.
    void Shutdown();

    QString lockPath_;
    std::unique_ptr<platform::SingleInstance> lock_;
    TsettingChart* chartSetting_ = nullptr;  // a child of the main window
};

// The whole program on its application object: start, loop and shut-down; an
// exception that escapes them is shown with its text. The exit code.
int RunProgram(const QStringList& arguments);

}  // namespace app
