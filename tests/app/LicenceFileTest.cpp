#include "AppTestSupport.h"
#include "app/LicenceFile.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using app::LicenceText;

namespace {

QByteArray Utf16File(const QString& text) {
    QByteArray bytes("\xFF\xFE");
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

LicenceText ReadBytes(const QByteArray& bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("eula.txt"));
    WriteFile(path, bytes);
    return app::ReadLicenceFile(path);
}

}  // namespace

TEST(LicenceFile, LinesEndAtCarriageReturnsAndKeepEveryCharacter) {
    const QString longLine(20000, u'長');
    const struct {
        QString text;
        QStringList lines;
    } cases[] = {
        {QStringLiteral("One\r\nTwo"), {QStringLiteral("One"), QStringLiteral("Two")}},
        {QStringLiteral("One\r\n"), {QStringLiteral("One"), QString()}},
        // A lone carriage return ends the line; the next character is kept.
        {QStringLiteral("One\rTwo"), {QStringLiteral("One"), QStringLiteral("Two")}},
        {QStringLiteral("\r\r\n"), {QString(), QString(), QString()}},
        {QStringLiteral("One\nstill one"), {QStringLiteral("One\nstill one")}},
        {longLine + QStringLiteral("\r\nx"), {longLine, QStringLiteral("x")}},
        {QString(), {QString()}},
    };
    for (const auto& c : cases) {
        const LicenceText licence = ReadBytes(Utf16File(c.text));
        EXPECT_EQ(licence.status, LicenceText::Status::Read);
        EXPECT_EQ(licence.lines, c.lines) << c.text.left(20).toStdString();
    }
}

TEST(LicenceFile, AFileWithoutTheByteOrderMarkIsRefused) {
    for (const QByteArray& bytes :
         {QByteArray("\xEF\xBB\xBFUTF-8 text\r\n"), QByteArray("\xFF"), QByteArray()}) {
        const LicenceText licence = ReadBytes(bytes);
        EXPECT_EQ(licence.status, LicenceText::Status::NotUnicode);
        EXPECT_TRUE(licence.lines.isEmpty());
    }
    EXPECT_EQ(app::ReadLicenceFile(QStringLiteral("/nonexistent/eula.txt")).status,
              LicenceText::Status::Missing);
    // A language without a licence file of its own.
    EXPECT_EQ(app::ReadLicenceFile(app::LicenceFilePath(QStringLiteral("/p"), 3)).status,
              LicenceText::Status::Missing);
}

TEST(LicenceFile, TheShippedFilesLieBesideTheProgramInTheirFormat) {
    const QString folder = QCoreApplication::applicationDirPath();
    const QString products[] = {QStringLiteral("Ombrel Player"), QStringLiteral("Ombrel Player"),
                                QStringLiteral("Istrel Player")};
    const QString titles[] = {QStringLiteral("End User License Agreement (EULA)"),
                              QStringLiteral("使用者授權合約 (EULA)"),
                              QStringLiteral("最终用户许可协议 (EULA)")};
    for (int language = 0; language < 3; ++language) {
        const QString path = app::LicenceFilePath(folder, language);
        const QByteArray bytes = ReadFile(path);
        ASSERT_EQ(bytes.size() % 2, 0);
        // Every line feed follows a carriage return, and the other way round.
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const bool lineFeed = bytes[i] == '\n' && bytes[i + 1] == 0;
            const bool carriageReturn = bytes[i] == '\r' && bytes[i + 1] == 0;
            if (lineFeed) {
                ASSERT_TRUE(bytes[i - 2] == '\r' && bytes[i - 1] == 0) << i;
            }
            if (carriageReturn) {
                ASSERT_TRUE(i + 3 < bytes.size() && bytes[i + 2] == '\n' && bytes[i + 3] == 0) << i;
            }
        }
        const LicenceText licence = app::ReadLicenceFile(path);
        ASSERT_EQ(licence.status, LicenceText::Status::Read);
        ASSERT_GT(licence.lines.size(), 20);
        EXPECT_EQ(licence.lines[0], products[language]);
        EXPECT_EQ(licence.lines[1], titles[language]);
    }
}
