#include "platform/MountedVolumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

}  // namespace

TEST(MountedVolumes, RemovableBySysfsCardNameOrDesktopMountFolder) {
    // sysfs as the kernel lays it out: the class folder links to the device folder,
    // and a partition's folder lies inside its disk's.
    QTemporaryDir sys;
    WriteFile(sys.filePath(QStringLiteral("block/sdb/removable")), "1\n");
    WriteFile(sys.filePath(QStringLiteral("block/sda/removable")), "0\n");
    for (const char* partition : {"sda/sda1", "sdb/sdb1"}) {
        ASSERT_TRUE(QDir().mkpath(sys.filePath(QStringLiteral("block/") + partition)));
    }
    const QString classFolder = sys.filePath(QStringLiteral("class/block"));
    ASSERT_TRUE(QDir().mkpath(classFolder));
    for (const char* link : {"sda", "sda/sda1", "sdb", "sdb/sdb1"}) {
        const QString target = sys.filePath(QStringLiteral("block/") + link);
        ASSERT_TRUE(QFile::link(target, classFolder + u'/' + QFileInfo(target).fileName()));
    }

    const struct {
        const char* device;
        const char* root;
        bool removable;
    } cases[] = {
        {"/dev/sda1", "/", false},
        {"/dev/sda1", "/mediafiles", false},
        {"/dev/sda1", "/media/me/USB", true},
        {"/dev/sda1", "/run/media/me/USB", true},
        {"/dev/mmcblk0p1", "/mnt/card", true},
        {"/dev/sdb1", "/mnt/card", true},
        {"/dev/sdb", "/mnt/card", true},
        {"/dev/nvme0n1p2", "/home", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::IsRemovableVolume(QString::fromLatin1(c.device),
                                              QString::fromLatin1(c.root), classFolder),
                  c.removable)
            << c.device << " " << c.root;
    }
}

TEST(MountedVolumes, FixedVolumesComeBeforeRemovableOnes) {
    const std::vector<platform::Volume> volumes = platform::MountedVolumes();
    bool removableSeen = false;
    for (const platform::Volume& volume : volumes) {
        EXPECT_FALSE(volume.rootPath.isEmpty());
        EXPECT_FALSE(volume.displayName.isEmpty());
        EXPECT_FALSE(removableSeen && !volume.removable) << volume.rootPath.toStdString();
        removableSeen = removableSeen || volume.removable;
    }
}
