#pragma once

#include <QString>
#include <QStringList>

namespace views {

// At most this many names are loaded at once.
inline constexpr int kMaxPendingNames = 256;

// The recorder's folder on the first memory card that has one: "video", else
// "DCIM", at the root of each volume in order, without regard to case. Empty when
// no volume has either.
QString FindRecorderFolder(const QStringList& volumeRoots);

// The program's open dialog: several recordings from one folder, the filter
// "Media File" matching .MOV, .MP4 and .TS in any case, starting in `folder` (the
// dialog's own choice when empty). The chosen paths in the dialog's order; empty
// when cancelled.
QStringList ChooseRecordingFiles(const QString& folder);

}  // namespace views
