#include "Commonfun.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <unistd.h>
#include <cmath>
#include <mutex>

namespace {

struct UseCount {
    std::mutex mutex;
    int count = 0;
};

UseCount& TheUseCount() {
    static UseCount useCount;
    return useCount;
}

void ShowPlainError(const QString& text, const QString& caption) {
    platform::MessageBox::Show(nullptr, text, caption, platform::MB_OK);
}

// Paints every screen's picture into one desktop image; false when a screen
// could not be captured.
bool GrabScreens(QImage* desktop) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) {
        return false;
    }
    QRect bounds;
    for (const QScreen* screen : screens) {
        bounds = bounds.united(screen->geometry());
    }
    QImage image(bounds.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    for (QScreen* screen : screens) {
        const QPixmap picture = screen->grabWindow(0);
        if (picture.isNull()) {
            return false;
        }
        const QRect area = screen->geometry().translated(-bounds.topLeft());
        painter.drawPixmap(area, picture);
    }
    painter.end();
    *desktop = std::move(image);
    return true;
}

bool GrabWindow(QWidget* window, QImage* desktop) {
    if (window == nullptr) {
        return false;
    }
    const QPixmap picture = window->grab();
    if (picture.isNull()) {
        return false;
    }
    QRect bounds;
    for (const QScreen* screen : QGuiApplication::screens()) {
        bounds = bounds.united(screen->geometry());
    }
    const QRect frame(window->mapToGlobal(QPoint(0, 0)),
                      picture.size() / picture.devicePixelRatio());
    bounds = bounds.united(frame);
    QImage image(bounds.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.drawPixmap(frame.translated(-bounds.topLeft()), picture);
    painter.end();
    *desktop = std::move(image);
    return true;
}

}  // namespace

void GdiplusAddRef() {
    UseCount& useCount = TheUseCount();
    std::lock_guard lock(useCount.mutex);
    if (useCount.count > 0) {
        ++useCount.count;
        return;
    }
    useCount.count = 1;
    platform::DebugOutput::Write(QStringLiteral("GdiplusStartup"));
}

void GdiplusRelease() {
    UseCount& useCount = TheUseCount();
    bool unbalanced = false;
    {
        std::lock_guard lock(useCount.mutex);
        --useCount.count;
        if (useCount.count == 0) {
            platform::DebugOutput::Write(QStringLiteral("GdiplusShutdown"));
        }
        unbalanced = useCount.count < 0;
    }
    if (unbalanced) {
        ShowPlainError(QStringLiteral("GDIPlusUseCount Error!"), QStringLiteral("Error"));
    }
}

int foundation::GdiplusUseCount() {
    UseCount& useCount = TheUseCount();
    std::lock_guard lock(useCount.mutex);
    return useCount.count;
}

int GetEncoderClsid(const QString& mimeType, QByteArray* format) {
    const QList<QByteArray> mimeTypes = QImageWriter::supportedMimeTypes();
    for (int index = 0; index < mimeTypes.size(); ++index) {
        if (QString::fromLatin1(mimeTypes[index]) == mimeType) {
            if (format != nullptr) {
                const QList<QByteArray> formats =
                    QImageWriter::imageFormatsForMimeType(mimeTypes[index]);
                *format = formats.isEmpty() ? QByteArray() : formats.first();
            }
            return index;
        }
    }
    return -1;
}

QImage CaptureScreen(QWidget* fallback) {
    QImage desktop;
    if (GrabScreens(&desktop) || GrabWindow(fallback, &desktop)) {
        return desktop;
    }
    ShowPlainError(QStringLiteral("Screen capture has failed"), QStringLiteral("Failed"));
    return QImage();
}

QImage LoadResourceImage(const QString& name) {
    return QImage(QStringLiteral(":/images/%1.png").arg(name));
}

bool CanAccessFolder(const QString& path, std::uint32_t access) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path)) {
        return false;
    }
    int mode = 0;
    if (access & (FILE_LIST_DIRECTORY | GENERIC_READ)) {
        mode |= R_OK | X_OK;
    }
    if (access & (FILE_ADD_FILE | GENERIC_WRITE)) {
        mode |= W_OK | X_OK;
    }
    if (mode == 0) {
        mode = F_OK;
    }
    return ::access(QFile::encodeName(path).constData(), mode) == 0;
}

QString GetFolderOfPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0) {
        return QString();
    }
    return path.left(slash + 1);
}

QString FormatSecondsHMS(double seconds) {
    if (!(seconds > 0.0)) {
        return QStringLiteral("00:00:00");
    }
    // Beyond this the hours no longer fit a 64-bit count.
    const double whole = std::min(std::trunc(seconds), 9.0e18);
    const auto total = static_cast<long long>(whole);
    const long long hours = total / 3600;
    const long long minutes = (total % 3600) / 60;
    const long long secs = total % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, QChar(u'0'))
        .arg(minutes, 2, 10, QChar(u'0'))
        .arg(secs, 2, 10, QChar(u'0'));
}
