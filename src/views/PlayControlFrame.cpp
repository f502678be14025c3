#include "PlayControlFrame.h"

#include "controls/Drawing.h"
#include "controls/PlayControlBtn.h"
#include "controls/PlayControlSpd.h"
#include "controls/PlayControlVol.h"
#include "controls/PlayTimeLine.h"
#include "foundation/Commonfun.h"
#include "foundation/ProgramFont.h"
#include "foundation/UiStringTable.h"

#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kWidth = 679;  // the children are placed for this size, then anchored
constexpr int kHeight = 65;
constexpr QRgb kBackgroundTop = 0xFFB4B4B4;
constexpr QRgb kBackgroundBottom = 0xFF161616;
constexpr int kStartVolume = 50;

// UiStringTable keys of the hints.
enum : int {
    kHintStartPoint = 14,
    kHintEndPoint = 15,
    kHintPlay = 16,
    kHintPause = 17,
    kHintVolume = 18,
    kHintSpeed = 19,
    kHintElapsed = 20,
    kHintTotal = 21,
    kHintPrevFrame = 22,
    kHintNextFrame = 23,
};

using controls::AnchorLeft;
using controls::AnchorRight;
using controls::AnchorTop;
using controls::BoundsRect;

}  // namespace

TPlayControlPanel::TPlayControlPanel(QWidget* parent) : QWidget(parent) {
    GdiplusAddRef();
    setFont(foundation::ProgramFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kWidth, kHeight);
    // The gradient spans the construction height and repeats below it.
    QLinearGradient gradient =
        controls::Gradient({0, 0}, kBackgroundTop, {0, double(kHeight)}, kBackgroundBottom);
    gradient.setSpread(QGradient::RepeatSpread);
    background_ = QBrush(gradient);
    CreateChildren();
    WireLogic();
    RelayTimeLine();
    FrameResize();
}

TPlayControlPanel::~TPlayControlPanel() {
    GdiplusRelease();
}

void TPlayControlPanel::CreateChildren() {
    const int w = width();
    timeLine_ = new TPlayTimeLine(this, AnchorLeft | AnchorTop | AnchorRight,
                                  BoundsRect(15, 5, w - 15, 21));
    playButton_ = new TPlayControlBtn(this, AnchorLeft | AnchorTop, BoundsRect(20, 30, 50, 60),
                                      PlayButtonKind::Play);
    playButton_->OnClick = [this](QObject* sender) { PlayButtonClick(sender); };
    pauseButton_ = new TPlayControlBtn(this, AnchorLeft | AnchorTop, BoundsRect(20, 30, 50, 60),
                                       PlayButtonKind::Pause);
    pauseButton_->OnClick = [this](QObject* sender) { PauseButtonClick(sender); };
    pauseButton_->hide();
    prevFrameButton_ =
        new TPlayControlBtn(this, AnchorTop | AnchorRight, BoundsRect(w - 75, 30, w - 45, 60),
                            PlayButtonKind::PrevFrame);
    prevFrameButton_->OnClick = [this](QObject* sender) { PrevFrameButtonClick(sender); };
    nextFrameButton_ =
        new TPlayControlBtn(this, AnchorTop | AnchorRight, BoundsRect(w - 40, 30, w - 10, 60),
                            PlayButtonKind::NextFrame);
    nextFrameButton_->OnClick = [this](QObject* sender) { NextFrameButtonClick(sender); };
    volume_ = new TPlayControlVol(this, AnchorLeft | AnchorTop, BoundsRect(70, 30, 250, 60));
    volume_->SetVolume(kStartVolume);
    speed_ =
        new TPlayControlSpd(this, AnchorTop | AnchorRight, BoundsRect(w - 260, 30, w - 80, 60));
    speed_->SetSpeed(1.0);
    elapsedLabel_ = NewTimeLabel(Qt::AlignCenter);
    elapsedLabel_->setText(FormatPlayTime(0));
    totalLabel_ = NewTimeLabel(Qt::AlignLeft | Qt::AlignVCenter);
    totalLabel_->setText(QLatin1Char('/') + FormatPlayTime(0));
}

// White bold time text of 1440 / (dots per inch) points: 15 at 96.
QLabel* TPlayControlPanel::NewTimeLabel(Qt::Alignment alignment) {
    auto* label = new QLabel(this);
    QFont font(this->font().family());
    font.setPointSize(std::max(1, 1440 / std::max(1, logicalDpiY())));
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    label->setAlignment(alignment);
    return label;
}

