#include "platform/RemovableVolumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A sysfs block folder: disk `disk` with partition `disk`1, linked as sysfs links them.
void AddDisk(const QTemporaryDir& sysfs, const QString& disk, const QByteArray& removable) {
    const QString diskFolder = sysfs.filePath(QStringLiteral("devices/") + disk);
    ASSERT_TRUE(QDir().mkpath(diskFolder + QLatin1Char('/') + disk + QLatin1Char('1')));
    WriteText(diskFolder + QStringLiteral("/removable"), removable);
    WriteText(diskFolder + QLatin1Char('/') + disk + QStringLiteral("1/partition"), "1\n");
    QDir().mkpath(sysfs.filePath(QStringLiteral("block")));
    ASSERT_TRUE(QFile::link(diskFolder, sysfs.filePath(QStringLiteral("block/")) + disk));
    ASSERT_TRUE(QFile::link(diskFolder + QLatin1Char('/') + disk + QLatin1Char('1'),
                            sysfs.filePath(QStringLiteral("block/")) + disk + QLatin1Char('1')));
}

}  // namespace

TEST(RemovableVolumes, RemovableBySysfsSdCardOrMountPlace) {
    QTemporaryDir sysfs;
    AddDisk(sysfs, QStringLiteral("sda"), "0\n");
    AddDisk(sysfs, QStringLiteral("sdb"), "1\n");
    const QString block = sysfs.filePath(QStringLiteral("block"));

    struct Case {
        const char* device;
        const char* root;
        bool removable;
    };
    const Case cases[] = {
        {"/dev/sdb1", "/mnt/card", true},     // a partition of a removable disk
        {"/dev/sdb", "/mnt/card", true},      // the disk itself
        {"/dev/sda1", "/", false},            // a fixed disk
        {"/dev/mmcblk0p1", "/mnt/sd", true},  // an SD card reader
        {"/dev/sda1", "/media/me/CARD", true},
        {"/dev/sda1", "/run/media/me/CARD", true},
        {"/dev/sda1", "/mediadata", false},
        {"tmpfs", "/tmp", false},
        {"/dev/nvme0n1p2", "/home", false},  // not in the fake sysfs
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::IsRemovableVolume(QString::fromLatin1(c.device),
                                              QString::fromLatin1(c.root), block),
                  c.removable)
            << c.device << " at " << c.root;
    }
}

TEST(RemovableVolumes, ChildFolderMatchesWithoutRegardToCase) {
    QTemporaryDir card;
    ASSERT_TRUE(QDir(card.path()).mkdir(QStringLiteral("VIDEO")));
    ASSERT_TRUE(QDir(card.path()).mkdir(QStringLiteral("dcim")));
    ASSERT_TRUE(QDir(card.path()).mkdir(QStringLiteral("DCIM")));
    WriteText(card.filePath(QStringLiteral("Misc")), "a file, not a folder");

    EXPECT_EQ(platform::FindChildFolder(card.path(), QStringLiteral("video")),
              card.filePath(QStringLiteral("VIDEO")));
    EXPECT_EQ(platform::FindChildFolder(card.path(), QStringLiteral("DCIM")),
              card.filePath(QStringLiteral("DCIM")));  // the exact name wins
    EXPECT_TRUE(platform::FindChildFolder(card.path(), QStringLiteral("misc")).isEmpty());
    EXPECT_TRUE(
        platform::FindChildFolder(card.filePath(QStringLiteral("gone")), QStringLiteral("video"))
            .isEmpty());
}
