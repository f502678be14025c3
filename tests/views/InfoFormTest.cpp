#include "SampleLogs.h"
#include "controls/ImageBox.h"
#include "views/GMForm.h"
#include "views/InfoFrom.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

SensorLog Drive(std::uint32_t count) {
    return SampleLog(count, [](SensorLog& log, std::uint32_t i) {
        log.gX[i] = 0.125f * static_cast<float>(i);
        log.obdSpeed[i] = 100.0f;
        log.gpsSpeed[i] = 80.4672f;
        log.coolant[i] = 37;
        log.latitude[i] = 24.81049f;
        log.longitude[i] = 121.0361f;
    });
}

class InfoFormTest : public testing::Test {
  protected:
    InfoFormTest() { _GoogleMapForm = &map_; }
    ~InfoFormTest() override { _GoogleMapForm = nullptr; }

    // Whether the lamp around a point of the window shows lit (green).
    bool LitAt(QPoint point) {
        const QColor colour = form_.grab().toImage().pixelColor(point);
        return colour.green() > 150 && colour.green() > colour.red() + 60;
    }

    TGoogleMapForm map_;
    TInfoForm form_;
};

TEST_F(InfoFormTest, ShowsTheSampleInBothWindowsAndLightsTheLamps) {
    EXPECT_EQ(form_.labDataGX->text(), QStringLiteral("0.000"));
    EXPECT_FALSE(LitAt(QPoint(322, 134)));

    SensorLog log = Drive(4);
    log.turnLamps[2] = 1;  // left
    form_.SetLogSource(&log);
    form_.UpdateInfo(450.0);
    EXPECT_EQ(form_.labDataGX->text(), QStringLiteral("0.250"));
    EXPECT_EQ(form_.labDataOBDIISpeed->text(), QStringLiteral("100"));
    EXPECT_EQ(map_.labDataGPSSpeed->text(), QStringLiteral("80"));
    EXPECT_EQ(map_.labDataLat->text(), QStringLiteral("24.8105"));
    EXPECT_EQ(map_.labDataLon->text(), QStringLiteral("121.0361"));
    EXPECT_TRUE(LitAt(QPoint(322, 134)));   // left lamp
    EXPECT_FALSE(LitAt(QPoint(382, 134)));  // right lamp

    form_.UpdateInfo(650.0);  // lamps out
    EXPECT_FALSE(LitAt(QPoint(322, 134)));

    // A shorter play list: the sample shown before is no longer there.
    const SensorLog shorter = Drive(2);
    form_.SetLogSource(&shorter);
    form_.UpdateInfo(0.0);
    EXPECT_EQ(form_.labDataGX->text(), QStringLiteral("0.000"));
    EXPECT_EQ(form_.labDataOBDIISpeed->text(), QStringLiteral("0"));
}

TEST_F(InfoFormTest, ContextMenuSwitchesTheUnits) {
    form_.show();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(300, 40),
                            form_.mapToGlobal(QPoint(300, 40)));
    QApplication::sendEvent(&form_, &click);
    EXPECT_TRUE(form_.popUnitSelect->isVisible());
    form_.popUnitSelect->hide();

    const SensorLog log = Drive(3);
    form_.SetLogSource(&log);
    form_.UpdateInfo(300.0);
    form_.memumph->trigger();
    // Shown again at once from the sample shown last, in miles.
    EXPECT_EQ(form_.labDataOBDIISpeed->text(), QStringLiteral("62"));
    EXPECT_EQ(map_.labDataGPSSpeed->text(), QStringLiteral("50"));
    EXPECT_EQ(form_.labSpdUnit->text(), QStringLiteral("mph"));
    EXPECT_EQ(map_.labSpdUnit->text(), QStringLiteral("mph"));
    EXPECT_FALSE(form_.memukmh->isChecked());

    form_.memuFah->trigger();
    EXPECT_EQ(form_.labDataOBDIITemp->text(), QStringLiteral("98"));
    EXPECT_EQ(form_.labTempUnit->text(), QStringLiteral("℉"));
    form_.memuCel->trigger();
    EXPECT_EQ(form_.labDataOBDIITemp->text(), QStringLiteral("37"));
    EXPECT_TRUE(form_.memuCel->isChecked());
    EXPECT_FALSE(form_.memuFah->isChecked());
}

}  // namespace
