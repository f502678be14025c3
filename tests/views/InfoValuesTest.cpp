#include "SampleLogs.h"
#include "views/DecimalFormat.h"
#include "views/InfoValues.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

SensorLog LogWithTimes(const std::vector<std::uint32_t>& times) {
    return SampleLog(static_cast<std::uint32_t>(times.size()),
                     [&times](SensorLog& log, std::uint32_t i) { log.time[i] = times[i]; });
}

TEST(InfoValuesTest, FindsTheSampleAtOrBeforeTheTime) {
    const SensorLog log = SampleLog(11);  // 0 .. 2000 ms
    struct Case {
        double t;
        int remembered;
        int expected;
    };
    const Case cases[] = {
        {1100, -1, 5},                   // 1000 ms
        {999, -1, 4},                    // 800 ms
        {1000, -1, 4},                   // the estimate lands on 1000 and steps back past it
        {1, -1, 0},      {2000, -1, 9},  // the last sample's own time steps back too
        {2001, -1, 10},                  // past the end: the last sample
        {1e300, -1, 10}, {std::numeric_limits<double>::infinity(), -1, 10},
        {0, -1, -1},                   // before any update: nothing
        {0, 7, 7},                     // again what was shown
        {-5, 3, 3},      {0, 11, -1},  // left over from a longer play list
        {-1, 500, -1},   {std::numeric_limits<double>::quiet_NaN(), 2, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(views::FindInfoSample(log, c.t, c.remembered), c.expected)
            << "t=" << c.t << " remembered=" << c.remembered;
    }
}

TEST(InfoValuesTest, SearchesLogsWithoutAUsableSpacing) {
    const SensorLog empty = LogWithTimes({});
    EXPECT_EQ(views::FindInfoSample(empty, 500, 3), -1);

    const SensorLog single = LogWithTimes({400});
    EXPECT_EQ(views::FindInfoSample(single, 500, -1), 0);
    EXPECT_EQ(views::FindInfoSample(single, 100, -1), 0);

    // Equal first times: no division by zero, the search starts at sample 0.
    const SensorLog equal = LogWithTimes({100, 100, 300, 500});
    EXPECT_EQ(views::FindInfoSample(equal, 450, -1), 2);
    EXPECT_EQ(views::FindInfoSample(equal, 50, -1), 0);

    // A first spacing of 1 ms makes a huge estimate: held at the last sample.
    const SensorLog dense = LogWithTimes({0, 1, 4000000000u});
    EXPECT_EQ(views::FindInfoSample(dense, 3.9e9, -1), 1);
    EXPECT_EQ(views::FindInfoSample(dense, 4.1e9, -1), 2);
}

TEST(InfoValuesTest, FormatsHalfAwayFromZeroWithoutNegativeZero) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case doubles[] = {
        {0.0, 3, "0.000"},
        {-0.0, 3, "0.000"},
        {-0.0004, 3, "0.000"},
        {-0.0005, 3, "-0.001"},
        {0.0005, 3, "0.001"},
        {1.2345, 3, "1.235"},
        {-1.2345, 3, "-1.235"},
        {2.5, 0, "3"},
        {-2.5, 0, "-3"},
        {-0.4, 0, "0"},
        {999.96, 1, "1000.0"},
        {62.1371192, 0, "62"},
        {12345678.9, 0, "12345679"},
        {1e-9, 4, "0.0000"},
        {0.99995, 4, "1.0000"},
        {std::numeric_limits<double>::quiet_NaN(), 1, "0.0"},
        {-std::numeric_limits<double>::infinity(), 0, "0"},
    };
    for (const Case& c : doubles) {
        EXPECT_EQ(views::FormatDecimal(c.value, c.decimals), QString::fromLatin1(c.text))
            << c.value;
    }
    // Floats round on their own shortest form: 12.45f lies just below 12.45.
    EXPECT_EQ(views::FormatDecimal(12.45f, 1), QStringLiteral("12.5"));
    EXPECT_EQ(views::FormatDecimal(24.81049f, 4), QStringLiteral("24.8105"));
    EXPECT_EQ(views::FormatDecimal(-0.0001f, 3), QStringLiteral("0.000"));
}

TEST(InfoValuesTest, ShowsSamplesInTheChosenUnits) {
    SensorLog log = LogWithTimes({0, 200});
    log.gX[1] = -0.0004f;
    log.gY[1] = 1.0625f;
    log.gZ[1] = -0.98f;
    log.gTotal[1] = 1.4449f;
    log.obdSpeed[1] = 100.0f;
    log.gpsSpeed[1] = 80.4672f;
    log.rpm[1] = 65535;
    log.battery[1] = 12.45f;
    log.coolant[1] = 37;
    log.latitude[1] = 24.81049f;
    log.longitude[1] = -121.03612f;

    const views::InfoTexts m = views::SampleTexts(log, 1, {});
    EXPECT_EQ((QStringList{m.gX, m.gY, m.gZ, m.gTotal, m.obdSpeed, m.gpsSpeed, m.rpm, m.battery,
                           m.coolant, m.latitude, m.longitude}),
              (QStringList{"0.000", "1.063", "-0.980", "1.445", "100", "80", "65535", "12.5", "37",
                           "24.8105", "-121.0361"}));

    const views::InfoTexts i = views::SampleTexts(log, 1, {false, false});
    // 37 °C: 37 * 9 / 5 = 66, + 32.
    EXPECT_EQ((QStringList{i.obdSpeed, i.gpsSpeed, i.coolant}), (QStringList{"62", "50", "98"}));
    EXPECT_EQ(views::SpeedUnitText({false, true}), QStringLiteral("mph"));
    EXPECT_EQ(views::TemperatureUnitText({true, false}), QStringLiteral("℉"));

    // Below zero the division truncates toward zero: -17 * 9 = -153, / 5 = -30.
    log.coolant[1] = -17;
    EXPECT_EQ(views::SampleTexts(log, 1, {true, false}).coolant, QStringLiteral("2"));
}

TEST(InfoValuesTest, LampPicturesChangeOnlyWhenTheyMust) {
    views::TurnLamps lamps;
    struct Step {
        std::uint32_t bits;
        bool changed;
        bool left;
        bool right;
    };
    const Step steps[] = {
        {0, false, false, false},  // nothing lit yet: nothing reloaded
        {1, true, true, false},   {1, true, true, false},      {3, true, true, true},
        {2, true, false, true},   {0, true, false, false},      // blinks off: both off once
        {0, false, false, false}, {0xFC, false, false, false},  // other bits are no lamps
    };
    for (const Step& step : steps) {
        const views::TurnLamps::Change change = lamps.Update(step.bits);
        EXPECT_EQ(change.changed, step.changed) << step.bits;
        EXPECT_EQ(change.left, step.left) << step.bits;
        EXPECT_EQ(change.right, step.right) << step.bits;
    }
}

}  // namespace
