#include "AppTestSupport.h"
#include "app/About.h"

#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using platform::MessageBox;

namespace {

// Takes the addresses the box asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT

  public:
    UrlCatcher() {
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
    }
    ~UrlCatcher() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    Q_INVOKABLE void Open(const QUrl& url) { urls << url; }

    QList<QUrl> urls;
};

}  // namespace

TEST(About, ShowsTheVersionsTheSystemAndTheLicenceOfItsLanguage) {
    LanguageIndex = 0;  // the box keeps its own language
    TAboutFrm box;
    box.SetLanguageIndex(1);
    box.show();
    EXPECT_EQ(box.windowTitle(), UiText(124, 1));
    EXPECT_EQ(box.VersionLabel->text(), UiText(125, 1));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Ver: \\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(box.VersionValTxt->text())
                    .hasMatch())
        << box.VersionValTxt->text().toStdString();
    EXPECT_FALSE(box.OSInfoValTxt->text().isEmpty());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                    .match(box.KLiteValTxt->text())
                    .hasMatch());
    EXPECT_EQ(box.btnMoreInfo->toolTip(), UiText(129, 1));
    EXPECT_TRUE(box.textCopyright->toPlainText().startsWith(
        QStringLiteral("Ombrel Player\n使用者授權合約 (EULA)\n")));

    box.SetLanguageIndex(2);
    box.hide();
    box.show();
    EXPECT_TRUE(box.textCopyright->toPlainText().startsWith(QStringLiteral("Istrel Player\n")));
    EXPECT_TRUE(MessageBox::Recorded().empty());
}

TEST(About, AMissingOrForeignLicenceFileIsToldInTheBox) {
    TAboutFrm box;
    box.SetLanguageIndex(2);
    QTemporaryDir folder;
    // Only the English file: no other language's file is tried.
    QFile::copy(
        QCoreApplication::applicationDirPath() + QStringLiteral("/Falvor Viewer EULA EN.txt"),
        folder.filePath(QStringLiteral("Falvor Viewer EULA EN.txt")));
    box.ShowLicence(folder.path());
    EXPECT_EQ(box.textCopyright->toPlainText(), UiText(132, 2));

    WriteFile(folder.filePath(QStringLiteral("Falvor Viewer EULA SC.txt")),
              "\xEF\xBB\xBF"
              "EULA\r\n");
    box.ShowLicence(folder.path());
    EXPECT_TRUE(box.textCopyright->toPlainText().isEmpty());
    const auto boxes = MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("EULA must Unicode Text file."));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes[0].flags, platform::MB_OK);
}

TEST(About, TheLinksOpenTheSupportMailAndTheWebPage) {
    UrlCatcher catcher;
    TAboutFrm box;
    box.show();
    QTest::mouseClick(box.btnMailToQuendrix, Qt::LeftButton);
    QTest::mouseClick(box.Label1, Qt::LeftButton);
    QTest::mouseClick(box.btnMoreInfo, Qt::LeftButton);
    ASSERT_EQ(catcher.urls.size(), 3);
    EXPECT_EQ(catcher.urls[0].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(catcher.urls[0].path(), QStringLiteral("support@quendrix.com"));
    EXPECT_EQ(catcher.urls[0].query(QUrl::FullyDecoded),
              QStringLiteral("subject=Falvor Viewer Tech. Support"));
    EXPECT_EQ(catcher.urls[1], QUrl(QStringLiteral("https://www.quendrix.com/")));
    EXPECT_EQ(catcher.urls[2], catcher.urls[1]);
}

#include "AboutTest.moc"
