#include "PlaybackTestSupport.h"

#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>

namespace {

QTemporaryDir& Folder() {
    static QTemporaryDir folder;
    return folder;
}

QString Make(const QString& name, const std::function<bool(const QString&)>& make) {
    const QString path = Folder().filePath(name);
    if (!QFile::exists(path) && !make(path)) {
        return {};
    }
    return path;
}

QString PictureFilter(int rate = 25, int seconds = 4) {
    // Ten bands of 32 pixels across the top 48 rows: bit i of the picture number.
    return QStringLiteral("testsrc2=s=320x240:r=%1:d=%2,").arg(rate).arg(seconds) +
           QStringLiteral(
               "geq=lum='if(lt(Y\\,48)\\,255*mod(floor(N/pow(2\\,floor(X/32)))\\,2)\\,lum(X\\,Y))'"
               ":cb='if(lt(Y\\,48)\\,128\\,cb(X\\,Y))':cr='if(lt(Y\\,48)\\,128\\,cr(X\\,Y))'");
}

QStringList VideoCodec() {
    return {"-c:v", "libx264", "-preset", "veryfast", "-g",
            "25",   "-bf",     "2",       "-pix_fmt", "yuv420p"};
}

QStringList AudioCodec() {
    return {"-c:a", "aac", "-b:a", "96k", "-ac", "2"};
}

}  // namespace

QString TestFolder() {
    return Folder().path();
}

bool RunTool(const QString& program, const QStringList& arguments, QByteArray* output) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        return false;
    }
    if (output != nullptr) {
        *output = process.readAllStandardOutput();
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString TestClipPath() {
    return Make("clip.ts", [](const QString& path) {
        QStringList args{"-v",
                         "error",
                         "-y",
                         "-f",
                         "lavfi",
                         "-i",
                         PictureFilter(),
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=f=1000:r=48000:d=4"};
        args << VideoCodec() << AudioCodec()
             << QStringList{"-streamid", "0:0x1011", "-streamid", "1:0x1100", "-f", "mpegts", path};
        return RunTool("ffmpeg", args);
    });
}

QString VideoOnlyClipPath() {
    return Make("video.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", PictureFilter()};
        args << VideoCodec() << QStringList{"-f", "mpegts", path};
        return RunTool("ffmpeg", args);
    });
}

QString ThirtyFpsClipPath() {
    return Make("thirty.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", PictureFilter(30, 2)};
        args << VideoCodec() << QStringList{"-g", "30", "-f", "mpegts", path};
        return RunTool("ffmpeg", args);
    });
}

QString AudioOnlyClipPath() {
    return Make("audio.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=f=1000:r=48000:d=2"};
        args << AudioCodec() << QStringList{"-f", "mpegts", path};
        return RunTool("ffmpeg", args);
    });
}

QString CutOffClipPath() {
    return Make("cutoff.ts", [](const QString& path) {
        QFile source(TestClipPath());
        if (!source.open(QIODevice::ReadOnly)) {
            return false;
        }
        // Three quarters in, off the packet grid: the last picture is torn.
        const qint64 size = source.size() * 3 / 4 + 101;
        QFile target(path);
        return target.open(QIODevice::WriteOnly) && target.write(source.read(size)) == size;
    });
}

int PictureNumber(const std::uint8_t* bgra, int width, int height, int stride) {
    if (bgra == nullptr || width < 320 || height < 48) {
        return -1;
    }
    int number = 0;
    for (int bit = 0; bit < 10; ++bit) {
        const std::uint8_t green = bgra[24 * stride + (bit * 32 + 16) * 4 + 1];
        if (green > 192) {
            number |= 1 << bit;
        } else if (green > 64) {
            return -1;
        }
    }
    return number;
}

int GrabbedPictureNumber(const media::BitmapInfoHeader& header,
                         const std::uint8_t* bits) {
    if (bits == nullptr || header.biBitCount != 32 || header.biHeight <= 0) {
        return -1;
    }
    const int stride = header.biWidth * 4;
    // Bottom-up rows: the picture's top row is the last in memory.
    const std::uint8_t* top = bits + static_cast<std::size_t>(header.biHeight - 1) * stride;
    return PictureNumber(top, header.biWidth, header.biHeight, -stride);
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

TestVideoWindow::TestVideoWindow() {
    resize(640, 360);
}

bool TestVideoWindow::event(QEvent* event) {
    if (const auto* notify = platform::WindowMessage::From(event, WM_GRAPH_NOTIFY)) {
        ++graphNotifies;
        lastNotifyLParam = notify->LParam();
        if (drainOnNotify) {
            reinterpret_cast<DShowPlayer*>(notify->LParam())->HandleGraphEvent();
        }
        return true;
    }
    if (const auto* complete = platform::WindowMessage::From(event, WM_PLAY_COMPLETE)) {
        ++playCompletes;
        lastCompleteWParam = complete->WParam();
        lastCompleteLParam = complete->LParam();
        if (onPlayComplete) {
            onPlayComplete(reinterpret_cast<DShowPlayer*>(complete->WParam()));
        }
        return true;
    }
    return QWidget::event(event);
}
