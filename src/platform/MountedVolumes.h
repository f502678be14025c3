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

// Mounted volumes of block devices that are ready, fixed disks included: fixed
// ones first, then the removable ones (IsRemovableVolume), so the last one is the
// likeliest memory card; each group by root path. Pseudo and network file systems
// are not drives here.
std::vector<Volume> MountedVolumes();

}  // namespace platform