void TPlayControlPanel::WireLogic() {
    // The logic's events reach the main window with the panel as the sender.
    const auto raise = [this](const controls::NotifyEvent& event) {
        return [this, &event] {
            if (event) {
                event(this);
            }
        };
    };
    logic_.onPlay = raise(OnPlay);
    logic_.onPause = raise(OnPause);
    logic_.onPrevFrame = raise(OnPrevFrame);
    logic_.onNextFrame = raise(OnNextFrame);
    logic_.onButtonChange = [this](bool pauseShown) {
        playButton_->setVisible(!pauseShown);
        pauseButton_->setVisible(pauseShown);
    };
}

void TPlayControlPanel::RelayTimeLine() {
    timeLine_->OnPositionChange = [this](QObject* sender, double position) {
        if (OnPositionChange) {
            OnPositionChange(sender, position);
        }
        ShowElapsed(position);
    };
    timeLine_->OnStartPointChange = [this](QObject* sender, double start) {
        if (OnStartPointChange) {
            OnStartPointChange(sender, start);
        }
        ShowElapsed(timeLine_->Position());
        ShowTotal();
    };
    timeLine_->OnEndPointChange = [this](QObject* sender, double end) {
        if (OnEndPointChange) {
            OnEndPointChange(sender, end);
        }
        ShowTotal();
    };
}

void TPlayControlPanel::ShowElapsed(double position) {
    elapsedLabel_->setText(FormatPlayTime(position - timeLine_->StartPoint()));
}

void TPlayControlPanel::ShowTotal() {
    totalLabel_->setText(QLatin1Char('/') +
                         FormatPlayTime(timeLine_->EndPoint() - timeLine_->StartPoint()));
}

void TPlayControlPanel::SetDuration(double duration) {
    logic_.SetDuration(duration);
    timeLine_->SetDuration(duration);
    totalLabel_->setText(QLatin1Char('/') + FormatPlayTime(duration));
}

void TPlayControlPanel::SetPosition(double position) {
    timeLine_->SetPosition(position);
    logic_.ReachPosition(position, timeLine_->EndPoint());
    ShowElapsed(position);
}

double TPlayControlPanel::GetPosition() const {
    return timeLine_->Position();
}

double TPlayControlPanel::GetStartPoint() const {
    return timeLine_->StartPoint();
}

double TPlayControlPanel::GetEndPoint() const {
    return timeLine_->EndPoint();
}

double TPlayControlPanel::GetSpeed() const {
    return speed_->Speed();
}

void TPlayControlPanel::SetSpeed(double speed) {
    speed_->SetSpeed(speed);
}

double TPlayControlPanel::GetVolume() const {
    return volume_->Volume();
}

void TPlayControlPanel::SetOnVolumeChange(controls::ValueEvent handler) {
    volume_->OnVolumeChange = std::move(handler);
}

void TPlayControlPanel::SetOnSpeedChange(controls::ValueEvent handler) {
    speed_->OnSpeedChange = std::move(handler);
}

void TPlayControlPanel::SetLanguage() {
    playButton_->setToolTip(UiText(kHintPlay));
    pauseButton_->setToolTip(UiText(kHintPause));
    prevFrameButton_->setToolTip(UiText(kHintPrevFrame));
    nextFrameButton_->setToolTip(UiText(kHintNextFrame));
    timeLine_->SetStartHint(UiText(kHintStartPoint));
    timeLine_->SetEndHint(UiText(kHintEndPoint));
    elapsedLabel_->setToolTip(UiText(kHintElapsed));
    totalLabel_->setToolTip(UiText(kHintTotal));
    volume_->setToolTip(UiText(kHintVolume));
    speed_->setToolTip(UiText(kHintSpeed));
}

void TPlayControlPanel::PlayButtonClick(QObject*) {
    logic_.Play();
}

void TPlayControlPanel::PauseButtonClick(QObject*) {
    logic_.Pause();
}

void TPlayControlPanel::PrevFrameButtonClick(QObject*) {
    logic_.StepFrame(false);
}

void TPlayControlPanel::NextFrameButtonClick(QObject*) {
    logic_.StepFrame(true);
}

void TPlayControlPanel::FrameResize() {
    const views::TimeLabelPlacement place = views::PlaceTimeLabels(width());
    const int h = height();
    elapsedLabel_->setGeometry(place.elapsedLeft, h / 2, views::kTimeLabelWidth, h - h / 2);
    totalLabel_->setGeometry(place.totalLeft, h / 2, views::kTimeLabelWidth, h - h / 2);
    totalLabel_->setVisible(place.totalShown);
}

void TPlayControlPanel::resizeEvent(QResizeEvent*) {
    FrameResize();
}

void TPlayControlPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background_);
}
