// The sensor chart over a demo drive's merged log (its default series, every
// series with the cursor, a zoomed range with the turn lamps, a zoom rectangle
// being drawn) and the chart settings dialog in each language.
#include "Gallery.h"
#include "controls/IconButton.h"
#include "foundation/UiStringTable.h"
#include "support/DemoMergedLog.h"
#include "views/ChartFrame.h"
#include "views/ChartSetting.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using gallery::Book;

namespace {

constexpr int kRecordings = 3;  // five minutes each
constexpr int kSeconds = 300;
constexpr int kPictureTimeoutMs = 10000;

// Asks for a picture and waits until it is on screen.
void Redraw(TGraphChart& chart) {
    const int before = chart.PictureCount();
    chart.RequestRedraw();
    QElapsedTimer timer;
    timer.start();
    while (chart.PictureCount() == before && timer.elapsed() < kPictureTimeoutMs) {
        QApplication::processEvents();
        QThread::msleep(1);
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

    dialog.show();
    AddDialogPages(book, dialog);
    dialog.hide();
}
