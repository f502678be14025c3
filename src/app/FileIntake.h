#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace app {

// Recordings that reach the program besides the file list's own dialog: files
// dropped on the main window and names on the command line. Only names of
// recordings (".mov", ".mp4", ".ts", in any case) are taken, and the file list
// is loaded only when at least one was, so a stray drop keeps what it shows.
class FileIntake {
  public:
    static constexpr int kMostDropped = 255;
    static constexpr int kMostArguments = 256;

    // A drop of 1..255 names; a larger drop is ignored whole.
    void Drop(const QStringList& names);
    // The program's arguments, its own path first; only the first 256 are looked at.
    void CommandLine(const QStringList& arguments);

    // Loads the names into the file list (it replaces what the list holds).
    std::function<void(const QStringList& names)> load;

  private:
    static QStringList KeepRecordings(const QStringList& names);
    void Load(const QStringList& names);
};

}  // namespace app
