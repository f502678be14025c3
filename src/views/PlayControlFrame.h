#pragma once

#include "controls/OwnerDrawnControl.h"
#include "views/PlayPanelLogic.h"

#include <QBrush>
#include <QWidget>

class QLabel;
class TPlayControlBtn;
class TPlayControlSpd;
class TPlayControlVol;
class TPlayTimeLine;

// The panel under the video: the time line, play and pause (one place, one shown),
// the frame steps, volume and speed, and the elapsed and total times. It keeps the
// play state that decides what the buttons do and turns the user's actions into
// events; it never calls the player. GUI thread only.
class TPlayControlPanel : public QWidget {
  public:
    explicit TPlayControlPanel(QWidget* parent = nullptr);
    ~TPlayControlPanel() override;

    // A new play list of `duration` seconds (0: none): ready or no media.
    void SetDuration(double duration);
    // The position from the main window's timer; reaching the end point rounded up
    // to a whole second while playing pauses.
    void SetPosition(double position);
    double GetPosition() const;
    double GetStartPoint() const;
    double GetEndPoint() const;
    double GetSpeed() const;
    void SetSpeed(double speed);
    double GetVolume() const;
    void SetOnVolumeChange(controls::ValueEvent handler);
    void SetOnSpeedChange(controls::ValueEvent handler);
    void SetLanguage();

    void PlayButtonClick(QObject* sender);
    void PauseButtonClick(QObject* sender);
    void PrevFrameButtonClick(QObject* sender);
    void NextFrameButtonClick(QObject* sender);

    int State() const { return logic_.State(); }
    TPlayTimeLine* TimeLine() const { return timeLine_; }
    TPlayControlBtn* PlayButton() const { return playButton_; }
    TPlayControlBtn* PauseButton() const { return pauseButton_; }
    TPlayControlBtn* PrevFrameButton() const { return prevFrameButton_; }
    TPlayControlBtn* NextFrameButton() const { return nextFrameButton_; }
    QLabel* ElapsedLabel() const { return elapsedLabel_; }
    QLabel* TotalLabel() const { return totalLabel_; }

    // (the panel)
    controls::NotifyEvent OnPlay;
    controls::NotifyEvent OnPause;
    controls::NotifyEvent OnPrevFrame;
    controls::NotifyEvent OnNextFrame;
    // (the time line, seconds)
    controls::ValueEvent OnStartPointChange;
    controls::ValueEvent OnPositionChange;
    controls::ValueEvent OnEndPointChange;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateChildren();
    QLabel* NewTimeLabel(Qt::Alignment alignment);
    void WireLogic();
    void RelayTimeLine();
    void ShowElapsed(double position);
    void ShowTotal();
    void FrameResize();

    views::PlayPanelLogic logic_;
    QBrush background_;
    TPlayTimeLine* timeLine_ = nullptr;
    TPlayControlBtn* playButton_ = nullptr;
    TPlayControlBtn* pauseButton_ = nullptr;
    TPlayControlBtn* prevFrameButton_ = nullptr;
    TPlayControlBtn* nextFrameButton_ = nullptr;
    TPlayControlVol* volume_ = nullptr;
    TPlayControlSpd* speed_ = nullptr;
    QLabel* elapsedLabel_ = nullptr;
    QLabel* totalLabel_ = nullptr;
};
