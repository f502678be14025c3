#include "InfoFrom.h"

#include "controls/ImageBox.h"
#include "foundation/ProgramFont.h"
#include "foundation/UiStringTable.h"
#include "recordings/LogManagement.h"
#include "views/GMConnect.h"
#include "views/GMForm.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

TInfoForm* _InfoForm = nullptr;

namespace {

const QString kLampOn = QStringLiteral("RID_TurnLampON");
const QString kLampOff = QStringLiteral("RID_TurnLampOff");

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& bounds,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(bounds);
    label->setAlignment(alignment);
    return label;
}

// A G value over the vehicle picture: bold, in the window colour, right-aligned.
QLabel* MakeGLabel(QWidget* parent, int row) {
    QLabel* label =
        MakeLabel(parent, {}, QRect(43, 24 + row * 32, 45, 22), Qt::AlignRight | Qt::AlignVCenter);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Base));
    label->setPalette(palette);
    return label;
}

}  // namespace

TInfoForm::TInfoForm(QWidget* owner) : QDialog(owner) {
    setFont(foundation::ProgramFont());
    setFixedSize(422, 167);

    Image1 = new TImageBox(this, QStringLiteral("InfoVehicle"), controls::kAnchorsLeftTop,
                           QRect(10, 10, 220, 149));
    labDataGX = MakeGLabel(this, 0);
    labDataGY = MakeGLabel(this, 1);
    labDataGZ = MakeGLabel(this, 2);
    labDataGG = MakeGLabel(this, 3);

    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    ODBII = new QGroupBox(this);
    ODBII->setGeometry(240, 6, 172, 94);
    labOBDSpeed = MakeLabel(ODBII, {}, QRect(10, 20, 64, 18));
    labDataOBDIISpeed = MakeLabel(ODBII, {}, QRect(74, 20, 46, 18), right);
    labSpdUnit = MakeLabel(ODBII, views::SpeedUnitText({}), QRect(126, 20, 40, 18));
    labOBDBatt = MakeLabel(ODBII, {}, QRect(10, 44, 64, 18));
    labDataOBDIIBatt = MakeLabel(ODBII, {}, QRect(74, 44, 46, 18), right);
    labOBDTemp = MakeLabel(ODBII, {}, QRect(10, 68, 64, 18));
    labDataOBDIITemp = MakeLabel(ODBII, {}, QRect(74, 68, 46, 18), right);
    labTempUnit = MakeLabel(ODBII, views::TemperatureUnitText({}), QRect(126, 68, 40, 18));
    // Engine speed is kept up to date but not shown.
    labOBDRMP = MakeLabel(ODBII, {}, QRect(10, 68, 64, 18));
    labDataOBDIIRMP = MakeLabel(ODBII, {}, QRect(74, 68, 46, 18), right);
    Label1 = MakeLabel(ODBII, QStringLiteral("RPM"), QRect(126, 68, 40, 18));
    labOBDRMP->hide();
    labDataOBDIIRMP->hide();
    Label1->hide();

    TurnSingnal = new QGroupBox(this);
    TurnSingnal->setGeometry(292, 104, 120, 55);
    const controls::Anchors topRight = controls::AnchorTop | controls::AnchorRight;
    leftLamp_ =
        new TImageBox(TurnSingnal, kLampOff, topRight, controls::BoundsRect(15, 15, 45, 45));
    rightLamp_ =
        new TImageBox(TurnSingnal, kLampOff, topRight, controls::BoundsRect(75, 15, 105, 45));

    BuildMenu();
    UpdateLanguage();
    UpdateInfo(0.0);
}

