#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>

class QWidget;

// Helpers shared by the drawing units, the screenshot and cut commands and the
// file list.

// Drawing needs no start-up here, but the use count is kept: it shows unbalanced
// users on the debug output and in the "GDIPlusUseCount Error!" box.
void GdiplusAddRef();
void GdiplusRelease();
namespace foundation {
int GdiplusUseCount();
}  // namespace foundation

// Index of the first image writer whose MIME type equals `mimeType` exactly, or -1.
// `format` (when given) receives the writer's format name for QImageWriter.
int GetEncoderClsid(const QString& mimeType, QByteArray* format);

// The whole virtual desktop (the bounding box of all screens) as a 32-bit ARGB
// image. Where the platform refuses to capture the screen, the `fallback` window's
// own picture is taken, placed at its position on the desktop. A null image after
// the "Failed" box when neither works.
QImage CaptureScreen(QWidget* fallback = nullptr);

// The picture RID_<word> from the program's resources; a null image when missing.
QImage LoadResourceImage(const QString& name);

// Access bits of the folder check.
enum : std::uint32_t {
    FILE_LIST_DIRECTORY = 0x1,
    FILE_ADD_FILE = 0x2,
    GENERIC_WRITE = 0x40000000,
    GENERIC_READ = 0x80000000,
};

// True when the current user has the access to the absolute folder `path`
// (adding a file needs write and search permission); false for a relative path.
bool CanAccessFolder(const QString& path, std::uint32_t access);

// The folder part of a path with its closing '/', or a null text for a name
// without any folder. The folder of "/x.jpg" is "/".
QString GetFolderOfPath(const QString& path);

// Seconds as "hh:mm:ss", hours not limited to two digits; NaN and negatives give
// "00:00:00".
QString FormatSecondsHMS(double seconds);
