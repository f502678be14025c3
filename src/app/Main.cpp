// The main window's life, its window messages, language, preferences and keys.
#include "Main.h"

#include "app/DShowItemPlayer.h"
#include "app/MainTextKeys.h"
#include "app/SaveDialog.h"
#include "app/Setting.h"
#include "app/VideoWindow.h"
#include "cutting/Cuttingproc.h"
#include "foundation/ErrorReport.h"
#include "foundation/MessageNumbers.h"
#include "foundation/UiStringTable.h"
#include "playback/FileItemVideo.h"
#include "recordings/LogManagement.h"
#include "views/ChartFrame.h"
#include "views/FileSelectFrame.h"
#include "views/GMForm.h"
#include "views/InfoFrom.h"
#include "views/PlayControlFrame.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <stdexcept>

TFormMain* FormMain = nullptr;

TFormMain::TFormMain(QWidget* owner)
    : QWidget(owner),
      logManager_(std::make_unique<TLogManagement>(this)),
      playList_(*this, &app::DShowItemPlayer::Create) {
    FormMain = this;
    LogManager = logManager_.get();
    setAcceptDrops(true);
    CreateComponents();
    SetPlayerVideoWindow(VideoWnd);
    videoRoute_ = std::make_unique<app::VideoMessageRoute>(*VideoWnd, playList_);
    WireEvents();
}

TFormMain::~TFormMain() {
    // The windows it holds go after its members: nothing of theirs may call back.
    VideoWnd->procedure = nullptr;
    FileSelectFrame->OnChange = nullptr;
    TrendChart->SetLogManagement(nullptr);
    if (_GoogleMapForm != nullptr) {
        _GoogleMapForm->OnPositionChange = nullptr;
    }
    // The job and the log worker stop before the play list lets its items go.
    cutCommand_.reset();
    cutting_.reset();
    logManager_->StopWorker();
    LogManager = nullptr;
    if (FormMain == this) {
        FormMain = nullptr;
    }
}

void TFormMain::Guard(const char* function, const std::function<void()>& body,
                      std::source_location where) {
    try {
        body();
    } catch (const std::exception& error) {
        ExceptionLogLine(where.file_name(), function, static_cast<int>(where.line()), error);
    }
}

// Every event of the windows it holds is bound here and in WireShownEvents.
void TFormMain::WireEvents() {
    FileSelectFrame->OnChange = [this](QObject* sender) { FileSelectChange(sender); };
    PlayControlPanel->OnPlay = [this](QObject* sender) { TBPlayClick(sender); };
    PlayControlPanel->OnPause = [this](QObject* sender) { TBPausedClick(sender); };
    PlayControlPanel->OnPrevFrame = [this](QObject* sender) { TBPreframeClick(sender); };
    PlayControlPanel->OnNextFrame = [this](QObject* sender) { TBNextframeClick(sender); };
    PlayControlPanel->SetOnVolumeChange(
        [this](QObject* sender, double value) { PlayCtrlPanelVolumeChange(sender, value); });
    PlayControlPanel->SetOnSpeedChange(
        [this](QObject* sender, double value) { PlayCtrlPanelSpeedChange(sender, value); });
    PlayControlPanel->OnStartPointChange = [this](QObject* sender, double value) {
        PlayCtrlPanelPointChange(sender, value);
    };
    PlayControlPanel->OnEndPointChange = [this](QObject* sender, double value) {
        PlayCtrlPanelPointChange(sender, value);
    };
    PlayControlPanel->OnPositionChange = [this](QObject* sender, double value) {
        PlayPosChange(sender, value);
    };
    TrendChart->OnPlayPosChange = [this](QObject* sender, double value) {
        PlayPosChange(sender, value);
    };
    TrendChart->OnInfo = [](QObject*) {
        if (_InfoForm != nullptr) {
            _InfoForm->show();
            _InfoForm->raise();
        }
    };
    VideoWnd->procedure = [this](app::VideoWindow* sender, QEvent* event) {
        return VideoWndProc(sender, event);
    };
    connect(TBCapture, &QToolButton::clicked, this, [this] { TBCaptureVideoClick(TBCapture); });
    connect(TBCutting, &QToolButton::clicked, this, [this] { TBCuttingClick(TBCutting); });
    connect(TBSetting, &QToolButton::clicked, this, [this] { TBSettingClick(TBSetting); });
    connect(TBGPSForm, &QToolButton::clicked, this, [this] { TBGPSFormClick(TBGPSForm); });
    connect(BtnCutSatus, &QPushButton::clicked, this, [this] { BtnCutSatusClick(BtnCutSatus); });
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(Timer); });
    FileSelectFrame->installEventFilter(this);
    askSaveName = [this](const app::SaveRequest& request) {
        return app::ShowSaveDialog(this, request);
    };
    screenshot_.askSaveName = [this](const app::SaveRequest& request) {
        return askSaveName(request);
    };
    intake_.load = [this](const QStringList& names) { LoadRecordings(names); };
    FileSelectFrame->SetPlayControlPanel(PlayControlPanel);
    views::FileListPreferences preferences;
    preferences.autoSearchCard = [] {
        return FormSetting != nullptr && FormSetting->AutoSDSearch();
    };
    preferences.defaultOpenFolder = [] {
        return FormSetting != nullptr ? FormSetting->DefaultOpenPath() : QString();
    };
    FileSelectFrame->SetPreferences(std::move(preferences));
}

