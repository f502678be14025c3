// Cutting a span out of consecutive recordings: our cutting job against
// "ffmpeg -ss .. -to .. -c copy" over the same recordings and against cp of as many
// bytes as our clip holds, on the same files in one run.
#include "cutting/Cuttingproc.h"
#include "platform/WindowMessage.h"
#include "support/TestMedia.h"

#include "BenchTiming.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

// Takes the job's final message.
class FinalMessage : public QObject {
  public:
    bool event(QEvent* event) override {
        if (const auto* message = platform::WindowMessage::From(event, WM_CUTTING_EVENT)) {
            if (message->WParam() != 1) {
                result = static_cast<CutResult>(message->WParam());
            }
            return true;
        }
        return QObject::event(event);
    }
    std::optional<CutResult> result;
};

bool CutOurs(CuttingProc& job, FinalMessage& final, const FileItemList& playList,
             const QString& clip, double start, double end) {
    final.result.reset();
    if (job.StartCutting(playList, clip, start, end) != Cut_OK) {
        return false;
    }
    while (!final.result) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    job.ReleaseSelection();
    return *final.result == Cut_OK;
}

// The span as output options: seeking the concat demuxer's input lands nowhere near.
bool CutWithFfmpeg(const QString& list, const QString& clip, double start, double end) {
    return tsrec::RunTool(QStringLiteral("ffmpeg"),
                          {QStringLiteral("-nostdin"),
                           QStringLiteral("-v"),
                           QStringLiteral("error"),
                           QStringLiteral("-y"),
                           QStringLiteral("-f"),
                           QStringLiteral("concat"),
                           QStringLiteral("-safe"),
                           QStringLiteral("0"),
                           QStringLiteral("-i"),
                           list,
                           QStringLiteral("-ss"),
                           QString::number(start),
                           QStringLiteral("-to"),
                           QString::number(end),
                           QStringLiteral("-map"),
                           QStringLiteral("0"),
                           QStringLiteral("-c"),
                           QStringLiteral("copy"),
                           QStringLiteral("-f"),
                           QStringLiteral("mpegts"),
                           clip},
                          nullptr, nullptr);
}

bool Copy(const QString& from, const QString& to) {
    return tsrec::RunTool(QStringLiteral("cp"), {from, to}, nullptr, nullptr);
}

// The first `bytes` of the recordings, one after the other, for cp to copy.
bool WriteLeadingBytes(const QStringList& paths, qint64 bytes, const QString& to) {
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    for (const QString& path : paths) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly)) {
            return false;
        }
        while (bytes > 0 && !in.atEnd()) {
            const QByteArray block = in.read(std::min<qint64>(bytes, 1 << 20));
            if (out.write(block) != block.size()) {
                return false;
            }
            bytes -= block.size();
        }
    }
    return bytes == 0;
}

bool WriteConcatList(const QStringList& paths, const QString& to) {
    QFile list(to);
    if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    for (const QString& path : paths) {
        list.write(QStringLiteral("file '%1'\n").arg(QFileInfo(path).absoluteFilePath()).toUtf8());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool startOk = false;
    bool endOk = false;
    const double start = args.size() > 2 ? args[0].toDouble(&startOk) : 0;
    const double end = args.size() > 2 ? args[1].toDouble(&endOk) : 0;
    if (!startOk || !endOk) {
        std::fprintf(stderr, "usage: ombrel-bench-cutting START END RECORDING.ts...\n");
        return 2;
    }
    const QStringList paths = args.mid(2);
    std::vector<TFileItem*> playList;
    for (const QString& path : paths) {
        playList.push_back(new TFileItem(path));
        if (playList.back()->fileType != FILE_TYPE_TS) {
            std::fprintf(stderr, "not a recording: %s\n", qPrintable(path));
            return 1;
        }
    }
    // The outputs go beside the recordings: the same file system for all three.
    QTemporaryDir work(QFileInfo(paths.front()).absolutePath() +
                       QStringLiteral("/cut-bench-XXXXXX"));
    const QString ours = work.filePath(QStringLiteral("ours.ts"));
    const QString list = work.filePath(QStringLiteral("list.txt"));
    if (!work.isValid() || !WriteConcatList(paths, list) || !CatToNull(paths)) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(work.path()));
        return 1;
    }

    FinalMessage final;
    CuttingProc job(&final, WM_CUTTING_EVENT);
    const double oursMs = MedianMs([&] { return CutOurs(job, final, playList, ours, start, end); });
    const double ffmpegMs = MedianMs([&] {
        return CutWithFfmpeg(list, work.filePath(QStringLiteral("ffmpeg.ts")), start, end);
    });
    const qint64 clipBytes = QFileInfo(ours).size();
    const QString same = work.filePath(QStringLiteral("same-bytes.bin"));
    const bool prepared =
        clipBytes > 0 && WriteLeadingBytes(paths, clipBytes, same) && CatToNull({same});
    const double cpMs =
        prepared ? MedianMs([&] { return Copy(same, work.filePath(QStringLiteral("copy.bin"))); })
                 : -1;
    for (TFileItem* item : playList) {
        item->Release();
    }
    if (oursMs < 0 || ffmpegMs < 0 || cpMs < 0) {
        std::fprintf(stderr, "a cut failed (ours %.0f, ffmpeg %.0f, cp %.0f)\n", oursMs, ffmpegMs,
                     cpMs);
        return 1;
    }
    std::printf(
        "cut %.1f s .. %.1f s of %d recordings: clip %.1f MB (ffmpeg's %.1f MB)\n", start, end,
        static_cast<int>(paths.size()), static_cast<double>(clipBytes) / 1e6,
        static_cast<double>(QFileInfo(work.filePath(QStringLiteral("ffmpeg.ts"))).size()) / 1e6);
    std::printf("median of %d: ours %.0f ms, ffmpeg -c copy %.0f ms, cp %.0f ms\n", kBenchRounds,
                oursMs, ffmpegMs, cpMs);
    std::printf("ratios: ours/ffmpeg %.2f, ours/cp %.2f\n", oursMs / ffmpegMs, oursMs / cpMs);
    return 0;
}
