#include "ChartSettings.h"

#include "platform/DebugOutput.h"
#include "platform/Registry.h"

#include <algorithm>
#include <vector>

namespace views {

namespace {

using foundation::Preference;

std::uint32_t Bit(ChartSeries series) {
    return 1u << static_cast<int>(series);
}

// True when the value is stored as the table declares it (binary, of the default's
// length); else a debug line says the default applies.
bool StoredAsDeclared(const platform::Registry& registry, Preference preference) {
    const foundation::PreferenceRow& row = foundation::PreferenceOf(preference);
    const QString name = QString::fromUtf16(row.name);
    const std::optional<QByteArray> bytes = registry.ReadBinary(QString::fromUtf16(row.key), name);
    if (bytes && static_cast<std::size_t>(bytes->size()) == row.words.size() * 4) {
        return true;
    }
    platform::DebugOutput::Write(
        QStringLiteral("Chart settings: \"%1\" is not %2 bytes of binary; its default applies")
            .arg(name)
            .arg(row.words.size() * 4));
    return false;
}

}  // namespace

ChartSettings ChartSettings::Defaults() {
    ChartSettings settings;
    settings.visible = foundation::PreferenceOf(Preference::VisibleChart).words[0];
    const auto colors = foundation::PreferenceOf(Preference::ChartColor).words;
    std::copy(colors.begin(), colors.end(), settings.colors.begin());
    return settings;
}

bool ChartSettings::Shows(ChartSeries series) const {
    return (visible & Bit(series)) != 0;
}

void ChartSettings::SetShown(ChartSeries series, bool shown) {
    visible = shown ? visible | Bit(series) : visible & ~Bit(series);
}

QRgb ChartSettings::PenColor(int index) const {
    return OpaqueArgbOf(colors[static_cast<std::size_t>(index)]);
}

QRgb OpaqueArgbOf(std::uint32_t bgr) {
    return qRgb(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t BgrOf(QRgb argb) {
    return static_cast<std::uint32_t>(qRed(argb)) | static_cast<std::uint32_t>(qGreen(argb)) << 8 |
           static_cast<std::uint32_t>(qBlue(argb)) << 16;
}

ChartSettingsResult LoadChartSettings(ChartSettings& settings) {
    settings = ChartSettings::Defaults();
    platform::Registry registry;
    registry.Load();
    if (!foundation::PreferenceKeyExists(registry, Preference::VisibleChart)) {
        return ChartSettingsResult::KeyMissing;
    }
    const foundation::PreferenceRow& visibleRow =
        foundation::PreferenceOf(Preference::VisibleChart);
    if (!registry.ValueExists(QString::fromUtf16(visibleRow.key),
                              QString::fromUtf16(visibleRow.name))) {
        return ChartSettingsResult::Done;
    }
    StoredAsDeclared(registry, Preference::VisibleChart);
    StoredAsDeclared(registry, Preference::ChartColor);
    settings.visible = foundation::ReadWordsPreference(registry, Preference::VisibleChart)[0];
    const std::vector<std::uint32_t> colors =
        foundation::ReadWordsPreference(registry, Preference::ChartColor);
    std::copy(colors.begin(), colors.end(), settings.colors.begin());
    return ChartSettingsResult::Done;
}

ChartSettingsResult SaveChartSettings(const ChartSettings& settings) {
    platform::Registry registry;
    // An unreadable file is not replaced by one holding only the chart's values.
    if (registry.Load() == platform::Registry::LoadResult::Unreadable) {
        return ChartSettingsResult::WriteFailed;
    }
    if (!foundation::PreferenceKeyExists(registry, Preference::VisibleChart)) {
        return ChartSettingsResult::KeyMissing;
    }
    const std::array<std::uint32_t, 1> visible = {settings.visible};
    foundation::WriteWordsPreference(registry, Preference::VisibleChart, visible);
    foundation::WriteWordsPreference(registry, Preference::ChartColor, settings.colors);
    return registry.Save() ? ChartSettingsResult::Done : ChartSettingsResult::WriteFailed;
}

}  // namespace views
