#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The mounted volumes a memory card may be, as the drive letters of removable
// drives were: a volume counts as removable when sysfs says so, when its device is
// an SD card (mmcblk*), or when it is mounted under /media or /run/media.

// Whether the volume of `device` (e.g. "/dev/sdb1") mounted at `root` is
// removable; `sysfsBlock` is the folder of the block devices (tests give their own).
bool IsRemovableVolume(const QString& device, const QString& root,
                       const QString& sysfsBlock = QStringLiteral("/sys/class/block"));

// Roots of the mounted, ready removable volumes, sorted by path.
QStringList RemovableVolumeRoots();

// The sub-folder of `parent` named `name` without regard to case ("video" finds
// "VIDEO"), or an empty text when there is none. An exact match wins.
QString FindChildFolder(const QString& parent, const QString& name);

}  // namespace platform
