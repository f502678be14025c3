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
    // With B-frames the pictures' time stamps come in an MPEG-TS beside them.
    args << QStringLiteral("-f")
         << (p.bFrames > 0 ? QStringLiteral("mpegts") : QStringLiteral("h264")) << videoPath
         << QStringLiteral("-map") << QStringLiteral("1:a") << QStringLiteral("-c:a")
         << QStringLiteral("aac") << QStringLiteral("-b:a")
         << QStringLiteral("%1k").arg(p.audioKbps) << QStringLiteral("-f") << QStringLiteral("adts")
         << audioPath;
    return args;
}

std::int64_t ReadTimeStamp(const std::uint8_t* at) {
    return (static_cast<std::int64_t>((at[0] >> 1) & 0x07) << 30) |
           (static_cast<std::int64_t>(at[1]) << 22) |
           (static_cast<std::int64_t>(at[2] >> 1) << 15) | (static_cast<std::int64_t>(at[3]) << 7) |
           (at[4] >> 1);
}

// Appends one video PES: its payload to the stream, its PTS minus DTS to the offsets.
void TakeVideoPes(const std::vector<std::uint8_t>& pes, ElementaryStreams* out) {
    if (pes.size() < 9 || pes.size() < 9u + pes[8]) {
        return;
    }
    const std::uint8_t flags = pes[7];
    const std::int64_t pts = (flags & 0x80) != 0 ? ReadTimeStamp(&pes[9]) : 0;
    const std::int64_t dts = (flags & 0xC0) == 0xC0 ? ReadTimeStamp(&pes[14]) : pts;
    out->ptsOffsets.push_back((pts - dts) & ((std::int64_t{1} << 33) - 1));
    out->h264.insert(out->h264.end(), pes.begin() + 9 + pes[8], pes.end());
}

// The video of the tool's MPEG-TS (one PES per picture, in decode order); false
// when there is none.
bool TakeVideoFromTransportStream(const std::vector<std::uint8_t>& ts, ElementaryStreams* out) {
    int videoPid = -1;
    std::vector<std::uint8_t> pes;
    for (std::size_t at = 0; at + kPacketSize <= ts.size(); at += kPacketSize) {
        const std::uint8_t* p = &ts[at];
        const int control = (p[3] >> 4) & 0x03;
        const std::size_t payload = 4 + ((control & 0x02) != 0 ? 1u + p[4] : 0u);
        if (p[0] != 0x47 || (control & 0x01) == 0 || payload >= kPacketSize) {
            continue;
        }
        const bool unitStart = (p[1] & 0x40) != 0;
        const int pid = PacketPid(p);
        if (videoPid < 0 && unitStart && payload + 4 <= kPacketSize && p[payload] == 0 &&
            p[payload + 1] == 0 && p[payload + 2] == 1 && p[payload + 3] == 0xE0) {
            videoPid = pid;
        }
        if (pid != videoPid) {
            continue;
        }
        if (unitStart) {
            TakeVideoPes(pes, out);
            pes.clear();
        }
        pes.insert(pes.end(), p + payload, p + kPacketSize);
    }
    TakeVideoPes(pes, out);
    return !out->h264.empty();
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
    const QString videoPath =
        stem + (params.bFrames > 0 ? QStringLiteral(".ts") : QStringLiteral(".h264"));
    const QString audioPath = stem + QStringLiteral(".aac");
    QByteArray errors;
    if (!RunTool(QStringLiteral("ffmpeg"), EncoderArguments(params, videoPath, audioPath), nullptr,
                 &errors, 600000)) {
        if (error != nullptr) {
            *error = QString::fromUtf8(errors);
        }
        return false;
    }
    *out = ElementaryStreams{};
    if (params.bFrames > 0) {
        TakeVideoFromTransportStream(ReadFileBytes(videoPath), out);
    } else {
        out->h264 = ReadFileBytes(videoPath);
    }
    out->adts = ReadFileBytes(audioPath);
    out->frameRate = params.frameRate;
    QFile::remove(videoPath);
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
