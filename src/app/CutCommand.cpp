#include "CutCommand.h"

#include "app/FileNames.h"
#include "app/MainTextKeys.h"
#include "foundation/Commonfun.h"
#include "foundation/ErrorReport.h"
#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"

#include <QFileInfo>

namespace app {

namespace {

using platform::MB_ICONEXCLAMATION;
using platform::MB_OK;
using platform::MB_YESNOCANCEL;

constexpr double kShortestCut = 2.0;  // seconds
constexpr platform::WPARAM kProgressEvent = 1;
constexpr std::int32_t kAccessDenied = 5;

// The save filter for a recording's lower-case extension; empty when unknown.
QString SaveFilter(const QString& extension) {
    if (extension == QLatin1String(".mp4")) {
        return QStringLiteral("MP4 (*.mp4)");
    }
    if (extension == QLatin1String(".mov")) {
        return QStringLiteral("MOV (*.mov)");
    }
    if (extension == QLatin1String(".ts")) {
        return QStringLiteral("TS (*.ts)");
    }
    return QString();
}

}  // namespace

QString CutCommand::ProgressCaption(platform::LPARAM perMille) {
    return UiText(key::Cutting) + QString::number(static_cast<double>(perMille) * 0.1, 'f', 1) +
           QLatin1Char('%');
}

void CutCommand::Start(const FileItemList& items, double start, double end,
                       const QString& defaultSaveFolder) {
    if (items.empty()) {
        return;
    }
    // Written so that a span that is not a number is refused too.
    if (!(end - start >= kShortestCut)) {
        platform::MessageBox::Show(owner, UiText(key::CutTooShort), UiText(key::Warning),
                                   MB_ICONEXCLAMATION);
        return;
    }
    if (job_.IsBusy()) {
        platform::MessageBox::Show(owner, UiText(key::CutBusy), UiText(key::Warning),
                                   MB_ICONEXCLAMATION);
        return;
    }
    QString destination;
    if (!ChooseDestination(items, start, defaultSaveFolder, &destination)) {
        return;
    }
    const CutResult result = job_.StartCutting(items, destination, start, end);
    if (result == Cut_OK) {
        SetStatus(UiText(key::Cutting));
    } else {
        ShowResult(CutStage::Start, result);
    }
    Repaint();
}

bool CutCommand::ChooseDestination(const FileItemList& items, double start,
                                   const QString& defaultSaveFolder, QString* destination) {
    const TFileItem& first = *items.front();
    const QString extension = LowerExtension(first.path);
    const QString filter = SaveFilter(extension);
    if (filter.isEmpty()) {
        platform::MessageBox::Show(nullptr, QStringLiteral("Unknow file format."),
                                   QStringLiteral("Error"), MB_OK);
        return false;
    }
    SaveRequest request;
    request.title = UiText(key::SaveVideoTo);
    request.filters = QStringList{filter};
    request.proposedName = ProposedPath(defaultSaveFolder, TimeStampName(first.startTime, start));
    const std::optional<SaveChoice> choice = askSaveName ? askSaveName(request) : std::nullopt;
    if (!choice) {
        Repaint();
        return false;
    }
    *destination = choice->fileName;
    if (LowerExtension(*destination).isEmpty()) {
        *destination += extension;
    }
    if (!CanAccessFolder(GetFolderOfPath(*destination), FILE_ADD_FILE)) {
        ShowErrorCode(kAccessDenied);
        return false;
    }
    if (QFileInfo::exists(*destination) &&
        platform::MessageBox::Show(owner, UiText(key::OverwriteQuestion), UiText(key::Warning),
                                   MB_YESNOCANCEL | MB_ICONEXCLAMATION) != platform::IDYES) {
        return false;
    }
    return true;
}

void CutCommand::OnCuttingEvent(platform::WPARAM wParam, platform::LPARAM lParam) {
    if (wParam == kProgressEvent) {
        SetStatus(ProgressCaption(lParam));
        return;
    }
    ShowResult(CutStage::Finish, static_cast<CutResult>(wParam));
    SetStatus(QString());
    Repaint();
    job_.ReleaseSelection();
}

void CutCommand::RequestStop() {
    if (!job_.IsBusy()) {
        return;
    }
    if (platform::MessageBox::Show(owner, UiText(key::CutStopQuestion), UiText(key::Warning),
                                   MB_YESNOCANCEL | MB_ICONEXCLAMATION) == platform::IDYES) {
        job_.stopFlag = 1;
    }
}

void CutCommand::ShowResult(CutStage stage, CutResult result) {
    const CutResultBox& box = FindCutResultBox(stage, result);
    platform::MessageBox::Show(box.owned ? owner : nullptr, box.text.Text(), box.caption.Text(),
                               box.flags);
}

void CutCommand::SetStatus(const QString& caption) {
    if (setStatusCaption) {
        setStatusCaption(caption);
    }
}

void CutCommand::Repaint() {
    if (repaintVideo) {
        repaintVideo();
    }
}

}  // namespace app
