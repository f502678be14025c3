#include "RemovableVolumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace platform {

namespace {

// The "removable" flag of the disk holding the block device `name`: a partition's
// flag is its parent disk's.
bool SysfsSaysRemovable(const QString& name, const QString& sysfsBlock) {
    const QString device = QFileInfo(sysfsBlock + QLatin1Char('/') + name).canonicalFilePath();
    if (device.isEmpty()) {
        return false;
    }
    QDir disk(device);
    if (QFileInfo::exists(disk.filePath(QStringLiteral("partition")))) {
        disk.cdUp();
    }
    QFile flag(disk.filePath(QStringLiteral("removable")));
    return flag.open(QIODevice::ReadOnly) && flag.readAll().trimmed() == "1";
}

bool IsUnder(const QString& path, const QString& folder) {
    return path.startsWith(folder + QLatin1Char('/'));
}

}  // namespace

bool IsRemovableVolume(const QString& device, const QString& root, const QString& sysfsBlock) {
    if (IsUnder(root, QStringLiteral("/media")) || IsUnder(root, QStringLiteral("/run/media"))) {
        return true;
    }
    if (!device.startsWith(QStringLiteral("/dev/"))) {
        return false;  // no block device: tmpfs, overlay, network shares
    }
    const QString name = device.mid(5);
    return name.startsWith(QStringLiteral("mmcblk")) || SysfsSaysRemovable(name, sysfsBlock);
}

QStringList RemovableVolumeRoots() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() &&
            IsRemovableVolume(QString::fromLocal8Bit(volume.device()), volume.rootPath())) {
            roots.append(volume.rootPath());
        }
    }
    std::sort(roots.begin(), roots.end());
    return roots;
}

QString FindChildFolder(const QString& parent, const QString& name) {
    const QDir folder(parent);
    if (QFileInfo(folder.filePath(name)).isDir()) {
        return folder.filePath(name);
    }
    const QStringList entries =
        folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return folder.filePath(entry);
        }
    }
    return {};
}

}  // namespace platform
