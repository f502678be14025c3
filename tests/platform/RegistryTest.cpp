#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using platform::Registry;

namespace {

const QString kKey = QStringLiteral("Software\\OmbrelPlayer\\Setting");
const QString kChart = QStringLiteral("Software\\OmbrelPlayer\\Chart");

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(Registry, EachTypeSurvivesARoundTrip) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/registry.ini"));
    const QString awkward = QStringLiteral("C:\\video \"quoted\"\nsecond line 中文 ;=[x]");
    QByteArray binary;
    for (int i = 0; i < 256; ++i) {
        binary.append(static_cast<char>(i));
    }
    {
        Registry registry(path);
        EXPECT_EQ(registry.Load(), Registry::LoadResult::Missing);
        registry.WriteInteger(kKey, QStringLiteral("Language"), 0xFFFFFFFFu);
        registry.WriteInteger(kKey, QStringLiteral("AutoSDSearch"), 0);
        registry.WriteString(kKey, QStringLiteral("DefaultSavePath"), awkward);
        registry.WriteString(kKey, QStringLiteral("DefaultOpenPath"), QString());
        registry.WriteBinary(kChart, QStringLiteral("ChartColor"), binary);
        registry.WriteBinary(kChart, QStringLiteral("Empty"), QByteArray());
        ASSERT_TRUE(registry.Save());
    }
    Registry reread(path);
    ASSERT_EQ(reread.Load(), Registry::LoadResult::Loaded);
    EXPECT_EQ(reread.ReadInteger(kKey, QStringLiteral("Language")), 0xFFFFFFFFu);
    EXPECT_EQ(reread.ReadInteger(kKey, QStringLiteral("AutoSDSearch")), 0u);
    EXPECT_EQ(reread.ReadString(kKey, QStringLiteral("DefaultSavePath")), awkward);
    EXPECT_EQ(reread.ReadString(kKey, QStringLiteral("DefaultOpenPath")), QString());
    EXPECT_EQ(reread.ReadBinary(kChart, QStringLiteral("ChartColor")), binary);
    EXPECT_EQ(reread.ReadBinary(kChart, QStringLiteral("Empty")), QByteArray());
}

TEST(Registry, MissingKeysValuesAndOtherTypesReadAsMissing) {
    QTemporaryDir dir;
    Registry registry(dir.filePath(QStringLiteral("r.ini")));
    registry.CreateKey(kKey);
    registry.WriteString(kKey, QStringLiteral("Language"), QStringLiteral("1"));
    EXPECT_TRUE(registry.KeyExists(kKey));
    EXPECT_FALSE(registry.KeyExists(kChart));
    EXPECT_TRUE(registry.ValueExists(kKey, QStringLiteral("Language")));
    EXPECT_FALSE(registry.ValueExists(kKey, QStringLiteral("CaptureChart")));
    EXPECT_EQ(registry.ReadInteger(kKey, QStringLiteral("Language")), std::nullopt);
    EXPECT_EQ(registry.ReadInteger(kKey, QStringLiteral("CaptureChart")), std::nullopt);
    EXPECT_EQ(registry.ReadBinary(QStringLiteral("Nope"), QStringLiteral("x")), std::nullopt);
    ASSERT_TRUE(registry.Save());
    Registry reread(registry.FilePath());
    ASSERT_EQ(reread.Load(), Registry::LoadResult::Loaded);
    EXPECT_TRUE(reread.KeyExists(kKey));  // an empty key is kept too
}

TEST(Registry, DamagedLinesReadAsMissingValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "\"Orphan\"=dword:00000001\n"
        "[Software\\OmbrelPlayer\\Setting]\n"
        "\"Language\"=dword:0000002\n"  // seven digits
        "\"AutoSDSearch\"=dword:0000000g\n"
        "\"Prefixed\"=dword:0x00001F\n"
        "\"Blank\"=dword: 0000001\n"
        "\"Signed\"=dword:+0000001\n"
        "\"DefaultSavePath\"=\"unterminated\n"
        "\"ChartColor\"=hex:01,2\n"
        "garbage line\n"
        "\"CaptureChart\"=dword:00000001\n");
    file.close();
    Registry registry(path);
    ASSERT_EQ(registry.Load(), Registry::LoadResult::Loaded);
    EXPECT_TRUE(registry.KeyExists(kKey));
    for (const char* name : {"Language", "AutoSDSearch", "Prefixed", "Blank", "Signed",
                             "DefaultSavePath", "ChartColor"}) {
        EXPECT_FALSE(registry.ValueExists(kKey, QString::fromLatin1(name))) << name;
    }
    EXPECT_EQ(registry.ReadInteger(kKey, QStringLiteral("CaptureChart")), 1u);
}

TEST(Registry, SaveReplacesTheFileAtomically) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.ini"));
    Registry first(path);
    first.WriteInteger(kKey, QStringLiteral("Language"), 1);
    ASSERT_TRUE(first.Save());
    const QByteArray before = ReadAll(path);

    // A folder standing where the temporary file's rename must go makes the save fail:
    // the old file must stay whole.
    Registry blocked(dir.filePath(QStringLiteral("r.ini/inner.ini")));
    blocked.WriteInteger(kKey, QStringLiteral("Language"), 2);
    EXPECT_FALSE(blocked.Save());
    EXPECT_EQ(ReadAll(path), before);

    Registry second(path);
    ASSERT_EQ(second.Load(), Registry::LoadResult::Loaded);
    second.WriteInteger(kKey, QStringLiteral("Language"), 2);
    ASSERT_TRUE(second.Save());
    Registry reread(path);
    ASSERT_EQ(reread.Load(), Registry::LoadResult::Loaded);
    EXPECT_EQ(reread.ReadInteger(kKey, QStringLiteral("Language")), 2u);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("r.ini")});
}

TEST(Registry, AnUnreadableFileIsNotTakenForANewInstall) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.ini"));
    // A folder where the file should be cannot be read as one.
    ASSERT_TRUE(QDir().mkpath(path));
    Registry registry(path);
    EXPECT_EQ(registry.Load(), Registry::LoadResult::Unreadable);
    EXPECT_EQ(Registry(dir.filePath(QStringLiteral("none.ini"))).Load(),
              Registry::LoadResult::Missing);
}

TEST(Registry, ReadOnlyFolderFailsTheSaveAndKeepsTheOldFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.ini"));
    Registry registry(path);
    registry.WriteInteger(kKey, QStringLiteral("Language"), 1);
    ASSERT_TRUE(registry.Save());
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    registry.WriteInteger(kKey, QStringLiteral("Language"), 2);
    EXPECT_FALSE(registry.Save());
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    Registry reread(path);
    ASSERT_EQ(reread.Load(), Registry::LoadResult::Loaded);
    EXPECT_EQ(reread.ReadInteger(kKey, QStringLiteral("Language")), 1u);
}
