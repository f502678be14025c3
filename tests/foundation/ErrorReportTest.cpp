#include "foundation/ErrorReport.h"
#include "platform/MessageBox.h"
#include "support/DebugCapture.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

TEST(ExceptionLogLine, MacroWritesOneLineNamingItsOwnFileAndLine) {
    DebugCapture capture;
    int line = 0;
    try {
        throw std::runtime_error("boom");
    } catch (const std::exception& error) {
        line = __LINE__ + 1;
        EXCEPTION_LOG_LINE("Free", error);
    }
    EXPECT_EQ(capture.Lines(),
              QStringList{QStringLiteral(" File:ErrorReportTest.cpp ;Function:Free \n Line:%1 "
                                         ";Exception:boom ")
                              .arg(line)});
}

TEST(ExceptionLogLine, FieldsStayAsTheyAreAndTheLineKeepsTo255Characters) {
    EXPECT_EQ(foundation::FormatExceptionLogLine("/src/a.cpp", "F%1", 7, "%2 %3"),
              QStringLiteral(" File:a.cpp ;Function:F%1 \n Line:7 ;Exception:%2 %3 "));
    const std::string what(300, 'w');
    const QString line = foundation::FormatExceptionLogLine("FileItem.cpp", "TFileItem::ReadTSInfo",
                                                            267, what.c_str());
    EXPECT_EQ(line.size(), 255);
    EXPECT_TRUE(line.startsWith(QStringLiteral(
        " File:FileItem.cpp ;Function:TFileItem::ReadTSInfo \n Line:267 ;Exception:www")));
}

TEST(ErrorBoxes, TextsFollowTheFormatsWithAndWithoutSystemText) {
    const QString system = GetSystemErrorText(5);
    ASSERT_FALSE(system.isEmpty());
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
