#include "GMForm.h"

#include "foundation/ProgramFont.h"
#include "foundation/UiStringTable.h"
#include "recordings/LogManagement.h"
#include "views/InfoValues.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TGoogleMapForm* _GoogleMapForm = nullptr;

namespace {

constexpr QRgb kFormColour = 0xFF333333;
constexpr QRgb kCaptionColour = 0xFFC8C8C8;
constexpr QRgb kValueColour = 0xFFFFFFFF;

QLabel* MakeLabel(QWidget* parent, const QString& text, QRgb colour, bool bold,
                  int minimumWidth = 0) {
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgba(colour));
    label->setPalette(palette);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    if (minimumWidth > 0) {
        label->setMinimumWidth(minimumWidth);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    return label;
}

}  // namespace

TGoogleMapForm::TGoogleMapForm(QWidget* owner) : QWidget(owner, Qt::Window) {
    setFont(foundation::ProgramFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgba(kFormColour));
    setPalette(palette);
    setAutoFillBackground(true);
    resize(588, 481);

    const views::InfoTexts noData;
    topPanel = new QWidget(this);
    topPanel->setFixedHeight(25);
    labGPSSpeed = MakeLabel(topPanel, {}, kCaptionColour, false);
    labDataGPSSpeed = MakeLabel(topPanel, noData.gpsSpeed, kValueColour, true, 32);
    labSpdUnit = MakeLabel(topPanel, views::SpeedUnitText({}), kCaptionColour, false);
    labLat = MakeLabel(topPanel, {}, kCaptionColour, false);
    labDataLat = MakeLabel(topPanel, noData.latitude, kValueColour, true, 64);
    labLon = MakeLabel(topPanel, {}, kCaptionColour, false);
    labDataLon = MakeLabel(topPanel, noData.longitude, kValueColour, true, 72);
    auto* row = new QHBoxLayout(topPanel);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(6);
    row->addWidget(labGPSSpeed);
    row->addWidget(labDataGPSSpeed);
    row->addWidget(labSpdUnit);
    row->addSpacing(24);
    row->addWidget(labLat);
    row->addWidget(labDataLat);
    row->addSpacing(24);
    row->addWidget(labLon);
    row->addWidget(labDataLon);
    row->addStretch(1);

    panelMap = new QWidget(this);
    panelMap->installEventFilter(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(topPanel);
    column->addWidget(panelMap, 1);

    map_ = std::make_unique<GMConnect>(
        panelMap, [this](int kind, std::int64_t value, int) { OnMapTimeClicked(kind, value); });
    UpdateLanguage();
}

TGoogleMapForm::~TGoogleMapForm() {
    // The bridge and its browser go before the panel they live on.
    map_.reset();
    if (_GoogleMapForm == this) {
        _GoogleMapForm = nullptr;
    }
}

void TGoogleMapForm::UpdateLanguage() {
    setWindowTitle(UiText(38));
    labGPSSpeed->setText(UiText(39));
    labLat->setText(UiText(50));
    labLon->setText(UiText(51));
}

std::optional<double> TGoogleMapForm::ClickedSeconds(int kind, std::int64_t ms, double totalMs) {
    if (kind != 1 || ms < 0 || static_cast<double>(ms) > totalMs) {
        return std::nullopt;
    }
    return static_cast<double>(ms / 1000);
}

void TGoogleMapForm::OnMapTimeClicked(int kind, std::int64_t ms) {
    const double total = LogManager != nullptr ? LogManager->Total() : 0.0;
    const std::optional<double> seconds = ClickedSeconds(kind, ms, total);
    if (seconds && OnPositionChange) {
        OnPositionChange(this, *seconds);
    }
}

void TGoogleMapForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    map_->OpenPage();
    FormResize();
}

void TGoogleMapForm::closeEvent(QCloseEvent* event) {
    FormClose(event);
}

void TGoogleMapForm::FormClose(QCloseEvent* event) {
    // Closing only hides the window; the page and its track stay.
    event->ignore();
    hide();
}

bool TGoogleMapForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panelMap && event->type() == QEvent::Resize) {
        FormResize();
    }
    return QWidget::eventFilter(watched, event);
}

void TGoogleMapForm::FormResize() {
    map_->Resize();
}
