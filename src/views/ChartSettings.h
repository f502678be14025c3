#pragma once

#include "foundation/PreferenceTable.h"

#include <QRgb>

#include <array>
#include <cstdint>

namespace views {

// The chart's series by their bit in the visible-series set.
enum class ChartSeries {
    GX = 0,
    GY = 1,
    GZ = 2,
    GTotal = 3,
    ObdSpeed = 4,
    Rpm = 5,
    Battery = 6,
    Coolant = 7,
    TurnLamps = 8,
    GpsSpeed = 9,
};
inline constexpr int kChartSeriesCount = 10;

// Indexes of the series colours; the turn lamps have two.
enum ChartColorIndex : int {
    kColorGX = 0,
    kColorGY = 1,
    kColorGZ = 2,
    kColorGTotal = 3,
    kColorObdSpeed = 4,
    kColorRpm = 5,
    kColorBattery = 6,
    kColorCoolant = 7,
    kColorTurnLeft = 8,
    kColorTurnRight = 9,
    kColorGpsSpeed = 10,
};

// The chart's configuration as a value: which series show and their colours as
// 0x00BBGGRR. The settings dialog keeps one from its boxes; each render pass draws
// from its own copy.
struct ChartSettings {
    std::uint32_t visible = 0;
    std::array<std::uint32_t, foundation::kChartColorCount> colors{};

    // What the chart shows before anything is stored.
    static ChartSettings Defaults();

    bool Shows(ChartSeries series) const;
    void SetShown(ChartSeries series, bool shown);
    // The opaque pen colour 0xFFRRGGBB of a colour index.
    QRgb PenColor(int index) const;

    bool operator==(const ChartSettings&) const = default;
};

// A 0x00BBGGRR colour as opaque 0xFFRRGGBB; the top byte does not count.
QRgb OpaqueArgbOf(std::uint32_t bgr);
std::uint32_t BgrOf(QRgb argb);

enum class ChartSettingsResult {
    Done,
    KeyMissing,   // the settings file lacks the chart key: a damaged install
    WriteFailed,  // the settings file could not be read back or written
};

// Reads the stored settings. Without a "VisibleChart" value the defaults apply; a
// value of the wrong size or type is replaced by its default, with a debug line.
// The defaults also stand when the key is missing.
ChartSettingsResult LoadChartSettings(ChartSettings& settings);
// Writes both values; the key must exist.
ChartSettingsResult SaveChartSettings(const ChartSettings& settings);

}  // namespace views