void TInfoForm::BuildMenu() {
    popUnitSelect = new QMenu(this);
    menuSpeed = popUnitSelect->addMenu(QString());
    memukmh = menuSpeed->addAction(QString());
    memumph = menuSpeed->addAction(QString());
    menuTemp = popUnitSelect->addMenu(QString());
    memuCel = menuTemp->addAction(QString());
    memuFah = menuTemp->addAction(QString());
    for (QAction* item : {memukmh, memumph, memuCel, memuFah}) {
        item->setCheckable(true);
        QObject::connect(item, &QAction::triggered, this, [this, item] { UnitChangeClick(item); });
    }
    memukmh->setChecked(true);
    memuCel->setChecked(true);
}

void TInfoForm::contextMenuEvent(QContextMenuEvent* event) {
    popUnitSelect->popup(event->globalPos());
}

void TInfoForm::UpdateLanguage() {
    setWindowTitle(UiText(49));
    ODBII->setTitle(UiText(40));
    labOBDSpeed->setText(UiText(39));
    labOBDRMP->setText(UiText(41));
    labOBDBatt->setText(UiText(43));
    labOBDTemp->setText(UiText(42));
    TurnSingnal->setTitle(UiText(44));
    menuSpeed->setTitle(UiText(52));
    menuTemp->setTitle(UiText(53));
    memukmh->setText(UiText(54));
    memumph->setText(UiText(55));
    memuCel->setText(UiText(56));
    memuFah->setText(UiText(57));
}

void TInfoForm::UnitChangeClick(QObject* sender) {
    if (sender == memukmh || sender == memumph) {
        memukmh->setChecked(sender == memukmh);
        memumph->setChecked(sender == memumph);
        const QString unit = views::SpeedUnitText({memukmh->isChecked(), true});
        labSpdUnit->setText(unit);
        if (_GoogleMapForm != nullptr) {
            _GoogleMapForm->labSpdUnit->setText(unit);
        }
    } else if (sender == memuCel || sender == memuFah) {
        memuCel->setChecked(sender == memuCel);
        memuFah->setChecked(sender == memuFah);
        labTempUnit->setText(views::TemperatureUnitText({true, memuCel->isChecked()}));
    }
    UpdateInfo(-1.0);
}

void TInfoForm::UpdateInfo(double ms) {
    static const SensorLog kEmpty;
    const SensorLog& log = logSource_ != nullptr   ? *logSource_
                           : LogManager != nullptr ? LogManager->MergedLog()
                                                   : kEmpty;
    selIndex_ = views::FindInfoSample(log, ms, selIndex_);
    if (selIndex_ < 0) {
        ShowTexts(views::InfoTexts());
        return;
    }
    const auto i = static_cast<std::uint32_t>(selIndex_);
    ShowTexts(views::SampleTexts(log, selIndex_, {memukmh->isChecked(), memuCel->isChecked()}));
    ShowLamps(log.turnLamps[i]);
    if (GMConnect* map = GMConnect::Instance()) {
        map->SetPosition(log.latitude[i], log.longitude[i]);
    }
}

void TInfoForm::ShowTexts(const views::InfoTexts& texts) {
    labDataGX->setText(texts.gX);
    labDataGY->setText(texts.gY);
    labDataGZ->setText(texts.gZ);
    labDataGG->setText(texts.gTotal);
    labDataOBDIISpeed->setText(texts.obdSpeed);
    labDataOBDIIRMP->setText(texts.rpm);
    labDataOBDIIBatt->setText(texts.battery);
    labDataOBDIITemp->setText(texts.coolant);
    if (_GoogleMapForm != nullptr) {
        _GoogleMapForm->labDataGPSSpeed->setText(texts.gpsSpeed);
        _GoogleMapForm->labDataLat->setText(texts.latitude);
        _GoogleMapForm->labDataLon->setText(texts.longitude);
    }
}

void TInfoForm::ShowLamps(std::uint32_t bits) {
    const views::TurnLamps::Change change = lamps_.Update(bits);
    if (change.changed) {
        leftLamp_->SetImage(change.left ? kLampOn : kLampOff);
        rightLamp_->SetImage(change.right ? kLampOn : kLampOff);
    }
}
