#include "recordings/SensorLog.h"
#include "views/ChartScaling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace views;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(ChartScaling, PickRangeTakesTheFirstNiceRangeAboveExtremeAndFloor) {
    struct Case {
        double extreme, floor, range;
    } cases[] = {
        {40.0f, 40, 40},      {40.1f, 40, 80},   {0, 5, 8},      {12000, 1600, 12000},
        {12001, 1600, 12001}, {0.1, 0.24, 0.24}, {kInf, 40, 40}, {NAN, 1600, 1600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PickRange(c.extreme, c.floor), c.range) << c.extreme << " floor " << c.floor;
    }
}

TEST(ChartScaling, RangesOfTheLogComeFromItsFloatExtremes) {
    struct Case {
        float speedMax, rpmMax, coolantMin, coolantMax, batteryMax, gMax, gMin;
        ChartRanges expected;
    } cases[] = {
        // An empty log: every floor.
        {0, 0, 0, 0, 0, 0, 0, {40, 1600, 8, 0, 8, 2.4, -1.2}},
        {40.1f, 12001, 23.47f, 100, 14.2f, 0.31f, -0.45f, {80, 12001, 80, 23.4, 16, 2.4, -1.2}},
        {120, 3000, -12.5f, 95, 12.6f, 0.9f, -1.31f, {120, 4000, 120, -12.5, 16, 3.2, -1.6}},
        // 1.2 as a float is a hair above 1.2: widened, it rounds up to 2.6, not 2.4.
        {0, 0, 0, 0, 0, 1.2f, 0, {40, 1600, 8, 0, 8, 3.2, -1.6}},
    };
    for (const Case& c : cases) {
        SensorLog log;
        log.speedMax = c.speedMax;
        log.rpmMax = c.rpmMax;
        log.coolantMin = c.coolantMin;
        log.coolantMax = c.coolantMax;
        log.batteryMax = c.batteryMax;
        log.gMax = c.gMax;
        log.gMin = c.gMin;
        const ChartRanges r = RangesOfLog(log);
        SCOPED_TRACE(testing::Message() << "speed max " << c.speedMax << " G max " << c.gMax);
        EXPECT_EQ(r.speedRange, c.expected.speedRange);
        EXPECT_EQ(r.rpmRange, c.expected.rpmRange);
        EXPECT_EQ(r.coolantRange, c.expected.coolantRange);
        EXPECT_NEAR(r.coolantBase, c.expected.coolantBase, 1e-9);
        EXPECT_EQ(r.batteryRange, c.expected.batteryRange);
        EXPECT_NEAR(r.gRange, c.expected.gRange, 1e-9);
        EXPECT_NEAR(r.gBase, c.expected.gBase, 1e-9);
    }
}

TEST(ChartScaling, ValueTickStepKeepsTicksTwentyPixelsApartAndNeverZero) {
    struct Case {
        double span, unitsPerPixel, step;
    } cases[] = {
        {40, 40.0 / 189, 5},           // speed 0..40 on a 189 px plot
        {2.4, 2.4 / 189, 0.3},         // G 2.4 on the same plot
        {40, 0.5, 10},                 // 5 would be 10 px apart: 20 px, rounded up
        {2.4, 0.02, 0.4},              // below 1: rounded up to a tenth
        {20000, 20000.0 / 189, 2500},  // past the table: an eighth of the span
        {kInf, 1, 0},                  // unusable: no ticks
        {40, 0, 5},                    // no scale: the table's step stands
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ValueTickStep(c.span, c.unitsPerPixel), c.step, 1e-9)
            << c.span << " at " << c.unitsPerPixel;
    }
}

TEST(ChartScaling, ValueTicksRunFromTheFirstMultipleToTheTopAndAreBounded) {
    EXPECT_EQ(ValueTicks(0, 40, 5), (std::vector<double>{0, 5, 10, 15, 20, 25, 30, 35, 40}));
    EXPECT_EQ(ValueTicks(3, 10, 5), (std::vector<double>{5, 10}));  // below the minimum skipped
    EXPECT_EQ(ValueTicks(-1.2, 2.4, 0.3).size(), 8u);  // the summed 1.2 lies a residue above 1.2
    EXPECT_EQ(ValueTicks(0, 1000, 1).size(), static_cast<size_t>(kMaxValueTicks));
    EXPECT_EQ(ValueTicks(1e20, 1e6, 1).size(), 1u);  // the step no longer moves the value
    EXPECT_TRUE(ValueTicks(0, 40, 0).empty());
    EXPECT_TRUE(ValueTicks(NAN, 40, 5).empty());
}

TEST(ChartScaling, TimeAxisStepsAndTicks) {
    EXPECT_EQ(TimeTickStep(600, 60000.0 / 600), 6000);  // 60 s on 600 px: 60 px, 6 s
    EXPECT_EQ(TimeTickStep(600, 5000.0 / 600), 1000);   // 5 s on 600 px: 1 s
    EXPECT_EQ(TimeTickStep(200, 100), 5000);            // ticks at least 50 px apart
    EXPECT_EQ(TimeTickStep(600, 0), 0);                 // no time scale: no axis
    EXPECT_EQ(TimeTickStep(600, NAN), 0);

    EXPECT_EQ(TimeTicks(0, 10000, 3000), (std::vector<double>{0, 3000, 6000, 9000}));
    // Overshooting the last whole second by less than half a step adds it.
    EXPECT_EQ(TimeTicks(0, 10500, 3000), (std::vector<double>{0, 3000, 6000, 9000, 11000}));
    EXPECT_EQ(TimeTicks(1500, 4000, 1000), (std::vector<double>{2000, 3000, 4000}));
    EXPECT_TRUE(TimeTicks(0, 10000, 0).empty());
    EXPECT_LE(TimeTicks(0, 1e12, 1000).size(), 1000u);

    EXPECT_EQ(TickTimeText(3723999), QStringLiteral("01:02:03"));
    EXPECT_EQ(TickTimeText(0), QStringLiteral("00:00:00"));
}
