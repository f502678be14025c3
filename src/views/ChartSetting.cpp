#include "ChartSetting.h"

#include "foundation/PreferenceTable.h"
#include "foundation/UiStringTable.h"
#include "platform/DebugOutput.h"
#include "views/ColorPickButton.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

using views::ChartSeries;

namespace {

constexpr QSize kClientSize(227, 353);

enum Group { kGroupG, kGroupObd, kGroupGps };

struct GroupLook {
    const char* name;
    int caption;  // string table key
    QRect bounds;
};
constexpr GroupLook kGroups[] = {
    {"boxG", 30, {6, 6, 215, 106}},
    {"boxOBD", 40, {6, 116, 215, 148}},
    {"boxGPS", 38, {6, 268, 215, 43}},
};

// One check box and, beside it, the colour box of its series.
struct Row {
    ChartSeries series;
    const char* name;
    int caption;
    int hint;  // 0: none
    Group group;
    int line;
    int color;  // -1: no colour box on this line
    const char* colorName;
};
constexpr Row kRows[] = {
    {ChartSeries::GX, "cbGX", 31, 35, kGroupG, 0, views::kColorGX, "colorGX"},
    {ChartSeries::GY, "cbGY", 32, 36, kGroupG, 1, views::kColorGY, "colorGY"},
    {ChartSeries::GZ, "cbGZ", 33, 37, kGroupG, 2, views::kColorGZ, "colorGZ"},
    {ChartSeries::GTotal, "cbGG", 34, 0, kGroupG, 3, views::kColorGTotal, "colorGG"},
    {ChartSeries::ObdSpeed, "cbOBDSpeed", 39, 0, kGroupObd, 0, views::kColorObdSpeed,
     "colorOBDSpeed"},
    {ChartSeries::Rpm, "cbOBDRPM", 41, 0, kGroupObd, 1, views::kColorRpm, "colorOBDRPM"},
    {ChartSeries::Coolant, "cbOBDTemp", 42, 0, kGroupObd, 2, views::kColorCoolant, "colorOBDTemp"},
    {ChartSeries::Battery, "cbOBDBattV", 43, 0, kGroupObd, 3, views::kColorBattery,
     "colorOBDBattV"},
    {ChartSeries::TurnLamps, "cbOBDTurnLamp", 44, 0, kGroupObd, 4, -1, nullptr},
    {ChartSeries::GpsSpeed, "cbGPSSpeed", 39, 0, kGroupGps, 0, views::kColorGpsSpeed,
     "colorGPSSpeed"},
};

// Inside a group box.
constexpr int kFirstLineY = 18;
constexpr int kLinePitch = 21;
constexpr QRect kCheckBounds(10, 0, 130, 20);
constexpr QRect kColorBounds(149, 1, 56, 18);
constexpr int kLampLine = 5;  // the lamps' two colour boxes, under their check box
constexpr QRect kLeftLabelBounds(26, 0, 30, 20);
constexpr QRect kLeftColorBounds(58, 1, 56, 18);
constexpr QRect kRightLabelBounds(114, 0, 33, 20);

constexpr QRect kRestoreBounds(14, 318, 92, 26);
constexpr QRect kRefreshBounds(121, 318, 92, 26);

QRect OnLine(QRect bounds, int line) {
    return bounds.translated(0, kFirstLineY + line * kLinePitch);
}

}  // namespace

TsettingChart::TsettingChart(QWidget* owner) : QDialog(owner) {
    setModal(false);
    setFixedSize(kClientSize);
    BuildControls();
    ApplyLanguage();
    if (views::LoadChartSettings(stored_) == views::ChartSettingsResult::KeyMissing) {
        foundation::ShowInitialError();
    }
    ShowStored();
}

