#include "MountedVolumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace platform {

namespace {

bool SysfsSaysRemovable(const QString& folder) {
    QFile file(folder + QStringLiteral("/removable"));
    return file.open(QIODevice::ReadOnly) && file.read(1) == "1";
}

bool LiesUnder(const QString& path, const QString& folder) {
    return path.startsWith(folder + u'/');
}

}  // namespace

bool IsRemovableVolume(const QString& device, const QString& rootPath, const QString& sysBlock) {
    const QString name = QFileInfo(device).fileName();
    if (name.startsWith(QStringLiteral("mmcblk"))) {
        return true;
    }
    if (LiesUnder(rootPath, QStringLiteral("/media")) ||
        LiesUnder(rootPath, QStringLiteral("/run/media"))) {
        return true;
    }
    if (name.isEmpty()) {
        return false;
    }
    // A partition's entry has no "removable" of its own; its disk is the folder above.
    const QString entry = QFileInfo(sysBlock + u'/' + name).canonicalFilePath();
    return !entry.isEmpty() &&
           (SysfsSaysRemovable(entry) || SysfsSaysRemovable(QFileInfo(entry).path()));
}

std::vector<Volume> MountedVolumes() {
    std::vector<Volume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        const QString device = QString::fromLocal8Bit(storage.device());
        if (!storage.isValid() || !storage.isReady() ||
            !device.startsWith(QStringLiteral("/dev/"))) {
            continue;
        }
        Volume volume;
        volume.rootPath = storage.rootPath();
        volume.displayName = storage.name();
        if (volume.displayName.isEmpty()) {
            volume.displayName = QDir(volume.rootPath).dirName();
        }
        if (volume.displayName.isEmpty()) {
            volume.displayName = volume.rootPath;  // the root folder has no name
        }
        volume.removable = IsRemovableVolume(device, volume.rootPath);
        volumes.push_back(std::move(volume));
    }
    std::sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) {
        return a.removable != b.removable ? b.removable : a.rootPath < b.rootPath;
    });
    return volumes;
}

}  // namespace platform
