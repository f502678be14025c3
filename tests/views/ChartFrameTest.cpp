#include "controls/ColorBoxARGB.h"
#include "controls/HScrollBar.h"
#include "controls/IconButton.h"
#include "controls/VScrollBar.h"
#include "foundation/PreferenceTable.h"
#include "platform/Registry.h"
#include "support/DemoMergedLog.h"
#include "support/WaitUntil.h"
#include "views/ChartFrame.h"
#include "views/ChartRenderer.h"
#include "views/ChartSetting.h"

#include <QCheckBox>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kAxis = 0xFFF0F0F0;

// The chart at its design size over a two-minute drive, G axis only: the plot is
// 764 x 189 px from (50, 35).
class ChartFrameTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(demo.Load(folder.path(), 2, 60, &error)) << error.toStdString();
        total = demo.Logs().Total();
        chart = std::make_unique<TGraphChart>(nullptr);
        chart->SetLogManagement(&demo.Logs());
        chart->OnPlayPosChange = [this](QObject* sender, double seconds) {
            EXPECT_EQ(sender, chart.get());
            seeks.push_back(seconds);
        };
        chart->show();
        chart->ResetTimeRange();
        chart->RefreshData();
        ASSERT_TRUE(ShowsWindow(0, total));
    }

    // Until the picture on screen shows this time window.
    bool ShowsWindow(double start, double end) {
        return WaitUntil([&] {
            const views::ChartPlot& plot = chart->View().Plot();
            return plot.view.timeStart == start && plot.view.timeEnd == end;
        });
    }

    QTemporaryDir folder;
    DemoMergedLog demo;
    QString error;
    double total = 0;
    std::unique_ptr<TGraphChart> chart;
    std::vector<double> seeks;
};

}  // namespace

TEST_F(ChartFrameTest, RescalesToTheMergedLogAndPaintsThePicture) {
    EXPECT_EQ(chart->TimeZoomBar()->Maximum(), total);
    EXPECT_EQ(chart->ValueZoomBar()->Maximum(), 80);  // speeds up to 70 km/h
    EXPECT_EQ(chart->ValueZoomBar()->Minimum(), 8);
    EXPECT_EQ(chart->grab().toImage().pixel(50, 150), kAxis);  // the G axis of the picture
}

TEST_F(ChartFrameTest, AClickSeeksEvenOnTheCursorLine) {
    const double msPerPixel = total / 764;
    chart->SetCursorTime(100 * msPerPixel);
    ASSERT_TRUE(chart->CursorLine()->isVisible());
    EXPECT_EQ(chart->CursorLine()->x(), 150);
    QTest::mouseClick(chart.get(), Qt::LeftButton, {}, QPoint(151, 100));
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_NEAR(seeks[0], 101 * msPerPixel / 1000, 1e-9);
    QTest::mouseClick(chart.get(), Qt::LeftButton, {}, QPoint(30, 100));  // on the labels
    EXPECT_EQ(seeks.size(), 1u);
}

TEST_F(ChartFrameTest, ZoomModeDragAppliesTheRectangle) {
    QTest::mouseClick(chart->findChild<TIconButton*>(QStringLiteral("zoomButton")), Qt::LeftButton);
    EXPECT_EQ(chart->findChild<TIconButton*>(QStringLiteral("panButton"))->State(), 1);
    QTest::mousePress(chart.get(), Qt::LeftButton, {}, QPoint(150, 60));
    QTest::mouseMove(chart.get(), QPoint(155, 60));
    QTest::mouseMove(chart.get(), QPoint(250, 160));
    EXPECT_TRUE(chart->ZoomRect()->isVisible());
    EXPECT_EQ(chart->ZoomRect()->geometry(), QRect(150, 60, 100, 100));
    // An opaque frame 2 px wide, corners included, round a translucent inside.
    const QImage box = chart->grab(QRect(150, 60, 100, 100)).toImage();
    for (QPoint frame : {QPoint(0, 0), QPoint(1, 1), QPoint(98, 50), QPoint(99, 99)}) {
        EXPECT_EQ(box.pixel(frame), 0xFFEBEBEB) << frame.x() << "," << frame.y();
    }
    EXPECT_NE(box.pixel(2, 2), 0xFFEBEBEB);
    QTest::mouseRelease(chart.get(), Qt::LeftButton, {}, QPoint(250, 160));
    EXPECT_FALSE(chart->ZoomRect()->isVisible());
    EXPECT_TRUE(seeks.empty());
    const double msPerPixel = total / 764;
    EXPECT_NEAR(chart->TimeZoomBar()->Position(), 100 * msPerPixel, 1e-6);
    ASSERT_TRUE(ShowsWindow(100 * msPerPixel, 200 * msPerPixel));
}

