#include "TestMedia.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace tsrec {

namespace {

using MediaKey = std::tuple<int, int, int, double, int, int, bool, int, int, int, QString, int>;

MediaKey KeyOf(const TestMediaParams& p) {
    return {p.width, p.height, p.frameRate,  p.seconds,   p.gopFrames, p.videoKbps,
            p.grain, p.toneHz, p.sampleRate, p.audioKbps, p.preset,    p.bFrames};
}

QStringList EncoderArguments(const TestMediaParams& p, const QString& videoPath,
                             const QString& audioPath) {
    const QString seconds = QString::number(p.seconds, 'f', 3);
    QString video = QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                        .arg(p.width)
                        .arg(p.height)
                        .arg(p.frameRate)
                        .arg(seconds);
    if (p.grain) {
        video += QStringLiteral(",noise=alls=24:allf=t");
    }
    const QString audio = QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                              .arg(p.toneHz)
                              .arg(p.sampleRate)
                              .arg(seconds);
    const int gop = p.gopFrames > 0 ? p.gopFrames : p.frameRate;
    QStringList args = {QStringLiteral("-nostdin"),
                        QStringLiteral("-hide_banner"),
                        QStringLiteral("-loglevel"),
                        QStringLiteral("error"),
                        QStringLiteral("-y"),
                        QStringLiteral("-f"),
                        QStringLiteral("lavfi"),
                        QStringLiteral("-i"),
                        video,
                        QStringLiteral("-f"),
                        QStringLiteral("lavfi"),
                        QStringLiteral("-i"),
                        audio,
                        QStringLiteral("-map"),
                        QStringLiteral("0:v"),
                        QStringLiteral("-c:v"),
                        QStringLiteral("libx264"),
                        QStringLiteral("-preset"),
                        p.preset,
                        QStringLiteral("-pix_fmt"),
                        QStringLiteral("yuv420p"),
                        QStringLiteral("-g"),
                        QString::number(gop),
                        QStringLiteral("-keyint_min"),
                        QString::number(gop),
                        QStringLiteral("-sc_threshold"),
                        QStringLiteral("0"),
                        QStringLiteral("-bf"),
                        QString::number(p.bFrames),
                        QStringLiteral("-x264-params"),
                        QStringLiteral("aud=1")};
    if (p.videoKbps > 0) {
        args << QStringLiteral("-b:v") << QStringLiteral("%1k").arg(p.videoKbps)
             << QStringLiteral("-maxrate") << QStringLiteral("%1k").arg(p.videoKbps)
             << QStringLiteral("-bufsize") << QStringLiteral("%1k").arg(2 * p.videoKbps);
    } else {
        args << QStringLiteral("-crf") << QStringLiteral("28");
    }
    // Reordered pictures need their time stamps, which only a container keeps.
    args << QStringLiteral("-f")
         << (p.bFrames > 0 ? QStringLiteral("mpegts") : QStringLiteral("h264")) << videoPath
         << QStringLiteral("-map") << QStringLiteral("1:a") << QStringLiteral("-c:a")
         << QStringLiteral("aac") << QStringLiteral("-b:a")
         << QStringLiteral("%1k").arg(p.audioKbps) << QStringLiteral("-f") << QStringLiteral("adts")
         << audioPath;
    return args;
}

// Takes the pictures of the MPEG-TS file at `tsPath` out into Annex B at `h264Path`
// and lists each one's presentation delay, in decode order.
bool TakeReorderedPictures(const QString& tsPath, const QString& h264Path, ElementaryStreams* out,
                           QByteArray* errors) {
    QByteArray times;
    if (!RunTool(QStringLiteral("ffprobe"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                  QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                  QStringLiteral("packet=pts,dts"), QStringLiteral("-of"),
                  QStringLiteral("csv=p=0"), tsPath},
                 &times, errors) ||
        !RunTool(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                  QStringLiteral("-y"), QStringLiteral("-i"), tsPath, QStringLiteral("-c:v"),
                  QStringLiteral("copy"), QStringLiteral("-f"), QStringLiteral("h264"), h264Path},
                 nullptr, errors)) {
        return false;
    }
    for (const QByteArray& line : times.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields.size() >= 2) {
            out->presentationDelays.push_back(fields[0].toLongLong() - fields[1].toLongLong());
        }
    }
    return true;
}

}  // namespace

