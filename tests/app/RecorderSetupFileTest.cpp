#include "AppTestSupport.h"
#include "app/RecorderSetupFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using app::RecorderSetup;
using app::RecorderSetupFile;
using Result = app::RecorderSetupFile::Result;

TEST(RecorderSetupFile, LinesInTheirFixedOrderEachEndingInCrLf) {
    const struct {
        RecorderSetup setup;
        QByteArray bytes;
    } cases[] = {
        {{QDate(2024, 3, 5), QTime(14, 7, 9), 2, 5, 2},
         "Date=2024/03/05\r\nTime=14:07:09\r\nDVR_ByBatt=2\r\nDVR_AutoLock=5\r\n"
         "DVR_Quality=2\r\n"},
        {{.time = QTime(0, 0, 0)}, "Time=00:00:00\r\n"},
        {{.date = QDate(987, 12, 31)}, "Date=0987/12/31\r\n"},
        {{.autoLock = 0}, "DVR_AutoLock=10\r\n"},
        {{.autoLock = 10}, "DVR_AutoLock=0\r\n"},
        {{.battery = -1, .quality = 0}, "DVR_ByBatt=-1\r\nDVR_Quality=0\r\n"},
        {{}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecorderSetupFile::Format(c.setup), c.bytes);
    }
    EXPECT_EQ(RecorderSetupFile::Format(cases[0].setup).size(), 77);
}

TEST(RecorderSetupFile, EachWriteReplacesTheWholeFile) {
    QTemporaryDir card;
    const QString path = card.filePath(QStringLiteral("SETUP.CFG"));
    RecorderSetup setup{.time = QTime(23, 59, 58), .quality = 1};
    EXPECT_EQ(RecorderSetupFile::Write(card.path(), setup), Result::Written);
    EXPECT_EQ(ReadFile(path), "Time=23:59:58\r\nDVR_Quality=1\r\n");
    setup.time.reset();
    EXPECT_EQ(RecorderSetupFile::Write(card.path(), setup), Result::Written);
    EXPECT_EQ(ReadFile(path), "DVR_Quality=1\r\n");
}

TEST(RecorderSetupFile, RefusalsAndFailuresAreReportedNotCompleted) {
    QTemporaryDir card;
    const QString path = card.filePath(QStringLiteral("SETUP.CFG"));
    const RecorderSetup ticked{.battery = 1};

    EXPECT_EQ(RecorderSetupFile::Write(QString(), ticked), Result::NoVolume);
    EXPECT_EQ(RecorderSetupFile::Write(QString(), RecorderSetup{}), Result::NothingTicked);
    EXPECT_EQ(RecorderSetupFile::Write(card.path(), RecorderSetup{}), Result::NothingTicked);
    EXPECT_FALSE(QFile::exists(path));

    // The card was pulled out.
    EXPECT_EQ(RecorderSetupFile::Write(card.filePath(QStringLiteral("gone")), ticked),
              Result::WriteFailed);
    // The card is full: nothing half-written is left for the recorder.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), path));
    EXPECT_EQ(RecorderSetupFile::Write(card.path(), ticked), Result::WriteFailed);
    EXPECT_FALSE(QFileInfo(path).isSymLink() || QFile::exists(path));
    // The name is taken by a folder.
    ASSERT_TRUE(QDir(card.path()).mkdir(QStringLiteral("SETUP.CFG")));
    EXPECT_EQ(RecorderSetupFile::Write(card.path(), ticked), Result::WriteFailed);
}
