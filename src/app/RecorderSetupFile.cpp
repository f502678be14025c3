#include "RecorderSetupFile.h"

#include "platform/FileHandle.h"

#include <QDir>
#include <QFile>

namespace app {

bool RecorderSetup::NothingTicked() const {
    return !date && !time && !battery && !autoLock && !quality;
}

QByteArray RecorderSetupFile::Format(const RecorderSetup& setup) {
    QString text;
    const auto line = [&text](const QString& content) { text += content + QStringLiteral("\r\n"); };
    if (setup.date) {
        line(QStringLiteral("Date=%1/%2/%3")
                 .arg(setup.date->year(), 4, 10, QChar(u'0'))
                 .arg(setup.date->month(), 2, 10, QChar(u'0'))
                 .arg(setup.date->day(), 2, 10, QChar(u'0')));
    }
    if (setup.time) {
        line(QStringLiteral("Time=%1:%2:%3")
                 .arg(setup.time->hour(), 2, 10, QChar(u'0'))
                 .arg(setup.time->minute(), 2, 10, QChar(u'0'))
                 .arg(setup.time->second(), 2, 10, QChar(u'0')));
    }
    if (setup.battery) {
        line(QStringLiteral("DVR_ByBatt=%1").arg(*setup.battery));
    }
    if (setup.autoLock) {
        line(QStringLiteral("DVR_AutoLock=%1").arg(10 - *setup.autoLock));
    }
    if (setup.quality) {
        line(QStringLiteral("DVR_Quality=%1").arg(*setup.quality));
    }
    return text.toLatin1();
}

RecorderSetupFile::Result RecorderSetupFile::Write(const QString& volumeRoot,
                                                   const RecorderSetup& setup) {
    if (setup.NothingTicked()) {
        return Result::NothingTicked;
    }
    if (volumeRoot.isEmpty()) {
        return Result::NoVolume;
    }
    const QString path = QDir(volumeRoot).filePath(QString::fromLatin1(kFileName));
    platform::FileHandle file = platform::FileHandle::CreateWrite(path);
    if (!file.IsOpen()) {
        return Result::WriteFailed;
    }
    const QByteArray bytes = Format(setup);
    const bool written = file.Write(bytes.constData(), bytes.size());
    if (!file.Close() || !written) {
        QFile::remove(path);
        return Result::WriteFailed;
    }
    return Result::Written;
}

int RecorderSetupFile::MessageKey(Result result) {
    switch (result) {
        case Result::Written:
            return 121;  // "Writing to SD card completed"
        case Result::NoVolume:
            return 120;  // "SD card not found"
        case Result::NothingTicked:
            return 122;  // "Please check at least one update item"
        case Result::WriteFailed:
            return 123;  // "Cannot write to destination drive"
    }
    return 123;
}

}  // namespace app
