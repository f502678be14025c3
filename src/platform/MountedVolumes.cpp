#include "MountedVolumes.h"

#include "RemovableVolumes.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>

namespace platform {

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
