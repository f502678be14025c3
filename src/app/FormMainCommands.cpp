// The main window's commands: screenshots, cuts with their progress and stop
// request, and recordings dropped on the window.
#include "Main.h"

#include "app/SaveDialog.h"
#include "app/Setting.h"
#include "platform/MessageBox.h"
#include "views/PlayControlFrame.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace {

QString DefaultSavePath() {
    return FormSetting != nullptr ? FormSetting->DefaultSavePath() : QString();
}

}  // namespace

void TFormMain::TBCaptureVideoClick(QObject*) {
    if (playList_.IsEmpty()) {
        return;
    }
    try {
        app::Screenshot shot;
        app::ItemPlayer* player = playList_.CurrentPlayer();
        if (FormSetting != nullptr && FormSetting->CaptureChart()) {
            // The window's own picture: it works on every display server.
            shot.image = grab().toImage();
            shot.grabFailure = QStringLiteral("Get DeskTop Failure");
        } else {
            shot.image = player->GrabFrame();
            shot.grabFailure = QStringLiteral("Get Image Failure");
        }
        shot.startTime = playList_.CurrentItem()->startTime;
        shot.position = player->GetPositionSeconds();
        shot.defaultSaveFolder = DefaultSavePath();
        screenshot_.Save(shot);
    } catch (const std::exception& error) {
        platform::MessageBox::Show(nullptr, QString::fromLocal8Bit(error.what()),
                                   QStringLiteral("Failed"), platform::MB_OK);
    }
}

void TFormMain::TBCuttingClick(QObject*) {
    Guard("TFormMain::TBCuttingClick", [this] {
        if (cutCommand_ == nullptr) {
            return;
        }
        cutCommand_->Start(playList_.Items(), PlayControlPanel->GetStartPoint(),
                           PlayControlPanel->GetEndPoint(), DefaultSavePath());
    });
}

void TFormMain::CuttingEvent(platform::WPARAM wParam, platform::LPARAM lParam) {
    Guard("TFormMain::CuttingEvent", [&] {
        if (cutCommand_ != nullptr) {
            cutCommand_->OnCuttingEvent(wParam, lParam);
        }
    });
}

void TFormMain::BtnCutSatusClick(QObject*) {
    if (cutCommand_ != nullptr) {
        cutCommand_->RequestStop();
    }
}

void TFormMain::WMDropFiles(const QStringList& names) {
    intake_.Drop(names);
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void TFormMain::dropEvent(QDropEvent* event) {
    // Only files: an address of another kind names nothing to open.
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            names << url.toLocalFile();
        }
    }
    event->acceptProposedAction();
    WMDropFiles(names);
}