bool RunTool(const QString& program, const QStringList& arguments, QByteArray* output,
             QByteArray* errors, int timeoutMs) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        if (errors != nullptr) {
            *errors = process.errorString().toUtf8();
        }
        return false;
    }
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    if (output != nullptr) {
        *output = process.readAllStandardOutput();
    }
    if (errors != nullptr) {
        *errors = process.readAllStandardError();
    }
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool EncodeMedia(const TestMediaParams& params, const QString& workDir, ElementaryStreams* out,
                 QString* error) {
    const QString stem = QStringLiteral("%1/media-%2x%3-%4-%5")
                             .arg(workDir)
                             .arg(params.width)
                             .arg(params.height)
                             .arg(params.videoKbps)
                             .arg(reinterpret_cast<quintptr>(out));
    const QString videoPath = stem + QStringLiteral(".h264");
    const QString reorderedPath = stem + QStringLiteral(".ts");
    const QString audioPath = stem + QStringLiteral(".aac");
    const bool reordered = params.bFrames > 0;
    QByteArray errors;
    if (!RunTool(QStringLiteral("ffmpeg"),
                 EncoderArguments(params, reordered ? reorderedPath : videoPath, audioPath),
                 nullptr, &errors, 600000) ||
        (reordered && !TakeReorderedPictures(reorderedPath, videoPath, out, &errors))) {
        if (error != nullptr) {
            *error = QString::fromUtf8(errors);
        }
        return false;
    }
    out->h264 = ReadFileBytes(videoPath);
    out->adts = ReadFileBytes(audioPath);
    out->frameRate = params.frameRate;
    QFile::remove(videoPath);
    QFile::remove(reorderedPath);
    QFile::remove(audioPath);
    if (out->h264.empty()) {
        if (error != nullptr) {
            *error = QStringLiteral("ffmpeg wrote no video");
        }
        return false;
    }
    return true;
}

const ElementaryStreams& TestMedia(const TestMediaParams& params) {
    static std::mutex mutex;
    static std::map<MediaKey, std::unique_ptr<ElementaryStreams>> cache;
    static QTemporaryDir folder;
    std::lock_guard lock(mutex);
    auto& slot = cache[KeyOf(params)];
    if (!slot) {
        slot = std::make_unique<ElementaryStreams>();
        QString error;
        if (!folder.isValid() || !EncodeMedia(params, folder.path(), slot.get(), &error)) {
            qWarning("test media: %s", qPrintable(error));
            *slot = ElementaryStreams{};
        }
    }
    return *slot;
}

FfprobeReport RunFfprobe(const QString& path) {
    FfprobeReport report;
    QByteArray output;
    QByteArray errors;
    report.ran =
        RunTool(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("format=duration:stream=codec_type,codec_name"),
                 QStringLiteral("-of"), QStringLiteral("json"), path},
                &output, &errors);
    report.errors = QString::fromUtf8(errors);
    const QJsonObject root = QJsonDocument::fromJson(output).object();
    report.duration = root.value(QStringLiteral("format"))
                          .toObject()
                          .value(QStringLiteral("duration"))
                          .toString()
                          .toDouble();
    for (const QJsonValue& stream : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject object = stream.toObject();
        report.codecTypes << object.value(QStringLiteral("codec_type")).toString();
        report.codecNames << object.value(QStringLiteral("codec_name")).toString();
    }
    return report;
}

}  // namespace tsrec
