#include "foundation/Commonfun.h"
#include "platform/MessageBox.h"
#include "support/DebugCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <limits>

TEST(GdiplusUseCount, StartsOnceAndShutsDownOnTheLastRelease) {
    platform::MessageBox::StartRecording();
    DebugCapture capture;
    const int base = foundation::GdiplusUseCount();
    ASSERT_EQ(base, 0);
    GdiplusAddRef();
    GdiplusAddRef();
    GdiplusRelease();
    EXPECT_EQ(capture.Lines(), QStringList{QStringLiteral("GdiplusStartup")});
    GdiplusRelease();
    EXPECT_EQ(capture.Lines(),
              (QStringList{QStringLiteral("GdiplusStartup"), QStringLiteral("GdiplusShutdown")}));
    EXPECT_TRUE(platform::MessageBox::Recorded().empty());

    GdiplusRelease();  // unbalanced
    ASSERT_EQ(platform::MessageBox::Recorded().size(), 1u);
    EXPECT_EQ(platform::MessageBox::Recorded()[0].text, QStringLiteral("GDIPlusUseCount Error!"));
    EXPECT_EQ(platform::MessageBox::Recorded()[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(foundation::GdiplusUseCount(), -1);
    GdiplusAddRef();  // starts again at 1
    EXPECT_EQ(foundation::GdiplusUseCount(), 1);
    GdiplusRelease();
    EXPECT_EQ(foundation::GdiplusUseCount(), 0);
}

TEST(GetEncoderClsid, FindsWritersByExactMimeType) {
    QByteArray format;
    EXPECT_GE(GetEncoderClsid(QStringLiteral("image/jpeg"), &format), 0);
    EXPECT_TRUE(format == "jpeg" || format == "jpg") << format.constData();
    EXPECT_GE(GetEncoderClsid(QStringLiteral("image/bmp"), &format), 0);
    EXPECT_EQ(format, QByteArray("bmp"));
    EXPECT_GE(GetEncoderClsid(QStringLiteral("image/png"), nullptr), 0);
    EXPECT_EQ(GetEncoderClsid(QStringLiteral("IMAGE/JPEG"), &format), -1);
    EXPECT_EQ(GetEncoderClsid(QStringLiteral("image/none"), &format), -1);
}

TEST(CanAccessFolder, ChecksAbsoluteFoldersAndRefusesRelativePaths) {
    QTemporaryDir dir;
    EXPECT_TRUE(CanAccessFolder(dir.path(), FILE_ADD_FILE));
    EXPECT_FALSE(CanAccessFolder(QStringLiteral("videos/out"), FILE_ADD_FILE));
    EXPECT_FALSE(CanAccessFolder(QString(), FILE_ADD_FILE));
    EXPECT_FALSE(CanAccessFolder(dir.filePath(QStringLiteral("missing")), FILE_ADD_FILE));
    if (geteuid() != 0) {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(CanAccessFolder(dir.path(), FILE_ADD_FILE));
        EXPECT_TRUE(CanAccessFolder(dir.path(), FILE_LIST_DIRECTORY));
        QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST(GetFolderOfPath, GivesTheFolderWithItsSeparator) {
    EXPECT_EQ(GetFolderOfPath(QStringLiteral("/media/card/video/a.ts")),
              QStringLiteral("/media/card/video/"));
    EXPECT_EQ(GetFolderOfPath(QStringLiteral("/x.jpg")), QStringLiteral("/"));
    EXPECT_TRUE(GetFolderOfPath(QStringLiteral("a.ts")).isNull());
    const QString deep = QStringLiteral("/") + QString(400, u'd') + QStringLiteral("/clip.ts");
    EXPECT_EQ(GetFolderOfPath(deep).size(), 402);  // long paths are kept whole
}

TEST(FormatSecondsHMS, TruncatesAndNeverLeavesItsRange) {
    EXPECT_EQ(FormatSecondsHMS(3725.9), QStringLiteral("01:02:05"));
    EXPECT_EQ(FormatSecondsHMS(59.999), QStringLiteral("00:00:59"));
    EXPECT_EQ(FormatSecondsHMS(360000), QStringLiteral("100:00:00"));
    EXPECT_EQ(FormatSecondsHMS(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(FormatSecondsHMS(-5), QStringLiteral("00:00:00"));
    EXPECT_EQ(FormatSecondsHMS(std::nan("")), QStringLiteral("00:00:00"));
    EXPECT_EQ(FormatSecondsHMS(-std::numeric_limits<double>::infinity()),
              QStringLiteral("00:00:00"));
    EXPECT_EQ(FormatSecondsHMS(1e300), QStringLiteral("2500000000000000:00:00"));
    EXPECT_EQ(FormatSecondsHMS(1e10), QStringLiteral("2777777:46:40"));
}

TEST(CaptureScreen, GivesTheDesktopOrTheWindowsOwnPicture) {
    platform::MessageBox::StartRecording();
    QWidget window;
    window.resize(120, 80);
    window.setStyleSheet(QStringLiteral("background: rgb(10, 200, 30)"));
    window.show();
    const QImage image = CaptureScreen(&window);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_GE(image.width(), 120);
    EXPECT_GE(image.height(), 80);
    EXPECT_TRUE(platform::MessageBox::Recorded().empty());
}
