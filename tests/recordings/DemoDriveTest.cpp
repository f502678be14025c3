#include "RecordingFixture.h"

#include "support/DemoDriveLog.h"
#include "support/TestMedia.h"

#include <QFileInfo>

using namespace recordings;

using DemoDrive = RecordingTest;

TEST_F(DemoDrive, RecordingsAreProbedDecodedAndReadByFfprobe) {
    DemoDriveOptions options;
    options.folder = PathOf("drive");
    options.count = 2;
    options.seconds = 2;
    options.width = 320;
    options.height = 240;
    options.kbps = 500;
    QStringList paths;
    QString error;
    ASSERT_TRUE(WriteDemoDrive(options, &paths, &error)) << error.toStdString();
    ASSERT_EQ(paths.size(), 2);
    EXPECT_EQ(QFileInfo(paths[1]).fileName(), QStringLiteral("20231114_221322.ts"));
    for (int i = 0; i < 2; ++i) {
        ItemRef item = ProbeItem(paths[i]);
        ASSERT_EQ(item->fileType, FILE_TYPE_TS);
        EXPECT_EQ(item->startTime, options.start + 2u * static_cast<std::uint32_t>(i));
        EXPECT_DOUBLE_EQ(item->duration, 49 / 25.0);
        ASSERT_TRUE(Decode(*item));
        ASSERT_EQ(item->log.count, 10u);
        ComputeSensorLogExtremes(item->log);  // pulling away, engine warming, 12..14.3 V
        EXPECT_GT(item->log.speedMax, 0.0f);
        EXPECT_GT(item->log.coolantMax, 18.0f);
        EXPECT_GE(item->log.batteryMax, 12.0f);
        EXPECT_LE(item->log.batteryMax, 14.3f);
        const tsrec::FfprobeReport report = tsrec::RunFfprobe(paths[i]);
        EXPECT_TRUE(report.errors.isEmpty()) << report.errors.toStdString();
        EXPECT_EQ(report.codecNames, (QStringList{"h264", "aac", "bin_data"}));
    }
}