void TsettingChart::BuildControls() {
    for (int g = 0; g < 3; ++g) {
        groups_[g] = new QGroupBox(this);
        groups_[g]->setObjectName(QString::fromLatin1(kGroups[g].name));
        groups_[g]->setGeometry(kGroups[g].bounds);
    }
    for (const Row& row : kRows) {
        QGroupBox* group = groups_[row.group];
        auto* check = new QCheckBox(group);
        check->setObjectName(QString::fromLatin1(row.name));
        check->setGeometry(OnLine(kCheckBounds, row.line));
        connect(check, &QCheckBox::toggled, this,
                [this, series = row.series](bool on) { live_.SetShown(series, on); });
        checks_[static_cast<std::size_t>(row.series)] = check;
        if (row.color >= 0) {
            colors_[row.color] = new views::ColorPickButton(group, OnLine(kColorBounds, row.line));
            colors_[row.color]->setObjectName(QString::fromLatin1(row.colorName));
        }
    }
    QGroupBox* obd = groups_[kGroupObd];
    labTurnLeft_ = new QLabel(obd);
    labTurnLeft_->setGeometry(OnLine(kLeftLabelBounds, kLampLine));
    colors_[views::kColorTurnLeft] =
        new views::ColorPickButton(obd, OnLine(kLeftColorBounds, kLampLine));
    colors_[views::kColorTurnLeft]->setObjectName(QStringLiteral("colorOBDTurnL"));
    labTurnRight_ = new QLabel(obd);
    labTurnRight_->setGeometry(OnLine(kRightLabelBounds, kLampLine));
    labTurnRight_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    colors_[views::kColorTurnRight] =
        new views::ColorPickButton(obd, OnLine(kColorBounds, kLampLine));
    colors_[views::kColorTurnRight]->setObjectName(QStringLiteral("colorOBDTurnR"));
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        colors_[i]->OnChange = [this, i](QObject*, QRgb color) {
            live_.colors[i] = views::BgrOf(color);
        };
    }

    btnRestore_ = new QPushButton(this);
    btnRestore_->setGeometry(kRestoreBounds);
    connect(btnRestore_, &QPushButton::clicked, this, [this] { btnRestoreClick(); });
    btnRefresh_ = new QPushButton(this);
    btnRefresh_->setGeometry(kRefreshBounds);
    connect(btnRefresh_, &QPushButton::clicked, this, [this] { btnRefreshClick(); });
}

void TsettingChart::ApplyLanguage() {
    setWindowTitle(UiText(29));
    for (int g = 0; g < 3; ++g) {
        groups_[g]->setTitle(UiText(kGroups[g].caption));
    }
    for (const Row& row : kRows) {
        QCheckBox* check = checks_[static_cast<std::size_t>(row.series)];
        check->setText(UiText(row.caption));
        if (row.hint != 0) {
            check->setToolTip(UiText(row.hint));
        }
    }
    labTurnLeft_->setText(UiText(45));
    labTurnRight_->setText(UiText(46));
    btnRestore_->setText(UiText(47));
    btnRefresh_->setText(UiText(48));
}

QCheckBox* TsettingChart::CheckBox(ChartSeries series) const {
    return checks_[static_cast<std::size_t>(series)];
}

views::ColorPickButton* TsettingChart::ColorBox(int colorIndex) const {
    return colors_[static_cast<std::size_t>(colorIndex)];
}

void TsettingChart::btnRefreshClick() {
    stored_ = live_;
    RequestRedraw();
    changed_ = true;
}

void TsettingChart::btnRestoreClick() {
    ShowStored();
    RequestRedraw();  // the chart shows what the boxes show
}

void TsettingChart::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {  // not a restore from the task bar
        FormShow();
    }
}

void TsettingChart::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {  // not a minimise
        FormHide();
    }
}

void TsettingChart::FormShow() {
    changed_ = false;
    ShowStored();
    RequestRedraw();
}

void TsettingChart::FormHide() {
    if (!changed_) {
        return;
    }
    // The flag stays set until the dialog is shown again.
    switch (views::SaveChartSettings(stored_)) {
        case views::ChartSettingsResult::Done:
            break;
        case views::ChartSettingsResult::KeyMissing:
            foundation::ShowInitialError();
            break;
        case views::ChartSettingsResult::WriteFailed:
            platform::DebugOutput::Write(
                QStringLiteral("Chart settings: the settings file could not be written"));
            break;
    }
}

void TsettingChart::ShowStored() {
    live_ = stored_;
    for (const Row& row : kRows) {
        checks_[static_cast<std::size_t>(row.series)]->setChecked(stored_.Shows(row.series));
    }
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        colors_[i]->SetColor(views::OpaqueArgbOf(stored_.colors[i]));
    }
}

void TsettingChart::RequestRedraw() {
    if (OnRedrawRequest) {
        OnRedrawRequest(this);
    }
}
