#pragma once

#include "app/CutCommand.h"
#include "app/FileIntake.h"
#include "app/PlaybackCoordinator.h"
#include "app/ScreenshotCommand.h"
#include "app/VideoMessageRoute.h"
#include "platform/WindowMessage.h"

#include <QWidget>

#include <memory>
#include <source_location>

class CuttingProc;
class QFrame;
class QKeyEvent;
class QPushButton;
class QScreen;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;
class TFileSelectControl;
class TGraphChart;
class TLogManagement;
class TPlayControlPanel;

namespace app {
class VideoWindow;
}

// The main window: the file list, the video with its play-control panel, the
// sensor chart, the tool bar and the status line. It owns the play list, the log
// manager and the cutting job, and turns every command of its windows into a call
// of the classes that hold the logic. GUI thread only.
//
// The handlers keep the program's names. They are defined by concern:
// FormMainPlayList.cpp (play list, playback, video window, log messages),
// FormMainCommands.cpp (screenshots, cuts, dropped and command-line files),
// FormMainLayout.cpp (the windows it is made of), Main.cpp (life, messages,
// language, preferences, keys).
class TFormMain : public QWidget, private app::PlaybackHost {
  public:
    explicit TFormMain(QWidget* owner = nullptr);
    // Stops the cutting job and the log worker before the items they hold go.
    ~TFormMain() override;
    TFormMain(const TFormMain&) = delete;
    TFormMain& operator=(const TFormMain&) = delete;

    // ---- play list and playback
    void FileSelectChange(QObject* sender);
    void TBPlayClick(QObject* sender);
    void TBPausedClick(QObject* sender);
    void TBPreframeClick(QObject* sender);
    void TBNextframeClick(QObject* sender);
    void PlayCtrlPanelVolumeChange(QObject* sender, double value);
    void PlayCtrlPanelSpeedChange(QObject* sender, double value);
    void PlayCtrlPanelPointChange(QObject* sender, double value);
    // Seeks the play list to `seconds` of its time line. A sender (the time line,
    // the chart, the map) shows the position as asked; none shows the player's.
    void PlayPosChange(QObject* sender, double seconds);
    void TimerTimer(QObject* sender);
    void RefreshPlayInfo(bool given, double seconds);
    // The end of a file, sent by `player` from inside its event drain.
    void PlayNextFile(const void* player);
    void WMLogLoaded();
    void WMLogMerged();
    void TrendChartpanIconClick(QObject* sender);
    // The video window's events; true when handled here.
    bool VideoWndProc(app::VideoWindow* sender, QEvent* event);

    // ---- tool bar, status line, intake, language
    void TBCaptureVideoClick(QObject* sender);
    void TBCuttingClick(QObject* sender);
    void CuttingEvent(platform::WPARAM wParam, platform::LPARAM lParam);
    void BtnCutSatusClick(QObject* sender);
    void WMDropFiles(const QStringList& names);
    // The first showing: language, cutting job, the command line's recordings.
    void FormShow(QObject* sender);
    void Set_Lang();
    void TBSettingClick(QObject* sender);
    void TBGPSFormClick(QObject* sender);
    // Keys for the file list while it has the focus; true when taken.
    bool FormShortCut(QKeyEvent* key);

    // The program's arguments (its own path first); the first showing loads the
    // recordings among them. The entry sets them.
    QStringList commandLine;
    // The save dialog of the screenshot and cut commands; tests answer it.
    app::AskSaveName askSaveName;

    const app::PlaybackCoordinator& PlayList() const { return playList_; }
    CuttingProc* Cutting() const { return cutting_.get(); }

    // The windows it is made of, in the order they were designed.
    QFrame* VideoPanel = nullptr;
    QWidget* PanelClient = nullptr;
    QWidget* PanelRight = nullptr;
    QSplitter* SplitterV1 = nullptr;
    QWidget* PanelLeft = nullptr;
    QSplitter* Splitter2 = nullptr;
    QWidget* PanelLeftUp = nullptr;
    QToolBar* ToolBar = nullptr;
    QToolButton* TBCapture = nullptr;
    QToolButton* TBCutting = nullptr;
    QToolButton* TBSetting = nullptr;
    QWidget* PanelStatus = nullptr;
    QPushButton* BtnCutSatus = nullptr;
    QPushButton* BtnCopyStatus = nullptr;
    QToolButton* TBGPSForm = nullptr;
    QToolButton* TBKML = nullptr;
    app::VideoWindow* VideoWnd = nullptr;
    QTimer* Timer = nullptr;
    TGraphChart* TrendChart = nullptr;
    TFileSelectControl* FileSelectFrame = nullptr;
    TPlayControlPanel* PlayControlPanel = nullptr;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The window messages of the program; true when handled.
    bool Dispatch(QEvent* event);
    void CreateComponents();
    void CreateToolBar();
    void CreateStatusPanel();
    void WireEvents();
    void WireShownEvents();
    // Display changes of the screen the window is on reach the video window.
    void WatchScreen(QScreen* screen);
    // Dropped and command-line recordings into the file list.
    void LoadRecordings(const QStringList& names);
    // Runs a handler's body; an exception is logged at the handler's own site.
    void Guard(const char* function, const std::function<void()>& body,
               std::source_location where = std::source_location::current());

    // What the play list drives around it.
    double PanelSpeed() override;
    double PanelVolume() override;
    double PanelPosition() override;
    double PanelStartPoint() override;
    double PanelEndPoint() override;
    void SetPanelDuration(double seconds) override;
    void SetPanelSpeed(double speed) override;
    void PanelPause() override;
    void ShowPosition(double seconds) override;
    void SetPlayingIndex(int index) override;
    void SetTimerRunning(bool running) override;
    void PlayListChanged(const FileItemList& items) override;
    void RepaintVideo() override;

    std::unique_ptr<TLogManagement> logManager_;
    app::PlaybackCoordinator playList_;
    std::unique_ptr<app::VideoMessageRoute> videoRoute_;
    std::unique_ptr<CuttingProc> cutting_;  // made by the first showing
    std::unique_ptr<app::CutCommand> cutCommand_;
    app::ScreenshotCommand screenshot_;
    app::FileIntake intake_;
    QMetaObject::Connection screenWatch_;
    bool shown_ = false;
};

// The program's main window, set while it lives.
extern TFormMain* FormMain;
