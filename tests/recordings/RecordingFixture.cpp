#include "RecordingFixture.h"

#include "platform/MessageBox.h"
#include "recordings/LogManagement.h"

#include <QCoreApplication>

#include <unistd.h>

using namespace recordings;

bool Decode(TFileItem& item, const RecordingReadLimits& limits) {
    TLogManagement manager(nullptr, limits);
    const platform::FileHandle file = platform::FileHandle::OpenRead(item.path);
    return manager.ReadTSLog(file, item);
}

void ExpectSizeBoxShown(bool fromWorker) {
    ASSERT_TRUE(WaitUntil([] { return !platform::MessageBox::Recorded().empty(); }));
    const auto boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("File is greater 2GB. This Program is not supported"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes[0].flags, std::uint32_t{platform::MB_OK});
    EXPECT_EQ(boxes[0].fromWorker, fromWorker);
}

QString RecordingTest::Write(const char* name, const tsrec::TsRecordingSpec& spec) {
    const QString path = PathOf(name);
    EXPECT_TRUE(tsrec::WriteTsRecording(path, spec)) << path.toStdString();
    return path;
}

QString RecordingTest::WriteBytes(const char* name, const std::vector<std::uint8_t>& bytes) {
    const QString path = PathOf(name);
    EXPECT_TRUE(tsrec::WriteFileBytes(path, bytes)) << path.toStdString();
    return path;
}

void RecordingTest::Resize(const QString& path, std::int64_t size) {
    ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), static_cast<off_t>(size)), 0);
}
