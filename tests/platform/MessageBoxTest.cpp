#include "platform/MessageBox.h"

#include "support/WaitUntil.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
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

TEST(MessageBox, AWorkersBoxesAreRecordedAndAnsweredAtOnceInRecordingMode) {
    MessageBox::StartRecording(platform::IDYES);
    int shown = 0;
    int waited = 0;
    std::thread worker([&] {
        shown = MessageBox::Show(nullptr, QStringLiteral("from worker"), QStringLiteral("Error"),
                                 platform::MB_OK | platform::MB_ICONHAND);
        waited = MessageBox::ShowAndWait(QStringLiteral("w"), QStringLiteral("Error"),
                                         platform::MB_YESNO, [] { return false; });
    });
    worker.join();  // would hang if the worker waited for the GUI thread
    EXPECT_EQ(shown, platform::IDYES);
    EXPECT_EQ(waited, platform::IDYES);
    const auto boxes = MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].fromWorker && boxes[1].fromWorker);
    EXPECT_EQ(boxes[0].text, QStringLiteral("from worker"));
    MessageBox::StartRecording();
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

TEST(MessageBox, AWaitingWorkerGoesOnOnlyOnceItsBoxIsClosed) {
    MessageBox::StopRecording();
    std::atomic<bool> returned{false};
    std::atomic<int> answer{0};
    std::thread worker([&] {
        answer = MessageBox::ShowAndWait(QStringLiteral("Stop?"), QStringLiteral("Warning"),
                                         platform::MB_YESNO, [] { return false; });
        returned = true;
    });
    // The box runs modally inside the GUI thread's event loop: a timer there finds
    // it, notes whether the worker went on, and answers it.
    bool seen = false;
    bool returnedWhileOpen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || seen) {
            return;
        }
        seen = true;
        returnedWhileOpen = returned.load();
        box->button(QMessageBox::No)->click();
    });
    probe.start(10);
    const bool ended = WaitUntil([&] { return returned.load(); });
    worker.join();
    MessageBox::StartRecording();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(returnedWhileOpen);
    EXPECT_EQ(answer.load(), platform::IDNO);
}

TEST(MessageBox, AStopRequestEndsTheWaitForABoxNoOneCloses) {
    MessageBox::StopRecording();
    std::atomic<bool> stop{false};
    auto waited = std::async(std::launch::async, [&] {
        return MessageBox::ShowAndWait(QStringLiteral("queued"), QStringLiteral("Error"),
                                       platform::MB_OK, [&] { return stop.load(); });
    });
    // The GUI thread runs no events, so the box never shows; only the stop ends it.
    EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    stop = true;
    ASSERT_EQ(waited.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(waited.get(), platform::IDCANCEL);
    MessageBox::StartRecording();
    QCoreApplication::removePostedEvents(QCoreApplication::instance());
}
