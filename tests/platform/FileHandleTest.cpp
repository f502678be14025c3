#include "platform/FileHandle.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cerrno>
#include <vector>

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

}  // namespace

TEST(FileHandle, ReadsAtOffsetsAndStopsShortAtTheEnd) {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, QStringLiteral("a.bin"), QByteArray("0123456789"));
    platform::FileHandle file = platform::FileHandle::OpenRead(path);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), 10);
    char buffer[8] = {};
    EXPECT_EQ(file.ReadAt(buffer, 4, 3), 4);
    EXPECT_EQ(QByteArray(buffer, 4), QByteArray("3456"));
    EXPECT_EQ(file.ReadAt(buffer, 8, 6), 4);
    EXPECT_EQ(file.ReadAt(buffer, 8, 100), 0);
    EXPECT_EQ(file.ReadAt(buffer, 8, -1), -1);
}

TEST(FileHandle, MissingFileReportsItsError) {
    QTemporaryDir dir;
    platform::FileHandle file =
        platform::FileHandle::OpenRead(dir.filePath(QStringLiteral("none")));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.LastError(), ENOENT);
    EXPECT_EQ(file.Size(), -1);
}

TEST(FileHandle, ANamedPipeWithoutPartnerDoesNotHangTheCaller) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clip.ts"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    // No reader: the write end cannot open, and says why.
    platform::FileHandle writer = platform::FileHandle::CreateWrite(path);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.LastError(), ENXIO);
    // No writer: the read end opens, but a pipe has no positioned reads.
    platform::FileHandle reader = platform::FileHandle::OpenRead(path);
    ASSERT_TRUE(reader.IsOpen());
    char byte = 0;
    EXPECT_EQ(reader.ReadAt(&byte, 1, 0), -1);
    EXPECT_EQ(reader.LastError(), ESPIPE);
}

TEST(FileHandle, WritesSequentiallyAndAtOffsets) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.bin"));
    {
        platform::FileHandle file = platform::FileHandle::CreateWrite(path);
        ASSERT_TRUE(file.IsOpen());
        std::vector<char> big(3 * 1024 * 1024, 'x');
        EXPECT_TRUE(file.Write(big.data(), static_cast<std::int64_t>(big.size())));
        EXPECT_TRUE(file.Write("END", 3));
        EXPECT_TRUE(file.WriteAt("AB", 2, 0));
        EXPECT_TRUE(file.Close());
    }
    QFile check(path);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    const QByteArray bytes = check.readAll();
    EXPECT_EQ(bytes.size(), 3 * 1024 * 1024 + 3);
    EXPECT_TRUE(bytes.startsWith("ABxx"));
    EXPECT_TRUE(bytes.endsWith("xEND"));
}

TEST(FileHandle, AFullDeviceIsAFailedWrite) {
    platform::FileHandle file = platform::FileHandle::CreateWrite(QStringLiteral("/dev/full"));
    if (!file.IsOpen()) {
        GTEST_SKIP() << "no /dev/full here";
    }
    EXPECT_FALSE(file.Write("data", 4));
    EXPECT_EQ(file.LastError(), ENOSPC);
}

TEST(FileHandle, MovesOwnership) {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, QStringLiteral("m.bin"), QByteArray("abc"));
    platform::FileHandle first = platform::FileHandle::OpenRead(path);
    platform::FileHandle second = std::move(first);
    EXPECT_FALSE(first.IsOpen());  // NOLINT(bugprone-use-after-move)
    ASSERT_TRUE(second.IsOpen());
    EXPECT_EQ(second.Size(), 3);
}

TEST(FileHandle, ReadOnlyMeansNoWriteBitForTheOwner) {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, QStringLiteral("r.bin"), QByteArray("abc"));
    EXPECT_FALSE(platform::FileHandle::IsReadOnlyFile(path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    EXPECT_TRUE(platform::FileHandle::IsReadOnlyFile(path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteGroup);
    EXPECT_TRUE(platform::FileHandle::IsReadOnlyFile(path));

    // Unlocking adds the owner's bit and keeps the others.
    ASSERT_TRUE(platform::FileHandle::AddOwnerWritePermission(path));
    EXPECT_FALSE(platform::FileHandle::IsReadOnlyFile(path));
    const QFileDevice::Permissions userBits =
        QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    EXPECT_EQ(QFile::permissions(path) & ~userBits,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::WriteGroup);
    EXPECT_FALSE(platform::FileHandle::AddOwnerWritePermission(dir.filePath("missing")));
}

TEST(FileHandle, ANewFileIsNeverAnOldOneNorWrittenThroughALink) {
    QTemporaryDir dir;
    const QString kept = WriteFile(dir, QStringLiteral("kept.ts"), QByteArray("old"));
    const QString link = dir.filePath(QStringLiteral("link.tmp"));
    ASSERT_TRUE(QFile::link(kept, link));
    const QString dangling = dir.filePath(QStringLiteral("dangling.tmp"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nowhere")), dangling));
    for (const QString& path : {kept, link, dangling}) {
        SCOPED_TRACE(path.toStdString());
        const platform::FileHandle file = platform::FileHandle::CreateNew(path);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.LastError(), EEXIST);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("nowhere"))));
    QFile old(kept);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));

    platform::FileHandle fresh = platform::FileHandle::CreateNew(dir.filePath("new.tmp"));
    ASSERT_TRUE(fresh.IsOpen());
    EXPECT_TRUE(fresh.Write("x", 1));
    EXPECT_TRUE(fresh.IsRegularFile());
}

TEST(FileHandle, OnlyARegularFileIsOne) {
    QTemporaryDir dir;
    EXPECT_TRUE(
        platform::FileHandle::OpenRead(WriteFile(dir, QStringLiteral("f"), "abc")).IsRegularFile());
    EXPECT_FALSE(platform::FileHandle::OpenRead(QStringLiteral("/dev/zero")).IsRegularFile());
    EXPECT_FALSE(platform::FileHandle::OpenRead(dir.path()).IsRegularFile());
    EXPECT_FALSE(platform::FileHandle().IsRegularFile());
}

// A sparse file: its holes are found without reading them; a file system that
// cannot tell answers as if everything were data.
TEST(FileHandle, FindsTheDataAroundAHole) {
    QTemporaryDir dir;
    constexpr qint64 kHole = 64 << 20;
    const QString path = dir.filePath(QStringLiteral("sparse.bin"));
    QFile writer(path);
    ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
    writer.write(QByteArray(4096, 'a'));
    ASSERT_TRUE(writer.resize(4096 + kHole));
    ASSERT_TRUE(writer.seek(4096 + kHole));
    writer.write(QByteArray(4096, 'b'));
    writer.close();
    platform::FileHandle file = platform::FileHandle::OpenRead(path);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.NextData(0), 0);
    if (file.NextData(8192) == 8192) {
        GTEST_SKIP() << "the file system does not tell holes";
    }
    EXPECT_EQ(file.NextHole(0), 4096);
    EXPECT_EQ(file.NextData(4096), 4096 + kHole);
    EXPECT_EQ(file.NextHole(4096 + kHole), file.Size());
    EXPECT_EQ(file.NextData(file.Size()), file.Size());
}
