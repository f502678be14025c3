#include "TestClips.h"

#include "TestMedia.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

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
        return tsrec::RunTool("ffmpeg", args, nullptr, nullptr);
    });
}

QString VideoOnlyClipPath() {
    return Make("video.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", PictureFilter()};
        args << VideoCodec() << QStringList{"-f", "mpegts", path};
        return tsrec::RunTool("ffmpeg", args, nullptr, nullptr);
    });
}

QString ThirtyFpsClipPath() {
    return Make("thirty.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", PictureFilter(30, 2)};
        args << VideoCodec() << QStringList{"-g", "30", "-f", "mpegts", path};
        return tsrec::RunTool("ffmpeg", args, nullptr, nullptr);
    });
}

QString AudioOnlyClipPath() {
    return Make("audio.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=f=1000:r=48000:d=2"};
        args << AudioCodec() << QStringList{"-f", "mpegts", path};
        return tsrec::RunTool("ffmpeg", args, nullptr, nullptr);
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
