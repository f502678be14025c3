// The sensor chart over a demo drive's merged log (its default series, every
// series with the cursor, a zoomed range with the turn lamps, a zoom rectangle
// being drawn), one picture with GPS speed and RPM too, and the chart settings
// dialog in each language.
#include "Gallery.h"
#include "controls/IconButton.h"
#include "foundation/UiStringTable.h"
#include "recordings/SensorLog.h"
#include "support/DemoMergedLog.h"
#include "views/ChartFrame.h"
#include "views/ChartRenderer.h"
#include "views/ChartSetting.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>

using gallery::Book;

namespace {

constexpr int kRecordings = 3;  // five minutes each
constexpr int kSeconds = 300;
constexpr int kPictureTimeoutMs = 10000;

// Asks for a picture of what the chart shows now and waits until it is on screen
// (a picture of an earlier request may arrive first).
void Redraw(TGraphChart& chart) {
    chart.RequestRedraw();
    QElapsedTimer timer;
    timer.start();
    while (!chart.PictureCurrent() && timer.elapsed() < kPictureTimeoutMs) {
        QApplication::processEvents();
        QThread::msleep(1);
    }
}

// The recorder's MPEG-TS log carries neither GPS speed nor RPM, so on a demo drive
// both lie on the time axis. A copy with plausible values for them shows every
// series' colour and axis.
std::shared_ptr<const SensorLog> WithGpsAndRpm(const SensorLog& merged) {
    auto log = std::make_shared<SensorLog>();
    if (!recordings::AllocateSensorLog(*log, merged.count)) {
        return nullptr;
    }
    recordings::CopySensorLogSamples(merged, 0, merged.count, *log, 0);
    log->count = merged.count;
    for (std::uint32_t i = 0; i < log->count; ++i) {
        const float speed = log->obdSpeed[i];
        log->gpsSpeed[i] = std::max(0.0f, speed - 4.0f);
        log->rpm[i] = static_cast<std::uint16_t>(speed > 0 ? 900 + 16 * speed : 750);
    }
    recordings::ComputeSensorLogExtremes(*log);
    return log;
}

void AddEveryChannelPage(Book& book, const TGraphChart& chart, const SensorLog& merged,
                         double totalMs) {
    views::ChartRenderInput input;
    input.log = WithGpsAndRpm(merged);
    if (!input.log) {
        return;
    }
    input.view.ranges = views::RangesOfLog(*input.log);
    input.view.speedVisible = input.view.ranges.speedRange;
    input.view.timeEnd = totalMs;
    input.settings = views::ChartSettings::Defaults();
    input.settings.visible = (1u << views::kChartSeriesCount) - 1;
    input.size = chart.size();
    input.labelFont = chart.font().toString();
    QImage picture;
    views::ChartPlot plot;
    if (views::ChartRenderer().Render(input, picture, plot)) {
        book.Save(picture, QStringLiteral("chart-every-channel"));
    }
}

void AddDialogPages(Book& book, TsettingChart& dialog) {
    const int language = LanguageIndex;
    for (int l = 0; l < kLanguageCount; ++l) {
        LanguageIndex = l;
        dialog.ApplyLanguage();
        book.Save(dialog, QStringLiteral("chart-settings-") + gallery::LanguageSuffix(l));
    }
    LanguageIndex = language;
    dialog.ApplyLanguage();
}

}  // namespace

void AddChartPages(Book& book) {
    gallery::PrivateSettings settings;
    QTemporaryDir drive;
    DemoMergedLog demo;
    QString error;
    if (!drive.isValid() || !demo.Load(drive.path(), kRecordings, kSeconds, &error)) {
        std::fprintf(stderr, "chart pages: %s\n", qPrintable(error));
        return;
    }
    TsettingChart dialog(nullptr);
    dialog.setAttribute(Qt::WA_DontShowOnScreen);
    TGraphChart chart(nullptr);
    chart.setAttribute(Qt::WA_DontShowOnScreen);
    chart.SetLogManagement(&demo.Logs());
    chart.SetSettingDialog(&dialog);
    chart.show();
    chart.ResetTimeRange();
    chart.RefreshData();
    Redraw(chart);
    book.Save(chart, QStringLiteral("chart-default"));

    for (int series = 0; series < views::kChartSeriesCount; ++series) {
        dialog.CheckBox(static_cast<views::ChartSeries>(series))->setChecked(true);
    }
    dialog.btnRefreshClick();
    chart.SetCursorTime(400000);
    Redraw(chart);
    book.Save(chart, QStringLiteral("chart-all-series-cursor"));

    // Zoom mode: a rectangle over 4:10 to 5:20, the whole height, being drawn...
    TIconButton& zoomButton = *chart.findChild<TIconButton*>(QStringLiteral("zoomButton"));
    gallery::Press(zoomButton, {5, 5});
    gallery::Release(zoomButton, {5, 5});
    const views::ChartPlot plot = chart.View().Plot();
    const int left = static_cast<int>(plot.left + 250000 / plot.msPerPixel);
    const int right = static_cast<int>(plot.left + 320000 / plot.msPerPixel);
    gallery::Press(chart, {left, 36});
    gallery::DragTo(chart, {left + 10, 100});
    gallery::DragTo(chart, {right, 223});
    book.Save(chart, QStringLiteral("chart-zoom-rectangle"));
    // ...and applied, with the cursor inside and the turn lamps at the bottom.
    gallery::Release(chart, {right, 223});
    chart.SetCursorTime(285000);
    Redraw(chart);
    book.Save(chart, QStringLiteral("chart-zoomed-lamps"));

    AddEveryChannelPage(book, chart, *demo.Logs().Snapshot(), demo.Logs().Total());

    dialog.show();
    AddDialogPages(book, dialog);
    dialog.hide();
}
