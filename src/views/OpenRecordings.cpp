#include "OpenRecordings.h"

#include "platform/RemovableVolumes.h"

#include <QFileDialog>

namespace views {

QString FindRecorderFolder(const QStringList& volumeRoots) {
    for (const QString& root : volumeRoots) {
        for (const QString& name : {QStringLiteral("video"), QStringLiteral("DCIM")}) {
            const QString folder = platform::FindChildFolder(root, name);
            if (!folder.isEmpty()) {
                return folder;
            }
        }
    }
    return {};
}

QStringList ChooseRecordingFiles(const QString& folder) {
    // Qt's own dialog matches the patterns without regard to case (the platform's
    // dialogs may not), as the recorder writes upper-case names and copies may not.
    QFileDialog dialog(nullptr, QString(), folder, QStringLiteral("Media File (*.MOV *.MP4 *.TS)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

}  // namespace views
