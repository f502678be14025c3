// The information window and the map window with a drive on them, in each
// language. The map page needs the web engine; under the offscreen platform it
// draws too, and under Xvfb (QT_QPA_PLATFORM=xcb) as on a desktop.
#include "Gallery.h"
#include "foundation/UiStringTable.h"
#include "views/Browser.h"
#include "views/GMForm.h"
#include "views/InfoFrom.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr int kPageDeadlineMs = 60000;

// A winding drive of 80 s at 5 samples a second, with a left turn signal blinking
// from 30 s to 34 s.
SensorLog Drive() {
    constexpr std::uint32_t kCount = 400;
    SensorLog log;
    recordings::AllocateSensorLog(log, kCount);
    log.count = kCount;
    double lat = 24.7890;
    double lng = 120.9950;
    double heading = 0.6;
    for (std::uint32_t i = 0; i < kCount; ++i) {
        heading += 0.025 * std::sin(i / 23.0) + 0.004;
        lat += 0.00009 * std::cos(heading);
        lng += 0.00011 * std::sin(heading);
        log.time[i] = i * 200;
        log.latitude[i] = static_cast<float>(lat);
        log.longitude[i] = static_cast<float>(lng);
        log.gpsSpeed[i] = static_cast<float>(48 + 10 * std::sin(i / 40.0));
        log.obdSpeed[i] = log.gpsSpeed[i] + 1.5f;
        log.gX[i] = static_cast<float>(0.08 * std::sin(i / 11.0));
        log.gY[i] = static_cast<float>(0.25 * std::sin(i / 23.0));
        log.gZ[i] = 0.98f;
        log.gTotal[i] = std::sqrt(log.gX[i] * log.gX[i] + log.gY[i] * log.gY[i] + 0.98f * 0.98f);
        log.battery[i] = 14.1f;
        log.coolant[i] = 88;
        log.turnLamps[i] = i >= 150 && i < 170 && (i / 3) % 2 == 0 ? 1 : 0;
    }
    return log;
}

QVariant Evaluate(Browser& browser, const QString& script) {
    auto answer = std::make_shared<std::optional<QVariant>>();
    browser.RunJavaScript(script, [answer](const QVariant& value) { *answer = value; });
    if (!QTest::qWaitFor([&] { return answer->has_value(); }, kPageDeadlineMs)) {
        return QVariant();
    }
    return answer->value();
}

// True when the window's picture holds the colour somewhere.
bool Shows(QWidget& window, QRgb colour) {
    const QImage image = window.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

void InfoPages(gallery::Book& book, TInfoForm& info) {
    // Before any update with a time: nothing to show yet.
    for (int language = 0; language < kLanguageCount; ++language) {
        LanguageIndex = language;
        info.UpdateLanguage();
        book.Save(info, QStringLiteral("info_no_data_%1").arg(gallery::LanguageSuffix(language)));
    }
    for (int language = 0; language < kLanguageCount; ++language) {
        LanguageIndex = language;
        info.UpdateLanguage();
        info.UpdateInfo(30100.0);  // the left lamp lit
        book.Save(info, QStringLiteral("info_drive_%1").arg(gallery::LanguageSuffix(language)));
        info.popUnitSelect->popup(info.mapToGlobal(QPoint(300, 40)));
        book.Save(*info.popUnitSelect,
                  QStringLiteral("info_unit_menu_%1").arg(gallery::LanguageSuffix(language)));
        info.popUnitSelect->hide();
    }
    LanguageIndex = 0;
    info.UpdateLanguage();
    info.memumph->trigger();
    info.memuFah->trigger();
    book.Save(info, QStringLiteral("info_drive_mph_fahrenheit_en"));
    info.memukmh->trigger();
    info.memuCel->trigger();
}

void MapPages(gallery::Book& book, TGoogleMapForm& map, TInfoForm& info, const SensorLog& log) {
    map.show();
    GMConnect* bridge = map.Map();
    if (!QTest::qWaitFor([&] { return bridge->Connected(); }, kPageDeadlineMs)) {
        std::fprintf(stderr, "the map page did not connect\n");
        book.Save(map, QStringLiteral("map_not_connected"));
        return;
    }
    // The program sends the log manager's track; the gallery its own.
    bridge->RefreshData(log);
    info.UpdateInfo(52000.0);  // the car somewhere along the way
    const bool drawn = QTest::qWaitFor(
        [&] {
            // The track's green, the car's blue and the flags' green and black.
            return Evaluate(*bridge->Host(), QStringLiteral("map.hasLayer(trackLine)")).toBool() &&
                   Shows(map, 0xFF11FF11) && Shows(map, 0xFF1E6FE8) && Shows(map, 0xFF21B83A) &&
                   Shows(map, 0xFF202020);
        },
        kPageDeadlineMs);
    if (!drawn) {
        std::fprintf(stderr, "the map page did not draw the whole drive in time\n");
    }
    for (int language = 0; language < kLanguageCount; ++language) {
        LanguageIndex = language;
        map.UpdateLanguage();
        book.Save(map, QStringLiteral("map_drive_%1").arg(gallery::LanguageSuffix(language)));
    }
    LanguageIndex = 0;
    map.UpdateLanguage();
}

}  // namespace

void AddInfoMapPages(gallery::Book& book) {
    Browser::DisableSandboxForRoot();
    const SensorLog log = Drive();
    TGoogleMapForm map;
    _GoogleMapForm = &map;
    TInfoForm info;
    info.SetLogSource(&log);
    InfoPages(book, info);
    MapPages(book, map, info, log);
    _GoogleMapForm = nullptr;
}
