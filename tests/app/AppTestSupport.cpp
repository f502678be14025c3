#include "AppTestSupport.h"

#include <QFile>

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

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ItemRef AppFolderTest::Recording(const QString& name, const tsrec::TsRecordingSpec& spec) {
    const QString path = PathOf(name);
    EXPECT_TRUE(tsrec::WriteTsRecording(path, spec)) << name.toStdString();
    ItemRef item(new TFileItem(path));
    EXPECT_EQ(item->fileType, FILE_TYPE_TS) << name.toStdString();
    return item;
}
