// Writes the benchmark recordings into FOLDER, one sub-folder per encoding (the
// decode cost differs about 2x between them), skipping the folders already done:
//
//   camera-x264-veryfast-high-bf0-1080p30-12mbps-60s   three consecutive recordings
//   camera-x264-veryfast-high-bf3-1080p30-12mbps-60s   one, with B-frames
//   camera-x264-veryfast-high-bf0-1080p30-12mbps-180s  one, the 60 s media three times
//   camera-x264-veryfast-high-bf0-1080p30-12mbps-1200s one of 1.85 GB (not with --no-large)
//   demo-x264-ultrafast-1080p30-12mbps-60s             one, the demo-drive tool's encoding
//   tiny-x264-ultrafast-320x240-1s                     one, for the tools' start-up
//
// Camera-like means what a dash camera writes: x264 veryfast (High profile), a key
// frame every second, 1080p30 at 12 Mbit/s with sensor noise in the picture.
#include "support/DemoDriveLog.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include <cstdio>
#include <functional>

namespace {

constexpr int kSeconds = 60;
constexpr int kFps = 30;
constexpr int kKbps = 12000;

tsrec::TestMediaParams CameraMedia(int bFrames) {
    tsrec::TestMediaParams params;
    params.width = 1920;
    params.height = 1080;
    params.frameRate = kFps;
    params.seconds = kSeconds;
    params.gopFrames = kFps;
    params.videoKbps = kKbps;
    params.grain = true;
    params.preset = QStringLiteral("veryfast");
    params.bFrames = bFrames;
    return params;
}

DemoDriveOptions DriveOptions(const QString& folder, int count, int seconds) {
    DemoDriveOptions options;
    options.folder = folder;
    options.count = count;
    options.seconds = seconds;
    options.frameRate = kFps;
    options.kbps = kKbps;
    return options;
}

// Makes one sub-folder unless its marker says it is done; false on a failure.
bool MakeFolder(const QDir& root, const QString& name,
                const std::function<bool(const QString& folder, QString* error)>& make) {
    const QString folder = root.filePath(name);
    const QString marker = QDir(folder).filePath(QStringLiteral(".done"));
    if (QFile::exists(marker)) {
        std::printf("%s: kept\n", qPrintable(name));
        return true;
    }
    QDir(folder).removeRecursively();
    std::printf("%s: writing ...\n", qPrintable(name));
    std::fflush(stdout);
    QString error;
    if (!make(folder, &error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(error));
        return false;
    }
    QFile done(marker);
    return done.open(QIODevice::WriteOnly);
}

// Writes `count` recordings of the media, each `repeats` times the media long.
bool WrapMedia(const tsrec::ElementaryStreams& media, const QString& folder, int count, int repeats,
               QString* error) {
    if (media.h264.empty()) {
        *error = QStringLiteral("the encoder failed");
        return false;
    }
    DemoDriveOptions options = DriveOptions(folder, count, kSeconds);
    options.media = &media;
    options.mediaRepeats = repeats;
    QStringList paths;
    return WriteDemoDrive(options, &paths, error);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool large = !args.removeAll(QStringLiteral("--no-large"));
    if (args.size() != 1 || !QDir().mkpath(args.front())) {
        std::fprintf(stderr, "usage: ombrel-bench-media [--no-large] FOLDER\n");
        return 2;
    }
    const QDir root(args.front());
    const QString camera = QStringLiteral("camera-x264-veryfast-high-bf%1-1080p30-12mbps-%2s");
    QTemporaryDir work;
    tsrec::ElementaryStreams noB;
    const auto cameraNoB = [&](const QString& folder, int count, int repeats, QString* error) {
        if (noB.h264.empty() && !tsrec::EncodeMedia(CameraMedia(0), work.path(), &noB, error)) {
            return false;
        }
        return WrapMedia(noB, folder, count, repeats, error);
    };
    bool ok = MakeFolder(root, camera.arg(0).arg(kSeconds),
                         [&](const QString& f, QString* e) { return cameraNoB(f, 3, 1, e); });
    ok = ok && MakeFolder(root, camera.arg(0).arg(3 * kSeconds),
                          [&](const QString& f, QString* e) { return cameraNoB(f, 1, 3, e); });
    if (large) {
        ok = ok && MakeFolder(root, camera.arg(0).arg(20 * kSeconds),
                              [&](const QString& f, QString* e) { return cameraNoB(f, 1, 20, e); });
    }
    ok = ok && MakeFolder(root, camera.arg(3).arg(kSeconds), [&](const QString& f, QString* e) {
             tsrec::ElementaryStreams withB;
             return tsrec::EncodeMedia(CameraMedia(3), work.path(), &withB, e) &&
                    WrapMedia(withB, f, 1, 1, e);
         });
    ok = ok && MakeFolder(root, QStringLiteral("demo-x264-ultrafast-1080p30-12mbps-60s"),
                          [&](const QString& f, QString* e) {
                              QStringList paths;
                              return WriteDemoDrive(DriveOptions(f, 1, kSeconds), &paths, e);
                          });
    ok = ok && MakeFolder(root, QStringLiteral("tiny-x264-ultrafast-320x240-1s"),
                          [&](const QString& f, QString* e) {
                              DemoDriveOptions options = DriveOptions(f, 1, 1);
                              options.width = 320;
                              options.height = 240;
                              options.kbps = 500;
                              QStringList paths;
                              return WriteDemoDrive(options, &paths, e);
                          });
    ::sync();  // clean pages: the cold runs can drop them from the cache
    return ok ? 0 : 1;
}
