#pragma once

#include <QString>

#include <vector>

namespace platform {

// A mounted file system on a block device: what the program knows as a drive.
struct Volume {
    QString rootPath;     // the mount folder, e.g. "/media/me/SDCARD"
    QString displayName;  // its label, or the mount folder's name
    bool removable = false;
};

// Mounted volumes of block devices that are ready: fixed ones first, then the
// removable ones (so the last one is the likeliest memory card), each group by
// root path. Pseudo and network file systems are not drives here.
std::vector<Volume> MountedVolumes();

// Removable when sysfs says so (of the device, or of the disk holding the
// partition), when the device is an SD card (mmcblk*), or when the mount lies
// under /media or /run/media, where desktops mount what is plugged in.
// `sysBlock` is the folder of block devices in sysfs.
bool IsRemovableVolume(const QString& device, const QString& rootPath,
                       const QString& sysBlock = QStringLiteral("/sys/class/block"));

}  // namespace platform