// The rest of the wiring: the windows made after this one, and the cutting job,
// exist once the window first shows.
void TFormMain::WireShownEvents() {
    if (_GoogleMapForm != nullptr) {
        _GoogleMapForm->OnPositionChange = [this](QObject* sender, double value) {
            PlayPosChange(sender, value);
        };
    }
    if (windowHandle() != nullptr) {
        // The display changes when the window moves to another screen or its
        // screen changes its mode.
        connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) {
            WatchScreen(screen);
            videoRoute_->DisplayChanged();
        });
        WatchScreen(windowHandle()->screen());
    }
    cutCommand_->owner = this;
    cutCommand_->askSaveName = [this](const app::SaveRequest& request) {
        return askSaveName(request);
    };
    cutCommand_->setStatusCaption = [this](const QString& caption) {
        BtnCutSatus->setText(caption);
    };
    cutCommand_->repaintVideo = [this] { RepaintVideo(); };
}

void TFormMain::WatchScreen(QScreen* screen) {
    disconnect(screenWatch_);
    if (screen != nullptr) {
        screenWatch_ = connect(screen, &QScreen::geometryChanged, this,
                               [this] { videoRoute_->DisplayChanged(); });
    }
}

void TFormMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow(this);
    }
}

void TFormMain::FormShow(QObject*) {
    Guard("TFormMain::FormShow", [this] {
        Set_Lang();
        cutting_ = std::make_unique<CuttingProc>(this, WM_CUTTING_EVENT);
        cutCommand_ = std::make_unique<app::CutCommand>(*cutting_);
        WireShownEvents();
        intake_.CommandLine(commandLine);
    });
}

bool TFormMain::event(QEvent* event) {
    return Dispatch(event) || QWidget::event(event);
}

bool TFormMain::Dispatch(QEvent* event) {
    if (platform::WindowMessage::From(event, WM_LOG_LOADED) != nullptr) {
        WMLogLoaded();
        return true;
    }
    if (platform::WindowMessage::From(event, WM_LOG_MERGED) != nullptr) {
        WMLogMerged();
        return true;
    }
    if (const auto* message = platform::WindowMessage::From(event, WM_CUTTING_EVENT)) {
        CuttingEvent(message->WParam(), message->LParam());
        return true;
    }
    return false;
}

void TFormMain::Set_Lang() {
    Guard("TFormMain::Set_Lang", [this] {
        setWindowTitle(UiText(app::key::ProductTitle));
        TBCapture->setToolTip(UiText(app::key::HintCapture));
        TBCutting->setToolTip(UiText(app::key::HintCutting));
        TBSetting->setToolTip(UiText(app::key::HintPreferences));
        TBGPSForm->setToolTip(UiText(app::key::HintTrackLog));
        PlayControlPanel->SetLanguage();
        TrendChart->ApplyLanguage();
        FileSelectFrame->UpdateLanguage();
        if (_InfoForm != nullptr) {
            _InfoForm->UpdateLanguage();
        }
        if (_GoogleMapForm != nullptr) {
            _GoogleMapForm->UpdateLanguage();
        }
    });
}

void TFormMain::TBSettingClick(QObject*) {
    Guard("TFormMain::TBSettingClick", [this] {
        if (FormSetting == nullptr) {
            return;
        }
        const int language = LanguageIndex;
        if (FormSetting->exec() == QDialog::Accepted && LanguageIndex != language) {
            Set_Lang();
        }
    });
}

void TFormMain::TBGPSFormClick(QObject*) {
    if (_GoogleMapForm == nullptr) {
        return;
    }
    _GoogleMapForm->setVisible(!_GoogleMapForm->isVisible());
}

bool TFormMain::FormShortCut(QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Escape:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            FileSelectFrame->KeyDown(key->key(), (key->modifiers() & Qt::ShiftModifier) != 0);
            return true;
        default:
            return false;
    }
}

void TFormMain::LoadRecordings(const QStringList& names) {
    FileSelectFrame->PendingCount = 0;
    for (const QString& name : names) {
        if (FileSelectFrame->PendingCount ==
            static_cast<int>(FileSelectFrame->PendingNames.size())) {
            break;
        }
        FileSelectFrame->PendingNames[static_cast<std::size_t>(FileSelectFrame->PendingCount++)] =
            name;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FileSelectFrame->Refresh();
    QApplication::restoreOverrideCursor();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FileSelectFrame && event->type() == QEvent::KeyPress) {
        return FormShortCut(static_cast<QKeyEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}
