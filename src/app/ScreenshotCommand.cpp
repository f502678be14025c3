#include "ScreenshotCommand.h"

#include "app/FileNames.h"
#include "app/MainTextKeys.h"
#include "foundation/Commonfun.h"
#include "foundation/ErrorReport.h"
#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"

#include <QImageWriter>

namespace app {

namespace {

constexpr std::int32_t kAccessDenied = 5;
constexpr int kFilterBmp = 2;

bool IsImageExtension(const QString& extension) {
    return extension == QLatin1String(".jpg") || extension == QLatin1String(".jpeg") ||
           extension == QLatin1String(".bmp");
}

void ShowFailed(const QString& text) {
    platform::MessageBox::Show(nullptr, text, QStringLiteral("Failed"), platform::MB_OK);
}

}  // namespace

ImageFormat ScreenshotCommand::ChooseFormat(const QString& fileName, int filterIndex) {
    const QString extension = LowerExtension(fileName);
    if (extension == QLatin1String(".bmp")) {
        return ImageFormat::Bmp;
    }
    if (IsImageExtension(extension)) {
        return ImageFormat::Jpeg;
    }
    return filterIndex == kFilterBmp ? ImageFormat::Bmp : ImageFormat::Jpeg;
}

QString ScreenshotCommand::TargetPath(const QString& fileName, ImageFormat format) {
    if (IsImageExtension(LowerExtension(fileName))) {
        return fileName;
    }
    return fileName +
           (format == ImageFormat::Jpeg ? QStringLiteral(".jpg") : QStringLiteral(".bmp"));
}

void ScreenshotCommand::Save(const Screenshot& shot) {
    if (shot.image.isNull()) {
        ShowFailed(shot.grabFailure);
        return;
    }
    if (lastFolder_.isEmpty() && !shot.defaultSaveFolder.isEmpty()) {
        lastFolder_ = shot.defaultSaveFolder;
    }
    SaveRequest request;
    request.title = UiText(key::SaveImageTo);
    request.filters = QStringList{QStringLiteral("JPG(*.jpg)"), QStringLiteral("Bitmap (*.bmp)")};
    request.initialFolder = lastFolder_;
    request.proposedName =
        ProposedPath(shot.defaultSaveFolder, TimeStampName(shot.startTime, shot.position));
    const std::optional<SaveChoice> choice = askSaveName ? askSaveName(request) : std::nullopt;
    if (!choice) {
        return;
    }
    if (!CanAccessFolder(GetFolderOfPath(choice->fileName), FILE_ADD_FILE)) {
        ShowErrorCode(kAccessDenied);
        return;
    }
    const ImageFormat format = ChooseFormat(choice->fileName, choice->filterIndex);
    QByteArray writerFormat;
    const QString mime =
        format == ImageFormat::Jpeg ? QStringLiteral("image/jpeg") : QStringLiteral("image/bmp");
    if (GetEncoderClsid(mime, &writerFormat) < 0) {
        platform::MessageBox::Show(nullptr, QStringLiteral("No Decoder for Image"),
                                   QStringLiteral("Error"), platform::MB_OK);
        return;
    }
    QImageWriter writer(TargetPath(choice->fileName, format), writerFormat);
    if (!writer.write(shot.image.convertToFormat(QImage::Format_RGB32))) {
        ShowFailed(writer.errorString());
        return;
    }
    lastFolder_ = FolderToRemember(choice->fileName);
}

}  // namespace app
