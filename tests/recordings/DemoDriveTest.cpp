#include "RecordingFixture.h"

#include "support/DemoDriveLog.h"
#include "support/TestMedia.h"

#include <QFileInfo>

TEST(DemoDriveLog, LooksLikeADrive) {
    bool braked = false;
    bool leftTurn = false;
    bool rightTurn = false;
    float lastCoolant = -100;
    for (int i = 0; i < 10 * 60 * 5; ++i) {
        const double t = i / 5.0;
        const tsrec::TsLogSample s = DemoDriveLog::SampleAt(t, 1000 + i / 5, 0);
        const double speed = s.obdWhole + s.obdTenths * 0.1;
        ASSERT_GE(speed, 0.0);
        ASSERT_LE(speed, 80.0);
        // Braking shows as a negative G X once the player negates the sensor's value.
        if (DemoDriveLog::SpeedKmh(t + 0.1) < DemoDriveLog::SpeedKmh(t - 0.1) - 0.8) {
            EXPECT_GT(s.gX, 0.05f) << t;
            braked = true;
        }
        if (s.turnLamps != 0) {
            EXPECT_NE(DemoDriveLog::TurnSide(t), 0) << t;
            leftTurn = leftTurn || s.turnLamps == 1;
            rightTurn = rightTurn || s.turnLamps == 2;
        }
        if (DemoDriveLog::LateralG(t) != 0.0) {
            EXPECT_NE(DemoDriveLog::TurnSide(t), 0) << t;
        }
        const float coolant = s.coolantMagnitude;
        EXPECT_GE(coolant, lastCoolant);
        lastCoolant = coolant;
        const double volts = s.batteryWhole + s.batteryTenths * 0.1;
        EXPECT_GE(volts, 12.0);
        EXPECT_LE(volts, 14.3);
        EXPECT_LT(s.gZ, -0.9f);
    }
    EXPECT_TRUE(braked);
    EXPECT_TRUE(leftTurn);
    EXPECT_TRUE(rightTurn);
    EXPECT_GT(lastCoolant, 80.0f);
}

using DemoDrive = RecordingTest;

TEST_F(DemoDrive, RecordingsAreProbedDecodedAndReadByFfprobe) {
    DemoDriveOptions options;
    options.folder = PathOf(QStringLiteral("drive"));
    options.count = 2;
    options.seconds = 2;
    options.width = 320;
    options.height = 240;
    options.kbps = 500;
    QStringList paths;
    QString error;
    ASSERT_TRUE(WriteDemoDrive(options, &paths, &error)) << error.toStdString();
    ASSERT_EQ(paths.size(), 2);
    EXPECT_EQ(QFileInfo(paths[0]).fileName(), QStringLiteral("20231114_221320.ts"));
    EXPECT_EQ(QFileInfo(paths[1]).fileName(), QStringLiteral("20231114_221322.ts"));

    for (int i = 0; i < 2; ++i) {
        ItemRef item = ProbeItem(paths[i]);
        ASSERT_EQ(item->fileType, FILE_TYPE_TS);
        EXPECT_EQ(item->startTime, options.start + 2u * static_cast<std::uint32_t>(i));
        EXPECT_DOUBLE_EQ(item->duration, 49 / 25.0);
        ASSERT_TRUE(Decode(*item));
        EXPECT_EQ(item->log.count, 10u);
        EXPECT_GT(item->log.battery[5], 12.0f);
        const tsrec::FfprobeReport report = tsrec::RunFfprobe(paths[i]);
        EXPECT_TRUE(report.errors.isEmpty()) << report.errors.toStdString();
        EXPECT_EQ(report.codecNames, (QStringList{"h264", "aac", "bin_data"}));
    }
}
