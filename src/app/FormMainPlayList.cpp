// The main window's play list: selection, playback commands, seeks, the position
// timer, the end of each file, the video window and the log worker's messages.
#include "Main.h"

#include "app/VideoWindow.h"
#include "platform/DebugOutput.h"
#include "recordings/LogManagement.h"
#include "views/ChartFrame.h"
#include "views/FileSelectFrame.h"
#include "views/GMForm.h"
#include "views/InfoFrom.h"
#include "views/PlayControlFrame.h"

#include <QTimer>

void TFormMain::FileSelectChange(QObject*) {
    playList_.SetItems(FileSelectFrame->PlayList());
}

void TFormMain::TBPlayClick(QObject*) {
    Guard("TFormMain::TBPlayClick", [this] {
        if (!playList_.Play()) {
            // The panel takes its "playing" state after this event: pause it then.
            QTimer::singleShot(0, this, [this] { PanelPause(); });
        }
    });
}

void TFormMain::TBPausedClick(QObject*) {
    Guard("TFormMain::TBPausedClick", [this] { playList_.Pause(); });
}

void TFormMain::TBPreframeClick(QObject*) {
    Guard("TFormMain::TBPreframeClick", [this] { playList_.PrevFrame(); });
}

void TFormMain::TBNextframeClick(QObject*) {
    playList_.NextFrame();
}

void TFormMain::PlayCtrlPanelVolumeChange(QObject*, double value) {
    Guard("TFormMain::PlayCtrlPanelVolumeChange", [&] { playList_.SetVolume(value); });
}

void TFormMain::PlayCtrlPanelSpeedChange(QObject*, double value) {
    Guard("TFormMain::PlayCtrlPanelSpeedChange", [&] { playList_.SetSpeed(value); });
}

void TFormMain::PlayCtrlPanelPointChange(QObject*, double) {}

void TFormMain::PlayPosChange(QObject* sender, double seconds) {
    Guard("TFormMain::PlayPosChange", [&] { playList_.Seek(seconds, sender != nullptr); });
}

void TFormMain::TimerTimer(QObject* sender) {
    if (sender == nullptr) {
        Timer->stop();
    }
    RefreshPlayInfo(false, 0.0);
}

void TFormMain::RefreshPlayInfo(bool given, double seconds) {
    Guard("TFormMain::RefreshPlayInfo", [&] { playList_.RefreshPlayInfo(given, seconds); });
}

void TFormMain::PlayNextFile(const void* player) {
    playList_.PlayComplete(player);
}

void TFormMain::WMLogLoaded() {
    logManager_->MergeLogs();
    TrendChart->RefreshData();
}

void TFormMain::WMLogMerged() {
    TrendChart->RefreshData();
    if (_GoogleMapForm != nullptr && _GoogleMapForm->Map() != nullptr) {
        _GoogleMapForm->Map()->RefreshData();
    }
}

void TFormMain::TrendChartpanIconClick(QObject*) {
    platform::DebugOutput::Write(QStringLiteral("Main Click"));
}

bool TFormMain::VideoWndProc(app::VideoWindow*, QEvent* event) {
    return videoRoute_->Handle(event);
}

// ---- what the play list drives around it

double TFormMain::PanelSpeed() {
    return PlayControlPanel->GetSpeed();
}

double TFormMain::PanelVolume() {
    return PlayControlPanel->GetVolume();
}

double TFormMain::PanelPosition() {
    return PlayControlPanel->GetPosition();
}

double TFormMain::PanelStartPoint() {
    return PlayControlPanel->GetStartPoint();
}

double TFormMain::PanelEndPoint() {
    return PlayControlPanel->GetEndPoint();
}

void TFormMain::SetPanelDuration(double seconds) {
    PlayControlPanel->SetDuration(seconds);
}

void TFormMain::SetPanelSpeed(double speed) {
    PlayControlPanel->SetSpeed(speed);
}

void TFormMain::PanelPause() {
    PlayControlPanel->PauseButtonClick(this);
}

void TFormMain::ShowPosition(double seconds) {
    PlayControlPanel->SetPosition(seconds);
    TrendChart->SetCursorTime(seconds * 1000.0);
    if (_InfoForm != nullptr) {
        _InfoForm->UpdateInfo(seconds * 1000.0);
    }
}

void TFormMain::SetPlayingIndex(int index) {
    FileSelectFrame->SetPlayingIndex(index);
}

void TFormMain::SetTimerRunning(bool running) {
    if (running) {
        Timer->start();
    } else {
        Timer->stop();
    }
}

void TFormMain::PlayListChanged(const FileItemList& items) {
    logManager_->SetFileList(items);
    TrendChart->ResetTimeRange();
}

void TFormMain::RepaintVideo() {
    VideoWnd->update();
}
