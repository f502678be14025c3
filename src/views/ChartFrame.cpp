#include "ChartFrame.h"

#include "controls/ColorBoxARGB.h"
#include "controls/HScrollBar.h"
#include "controls/IconButton.h"
#include "controls/VScrollBar.h"
#include "foundation/Commonfun.h"
#include "foundation/UiStringTable.h"
#include "platform/GuiThread.h"
#include "recordings/LogManagement.h"
#include "views/ChartSetting.h"

#include <QMouseEvent>
#include <QPainter>

using controls::AnchorBottom;
using controls::AnchorRight;
using controls::AnchorTop;
using controls::BoundsRect;

namespace {

constexpr QSize kDesignSize(854, 254);
constexpr QRgb kCursorColor = 0xC8EBEBEB;
constexpr QRgb kZoomRectColor = 0x32EBEBEB;
constexpr int kCursorWidth = 3;
constexpr int kCursorTop = 35;
constexpr int kCursorMargin = 65;  // the line is this much shorter than the frame
constexpr int kMinValueBarHeight = 86;
constexpr int kLatched = 4;
constexpr int kNormal = 1;

}  // namespace

TGraphChart::TGraphChart(QWidget* owner) : QWidget(owner) {
    GdiplusAddRef();
    resize(kDesignSize);
    // Every pixel comes from the picture or the background.
    setAttribute(Qt::WA_OpaquePaintEvent);
    settings_ = views::ChartSettings::Defaults();
    CreateChildren();
    ApplyLanguage();
    renderThread_ = std::make_unique<views::ChartRenderThread>([this] {
        // Render thread: the picture is taken up on the GUI thread; the call is
        // dropped if the chart is gone by then.
        platform::RunOnGuiThread(this, [this] { PictureArrived(); });
    });
}

TGraphChart::~TGraphChart() {
    renderThread_.reset();
    GdiplusRelease();
}

void TGraphChart::CreateChildren() {
    const int w = width();
    const int h = height();
    timeZoom_ =
        new THScrollBar(this, BoundsRect(w - 200, 6, w - 30, 24), AnchorTop | AnchorRight, true);
    timeZoom_->OnChange = [this](QObject*) { OnTimeZoomChange(); };
    valueZoom_ = new TVScrollBar(this, BoundsRect(w - 24, 30, w - 6, h - 30),
                                 AnchorTop | AnchorRight | AnchorBottom, true);
    valueZoom_->OnChange = [this](QObject*) { OnValueZoomChange(); };

    const auto button = [&](const char* name, const char* icon, int right) {
        auto* b = new TIconButton(this, QString::fromLatin1(icon), AnchorTop | AnchorRight,
                                  BoundsRect(w - right, 5, w - right + 25, 30));
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    settingButton_ = button("settingButton", "RID_ChartSetting", 350);
    settingButton_->OnClick = [this](QObject*) { OnChartSetting(); };
    panButton_ = button("panButton", "RID_Pan", 320);
    panButton_->OnClick = [this](QObject* sender) { OnModeButton(sender); };
    panButton_->SetState(kLatched);
    zoomButton_ = button("zoomButton", "RID_Zoom", 290);
    zoomButton_->OnClick = [this](QObject* sender) { OnModeButton(sender); };
    zoomButton_->SetState(kNormal);
    fitButton_ = button("fitButton", "RID_FitSize", 260);
    fitButton_->OnClick = [this](QObject*) { OnFitSize(); };
    infoButton_ = button("infoButton", "RID_Info", 230);
    infoButton_->OnClick = [this](QObject*) {
        if (OnInfo) {
            OnInfo(this);
        }
    };

    // Neither takes the mouse: a click on them is a click on the plot.
    cursorLine_ = new TColorBoxARGB(this, false, kCursorColor);
    cursorLine_->setGeometry(0, kCursorTop, kCursorWidth, h - kCursorMargin);
    cursorLine_->setAttribute(Qt::WA_TransparentForMouseEvents);
    cursorLine_->hide();
    zoomRect_ = new TColorBoxARGB(this, true, kZoomRectColor);
    zoomRect_->setAttribute(Qt::WA_TransparentForMouseEvents);
    zoomRect_->hide();
}

void TGraphChart::SetLogManagement(const TLogManagement* logs) {
    logs_ = logs;
}

void TGraphChart::SetSettingDialog(TsettingChart* dialog) {
    settingDialog_ = dialog;
    if (dialog != nullptr) {
        dialog->OnRedrawRequest = [chart = QPointer<TGraphChart>(this)](QObject*) {
            if (chart) {
                chart->RequestRedraw();
            }
        };
        dialog->ApplyLanguage();
    }
}

void TGraphChart::RefreshData() {
    static const SensorLog kNoLog;
    const std::shared_ptr<const SensorLog> log = logs_ != nullptr ? logs_->Snapshot() : nullptr;
    const views::ChartBarRanges bars = view_.RefreshData(log ? *log : kNoLog, TotalMs());
    timeZoom_->SetRange(bars.timeMinimum, bars.timeMaximum);
    valueZoom_->SetRange(bars.valueMinimum, bars.valueMaximum);
    RequestRedraw();
}

void TGraphChart::ResetTimeRange() {
    timeZoom_->SetPosition(view_.ResetTimeRange(TotalMs()));
}

void TGraphChart::SetCursorTime(double ms) {
    cursorTime_ = ms;
    PlaceCursor();
}

void TGraphChart::ApplyLanguage() {
    timeZoom_->setToolTip(UiText(27));
    valueZoom_->setToolTip(UiText(27));
    panButton_->setToolTip(UiText(25));
    zoomButton_->setToolTip(UiText(26));
    fitButton_->setToolTip(UiText(28));
    settingButton_->setToolTip(UiText(29));
    infoButton_->setToolTip(UiText(24));
    if (settingDialog_) {
        settingDialog_->ApplyLanguage();
    }
}

void TGraphChart::RequestRedraw() {
    if (!renderThread_) {
        return;  // still being built
    }
    views::ChartRenderInput input;
    input.log = logs_ != nullptr ? logs_->Snapshot() : nullptr;
    input.view = view_.State();
    input.settings = Settings();
    input.size = size();
    input.pixelRatio = devicePixelRatioF();
    input.labelFont = font().toString();
    lastRequest_ = renderThread_->RequestRedraw(std::move(input));
}

void TGraphChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (shown_.image.isNull()) {
        views::FillChartBackground(painter, size());  // before the first picture
        return;
    }
    painter.drawImage(rect(), shown_.image);
}

void TGraphChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (height() >= kMinValueBarHeight) {
        cursorLine_->resize(kCursorWidth, height() - kCursorMargin);
        RequestRedraw();
        valueZoom_->show();
    } else {
        valueZoom_->hide();
    }
}

void TGraphChart::mousePressEvent(QMouseEvent* event) {
    Apply(view_.Press(event->position()));
}

void TGraphChart::mouseMoveEvent(QMouseEvent* event) {
    Apply(view_.Move(event->position(), (event->buttons() & Qt::LeftButton) != 0));
}

void TGraphChart::mouseReleaseEvent(QMouseEvent* event) {
    Apply(view_.Release(event->position(), TotalMs()));
}

void TGraphChart::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    Apply(view_.Leave());
}

void TGraphChart::OnTimeZoomChange() {
    Apply(view_.TimeZoom(timeZoom_->Position()));
}

void TGraphChart::OnValueZoomChange() {
    Apply(view_.ValueZoom(valueZoom_->Position()));
}

void TGraphChart::OnChartSetting() {
    if (settingDialog_) {
        settingDialog_->show();
        settingDialog_->raise();
        settingDialog_->activateWindow();
    }
}

void TGraphChart::OnModeButton(QObject* sender) {
    const bool pan = sender == panButton_;
    panButton_->SetState(pan ? kLatched : kNormal);
    zoomButton_->SetState(pan ? kNormal : kLatched);
    view_.SetMode(pan ? views::ChartMode::Pan : views::ChartMode::Zoom);
}

void TGraphChart::OnFitSize() {
    Apply(view_.FitSize(TotalMs()));
}

void TGraphChart::Apply(const views::ChartViewChange& change) {
    if (change.timeBarPosition) {
        timeZoom_->SetPosition(*change.timeBarPosition);
    }
    if (change.valueBarPosition) {
        valueZoom_->SetPosition(*change.valueBarPosition);
    }
    if (change.zoomRect) {
        zoomRect_->setGeometry(*change.zoomRect);
        zoomRect_->show();
    }
    if (change.hideZoomRect) {
        zoomRect_->hide();
    }
    if (change.cursor) {
        if (*change.cursor == Qt::ArrowCursor) {
            unsetCursor();
        } else {
            setCursor(*change.cursor);
        }
    }
    if (change.redraw) {
        RequestRedraw();
    }
    // Last: the seek comes back into the chart through the cursor.
    if (change.seekSeconds && OnPlayPosChange) {
        OnPlayPosChange(this, *change.seekSeconds);
    }
}

void TGraphChart::PictureArrived() {
    // The picture and its plot together: what is painted is what the mouse maps to.
    shown_ = renderThread_->Front();
    view_.SetPlot(shown_.plot);
    PlaceCursor();
    update();
}

void TGraphChart::PlaceCursor() {
    const std::optional<int> x = cursorTime_ ? view_.CursorX(*cursorTime_) : std::nullopt;
    if (!x) {
        cursorLine_->hide();
        return;
    }
    cursorLine_->move(*x, kCursorTop);
    cursorLine_->show();
}

double TGraphChart::TotalMs() const {
    return logs_ != nullptr ? logs_->Total() : 0.0;
}

views::ChartSettings TGraphChart::Settings() {
    if (settingDialog_) {
        settings_ = settingDialog_->LiveSettings();
    }
    return settings_;
}
