#include "foundation/PreferenceTable.h"
#include "platform/Registry.h"
#include "support/DebugCapture.h"
#include "views/ChartSettings.h"

#include <gtest/gtest.h>

#include <optional>

using namespace views;
using platform::Registry;

namespace {

const QString kChartKey = QStringLiteral("Software\\OmbrelPlayer\\Chart");
const QString kVisible = QStringLiteral("VisibleChart");

// Replaces the settings file with one holding just the chart key and these values.
void WriteChartKey(std::optional<QByteArray> visible, std::optional<QByteArray> colors) {
    Registry registry;
    registry.CreateKey(kChartKey);
    if (visible) {
        registry.WriteBinary(kChartKey, kVisible, *visible);
    }
    if (colors) {
        registry.WriteBinary(kChartKey, QStringLiteral("ChartColor"), *colors);
    }
    ASSERT_TRUE(registry.Save());
}

}  // namespace

TEST(ChartSettings, MalformedValuesFallBackToTheirDefaultsWithADebugLine) {
    const ChartSettings defaults = ChartSettings::Defaults();
    const QByteArray allShown = QByteArray::fromHex("ff030000");
    const QByteArray grey = QByteArray(44, '\x40');
    struct Case {
        const char* name;
        std::optional<QByteArray> visible, colors;
        std::uint32_t expectedVisible;
        bool greyColors;
        bool debugLine;
    } cases[] = {
        {"no VisibleChart", std::nullopt, grey, defaults.visible, false, false},
        {"short VisibleChart", QByteArray(3, '\xff'), grey, defaults.visible, true, true},
        {"no ChartColor", allShown, std::nullopt, 0x3FF, false, true},
        {"long ChartColor", allShown, QByteArray(48, '\x40'), 0x3FF, false, true},
        {"well formed", allShown, grey, 0x3FF, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteChartKey(c.visible, c.colors);
        DebugCapture capture;
        ChartSettings settings;
        ASSERT_EQ(LoadChartSettings(settings), ChartSettingsResult::Done);
        EXPECT_EQ(settings.visible, c.expectedVisible);
        EXPECT_EQ(settings.colors[kColorGX],
                  c.greyColors ? 0x40404040u : defaults.colors[kColorGX]);
        EXPECT_EQ(settings.PenColor(kColorGX), c.greyColors ? 0xFF404040u : 0xFFFF0000u);
        EXPECT_EQ(!capture.Lines().isEmpty(), c.debugLine);
    }
    // A value of another type is malformed too.
    Registry registry;
    registry.WriteInteger(kChartKey, kVisible, 0x3FF);
    ASSERT_TRUE(registry.Save());
    DebugCapture capture;
    ChartSettings settings;
    LoadChartSettings(settings);
    EXPECT_EQ(settings, defaults);
    EXPECT_TRUE(capture.Contains(kVisible));
}
