#include "platform/MessageBox.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <thread>

using platform::MessageBox;

TEST(MessageBox, RecordsBoxesOnTheGuiThreadWithThePresetAnswer) {
    MessageBox::StartRecording(platform::IDNO);
    const int answer =
        MessageBox::Show(nullptr, QStringLiteral("Overwrite?"), QStringLiteral("Warning"),
                         platform::MB_YESNO | platform::MB_ICONEXCLAMATION);
    EXPECT_EQ(answer, platform::IDNO);
    const auto boxes = MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Overwrite?"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(boxes[0].flags, platform::MB_YESNO | platform::MB_ICONEXCLAMATION);
    EXPECT_FALSE(boxes[0].fromWorker);
    MessageBox::StartRecording();
}

TEST(MessageBox, AWorkersBoxIsRecordedAndTheWorkerGoesOn) {
    MessageBox::StartRecording(platform::IDOK);
    int answer = 0;
    std::thread worker([&] {
        answer = MessageBox::Show(nullptr, QStringLiteral("from worker"), QStringLiteral("Error"),
                                  platform::MB_OK | platform::MB_ICONHAND);
    });
    worker.join();  // would hang if the worker waited for the GUI thread
    EXPECT_EQ(answer, platform::IDOK);
    const auto boxes = MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].fromWorker);
    EXPECT_EQ(boxes[0].text, QStringLiteral("from worker"));
}

TEST(MessageBox, OutsideRecordingAWorkerDoesNotWaitForTheBox) {
    MessageBox::StopRecording();
    int answer = 0;
    std::thread worker([&] {
        answer = MessageBox::Show(nullptr, QStringLiteral("queued"), QStringLiteral("Error"),
                                  platform::MB_OK);
    });
    worker.join();  // the box is only queued to the GUI thread
    EXPECT_EQ(answer, platform::IDOK);
    MessageBox::StartRecording();
    // The queued box is never shown: drop it without running the event loop's modal box.
    QCoreApplication::removePostedEvents(QCoreApplication::instance());
}
