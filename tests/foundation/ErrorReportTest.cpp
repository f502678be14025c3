#include "foundation/ErrorReport.h"
#include "platform/MessageBox.h"
#include "support/DebugCapture.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

TEST(ExceptionLogLine, CatchSiteWritesTheFixedFormat) {
    DebugCapture capture;
    try {
        throw std::runtime_error("abc");
    } catch (const std::runtime_error& error) {
        ExceptionLogLine("/src/app/Main.cpp", "TFormMain::TBPlayClick", 133, error);
    }
    ASSERT_EQ(capture.Lines().size(), 1);
    EXPECT_EQ(capture.Lines()[0],
              QStringLiteral(
                  " File:Main.cpp ;Function:TFormMain::TBPlayClick \n Line:133 ;Exception:abc "));
}

TEST(ExceptionLogLine, MacroNamesItsOwnFileAndLine) {
    DebugCapture capture;
    int line = 0;
    try {
        throw std::runtime_error("boom");
    } catch (const std::exception& error) {
        line = __LINE__ + 1;
        EXCEPTION_LOG_LINE("Free", error);
    }
    ASSERT_EQ(capture.Lines().size(), 1);
    EXPECT_TRUE(capture.Lines()[0].startsWith(
        QStringLiteral(" File:ErrorReportTest.cpp ;Function:Free \n")));
    EXPECT_TRUE(capture.Lines()[0].contains(QStringLiteral("Line:%1 ;").arg(line)));
}

TEST(ExceptionLogLine, LongTextsAreCutSoTheLineStaysWithin255) {
    const std::string what(300, 'w');
    const QString line = foundation::FormatExceptionLogLine("FileItem.cpp", "TFileItem::ReadTSInfo",
                                                            267, what.c_str());
    EXPECT_EQ(line.size(), 255);
    EXPECT_TRUE(line.startsWith(QStringLiteral(
        " File:FileItem.cpp ;Function:TFileItem::ReadTSInfo \n Line:267 ;Exception:www")));
}

TEST(ExceptionLogLine, PercentSignsInFieldsStayAsTheyAre) {
    const QString line = foundation::FormatExceptionLogLine("a.cpp", "F%1", 7, "%2 %3");
    EXPECT_EQ(line, QStringLiteral(" File:a.cpp ;Function:F%1 \n Line:7 ;Exception:%2 %3 "));
}

TEST(SystemErrorText, KnownCodesHaveTextUnknownHaveNone) {
    EXPECT_FALSE(GetSystemErrorText(2).isEmpty());
    EXPECT_FALSE(GetSystemErrorText(5).isEmpty());
    EXPECT_FALSE(GetSystemErrorText(8).isEmpty());
    EXPECT_NE(GetSystemErrorText(2), GetSystemErrorText(5));
    EXPECT_TRUE(GetSystemErrorText(0xDEADBEEF).isNull());
}

TEST(ErrorBoxes, TextsFollowTheFormatsWithAndWithoutSystemText) {
    const QString system = GetSystemErrorText(5);
    EXPECT_EQ(foundation::FormatErrorBoxText(5, QStringLiteral("CreateFile")),
              QStringLiteral(" CreateFile \n Error:5 \n \n ") + system);
    EXPECT_EQ(foundation::FormatErrorCodeText(5), QStringLiteral(" Error:5 \n \n ") + system);
    EXPECT_EQ(foundation::FormatErrorCodeText(123456), QStringLiteral(" Error:123456 \n \n"));
    EXPECT_EQ(foundation::FormatErrorBoxText(-1, QStringLiteral("ctx")),
              QStringLiteral(" ctx \n Error:-1 \n \n"));
    EXPECT_EQ(foundation::FormatErrorBoxText(1, QString(2000, u'c')).size(), 1023);
}

TEST(ErrorBoxes, ShowErrorCodeFromAWorkerIsAStopBoxCaptionedError) {
    platform::MessageBox::StartRecording();
    std::thread worker([] { ShowErrorCode(8); });
    worker.join();
    ShowErrorBox(5, QStringLiteral("MoveFile"));
    const auto boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].fromWorker);
    EXPECT_EQ(boxes[0].text, foundation::FormatErrorCodeText(8));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes[0].flags, platform::MB_OK | platform::MB_ICONHAND);
    EXPECT_FALSE(boxes[1].fromWorker);
    EXPECT_TRUE(boxes[1].text.startsWith(QStringLiteral(" MoveFile \n Error:5 \n \n ")));
}
