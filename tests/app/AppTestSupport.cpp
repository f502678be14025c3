#include "AppTestSupport.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>

std::int32_t RefCount(TFileItem* item) {
    item->AddRef();
    return item->Release();
}

ItemRef UnprobedItem(double duration, const QString& path) {
    ItemRef item(new TFileItem(QStringLiteral("/absent/never-probed.ts")));
    item->duration = duration;
    item->path = path;
    return item;
}

bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

ItemRef AppFolderTest::Recording(const QString& name, const tsrec::TsRecordingSpec& spec) {
    const QString path = PathOf(name);
    EXPECT_TRUE(tsrec::WriteTsRecording(path, spec)) << name.toStdString();
    ItemRef item(new TFileItem(path));
    EXPECT_EQ(item->fileType, FILE_TYPE_TS) << name.toStdString();
    return item;
}
