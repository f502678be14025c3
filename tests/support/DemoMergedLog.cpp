#include "DemoMergedLog.h"

#include "platform/WindowMessage.h"
#include "support/DemoDriveLog.h"
#include "support/TsRecordingWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr double kFrameRate = 5;  // pictures are not looked at; small files
constexpr int kMergeTimeoutMs = 120000;

}  // namespace

DemoMergedLog::DemoMergedLog() : logs_(std::make_unique<TLogManagement>(this)) {}

DemoMergedLog::~DemoMergedLog() {
    logs_.reset();
    for (TFileItem* item : items_) {
        item->Release();
    }
}

bool DemoMergedLog::Load(const QString& folder, int count, int seconds, QString* error) {
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create ") + folder;
        return false;
    }
    constexpr std::uint32_t kStart = 1700000000;
    for (int i = 0; i < count; ++i) {
        const double offset = static_cast<double>(i) * seconds;
        tsrec::TsRecordingSpec spec;
        spec.durationSeconds = seconds;
        spec.frameRate = kFrameRate;
        spec.startTime = kStart + static_cast<std::uint32_t>(offset);
        spec.logSample = [offset](int sample, const tsrec::TsRecordingSpec& s) {
            const tsrec::TsLogSample stamp = tsrec::StampedLogSample(sample, s);
            return DemoDriveLog::SampleAt(
                offset + static_cast<double>(sample) / s.logSamplesPerSecond, stamp.seconds,
                stamp.milliseconds);
        };
        const QString path = QDir(folder).filePath(QStringLiteral("demo%1.ts").arg(i));
        if (!tsrec::WriteTsRecording(path, spec)) {
            *error = QStringLiteral("cannot write ") + path;
            return false;
        }
        auto* item = new TFileItem(path);
        items_.push_back(item);
        if (item->fileType == FILE_TYPE_NONE) {
            *error = QStringLiteral("not a recording: ") + path;
            return false;
        }
    }
    logs_->SetFileList(items_);
    QElapsedTimer timer;
    timer.start();
    while (!MergeDone()) {
        if (timer.elapsed() > kMergeTimeoutMs) {
            *error = QStringLiteral("the logs were not merged in time");
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool DemoMergedLog::event(QEvent* event) {
    if (platform::WindowMessage::From(event, WM_LOG_LOADED) != nullptr) {
        logs_->MergeLogs();
        return true;
    }
    return platform::WindowMessage::From(event, WM_LOG_MERGED) != nullptr || QObject::event(event);
}

bool DemoMergedLog::MergeDone() const {
    std::uint32_t count = 0;
    for (const TFileItem* item : logs_->PlayList()) {
        const std::int32_t state = item->logState.load();
        if (state != LOG_READ && state != LOG_FAILED) {
            return false;
        }
        count += item->log.count;
    }
    return logs_->MergedLog().count == count;
}
