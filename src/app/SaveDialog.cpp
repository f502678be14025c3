#include "SaveDialog.h"

#include <QFileDialog>

namespace app {

std::optional<SaveChoice> ShowSaveDialog(QWidget* owner, const SaveRequest& request) {
    QFileDialog dialog(owner, request.title, request.initialFolder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(request.filters);
    if (!request.proposedName.isEmpty()) {
        dialog.selectFile(request.proposedName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    SaveChoice choice;
    choice.fileName = dialog.selectedFiles().constFirst();
    choice.filterIndex = static_cast<int>(request.filters.indexOf(dialog.selectedNameFilter())) + 1;
    return choice;
}

}  // namespace app
