#pragma once

#include "app/SaveQuestion.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>

namespace app {

enum class ImageFormat { Jpeg, Bmp };

// What a screenshot is of and where it was taken.
struct Screenshot {
    QImage image;                 // null when the grab failed
    QString grabFailure;          // the text shown then
    std::uint32_t startTime = 0;  // the recording's, Unix seconds
    double position = 0.0;        // in the recording, seconds
    QString defaultSaveFolder;    // may be empty
};

// The screenshot command: asks where to save, picks the format, writes the image
// and remembers the folder for the next one. GUI thread only.
class ScreenshotCommand {
  public:
    void Save(const Screenshot& shot);

    // The format a chosen name asks for: its own extension (.jpg, .jpeg or .bmp)
    // decides; without one the dialog's filter does (1 JPEG, 2 BMP).
    static ImageFormat ChooseFormat(const QString& fileName, int filterIndex);
    // The name written: a name with an image extension stays as it is; any other
    // gets the format's extension.
    static QString TargetPath(const QString& fileName, ImageFormat format);

    // The folder the next dialog opens in; empty at start.
    const QString& LastFolder() const { return lastFolder_; }

    AskSaveName askSaveName;

  private:
    QString lastFolder_;
};

}  // namespace app