// Pressed and released on the same column after a drag down: a click that seeks,
// with the thin rectangle of the drag left on the chart until the next zoom.
TEST_F(ChartFrameTest, ZoomModeVerticalDragReleasedAtThePressSeeks) {
    QTest::mouseClick(chart->findChild<TIconButton*>(QStringLiteral("zoomButton")), Qt::LeftButton);
    QTest::mousePress(chart.get(), Qt::LeftButton, {}, QPoint(300, 50));
    QTest::mouseMove(chart.get(), QPoint(301, 120));
    QTest::mouseMove(chart.get(), QPoint(302, 180));
    QTest::mouseRelease(chart.get(), Qt::LeftButton, {}, QPoint(302, 180));
    const double msPerPixel = total / 764;
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_NEAR(seeks[0], 252 * msPerPixel / 1000, 1e-9);
    EXPECT_TRUE(chart->ZoomRect()->isVisible());
    EXPECT_EQ(chart->ZoomRect()->geometry(), QRect(300, 50, 2, 130));
    EXPECT_EQ(chart->TimeZoomBar()->Position(), total);  // no zoom applied

    QTest::mousePress(chart.get(), Qt::LeftButton, {}, QPoint(150, 60));
    QTest::mouseMove(chart.get(), QPoint(250, 160));
    QTest::mouseRelease(chart.get(), Qt::LeftButton, {}, QPoint(250, 160));
    EXPECT_FALSE(chart->ZoomRect()->isVisible());
    EXPECT_EQ(seeks.size(), 1u);
    ASSERT_TRUE(ShowsWindow(100 * msPerPixel, 200 * msPerPixel));
}

TEST_F(ChartFrameTest, CursorWaitsForAPictureWithATimeScale) {
    chart->SetCursorTime(1000);
    ASSERT_TRUE(chart->CursorLine()->isVisible());
    chart->resize(854, 69);  // no plot: no picture, no scale change
    chart->SetCursorTime(2000);
    EXPECT_TRUE(chart->CursorLine()->isVisible());  // the picture on screen still has its scale
    EXPECT_FALSE(chart->ValueZoomBar()->isVisible());

    TGraphChart fresh(nullptr);
    fresh.resize(854, 60);
    fresh.show();
    fresh.SetCursorTime(1000);  // no picture yet: no scale to place it with
    EXPECT_FALSE(fresh.CursorLine()->isVisible());
    // Until a picture exists the background shows.
    QImage expected(fresh.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&expected);
    views::FillChartBackground(painter, expected.size());
    painter.end();
    EXPECT_EQ(fresh.grab().toImage().pixel(400, 30), expected.pixel(400, 30));
}

TEST_F(ChartFrameTest, SettingsDialogDrivesTheSeries) {
    QFile::remove(platform::Registry::DefaultFilePath());
    ASSERT_EQ(foundation::WriteDefaultsOnFirstStart(),
              foundation::FirstStartResult::DefaultsWritten);
    TsettingChart dialog(nullptr);
    chart->SetSettingDialog(&dialog);
    dialog.CheckBox(views::ChartSeries::ObdSpeed)->setChecked(true);
    dialog.btnRefreshClick();  // asks for a picture with the speed axis
    ASSERT_TRUE(WaitUntil([&] { return chart->View().Plot().left == 90; }));
    // Once the dialog is gone the chart keeps its last settings.
    chart->SetSettingDialog(nullptr);
    chart->RequestRedraw();
    ASSERT_TRUE(WaitUntil([&] { return chart->PictureCurrent(); }));
    EXPECT_EQ(chart->View().Plot().left, 90);
}
