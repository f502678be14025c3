#include "RecordingFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <unistd.h>

QString RecordingTest::Write(const QString& name, const tsrec::TsRecordingSpec& spec) {
    const QString path = PathOf(name);
    EXPECT_TRUE(tsrec::WriteTsRecording(path, spec)) << path.toStdString();
    return path;
}

QString RecordingTest::WriteBytes(const QString& name, const std::vector<std::uint8_t>& bytes) {
    const QString path = PathOf(name);
    EXPECT_TRUE(tsrec::WriteFileBytes(path, bytes)) << path.toStdString();
    return path;
}

void RecordingTest::Resize(const QString& path, std::int64_t size) {
    ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), static_cast<off_t>(size)), 0);
}

bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}
