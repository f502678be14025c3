// Built only under ThreadSanitizer: the hand-offs to the GUI thread are told to it,
// so it stays quiet about them yet still reports a race inside the work handed over.
#include "platform/GuiThread.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>

namespace {

constexpr std::uint32_t kMessage = 0x8000;
constexpr std::uint32_t kUnreadMessage = 0x8001;

enum class WorkerWrite { BeforePost, AfterPost };

// Not inlined, so that a report names them.
[[gnu::noinline]] void CallWritesShared(int& shared) {
    shared += 1;
}

[[gnu::noinline]] void HandlerWritesShared(int& shared) {
    shared += 1;
}

void RunEventsUntil(const bool& done) {
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// Queued by name, Qt builds its call itself: its arrival orders nothing that
// ThreadSanitizer sees, yet proves that whatever the worker posted before is queued.
class PostMarker : public QObject {
    Q_OBJECT

  public:
    void PostFromWorker() { QMetaObject::invokeMethod(this, "Arrive", Qt::QueuedConnection); }

    // Runs only this object's events, so that the others stay queued.
    void WaitForArrival() {
        while (!arrived_) {
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
            QThread::yieldCurrentThread();
        }
    }

  private slots:
    void Arrive() { arrived_ = true; }

  private:
    bool arrived_ = false;
};

// A worker queues a call to a context that is destroyed before it runs, then one
// that runs; each changes what the worker changes before or after posting them.
int QueueCalls(WorkerWrite when) {
    QObject context;
    auto doomed = std::make_unique<QObject>();
    QObject* doomedContext = doomed.get();
    PostMarker marker;
    int shared = 0;
    bool ran = false;
    std::thread worker([&, doomedContext] {
        if (when == WorkerWrite::BeforePost) {
            shared = 1;
        }
        platform::RunOnGuiThread(doomedContext, [&] { CallWritesShared(shared); });
        platform::RunOnGuiThread(&context, [&] {
            CallWritesShared(shared);
            ran = true;
        });
        if (when == WorkerWrite::AfterPost) {
            shared = 1;
        }
        marker.PostFromWorker();
    });
    marker.WaitForArrival();
    doomed.reset();
    RunEventsUntil(ran);
    worker.join();
    return shared;
}

class MessageReceiver : public QObject {
  public:
    explicit MessageReceiver(int& shared) : shared_(shared) {}

    bool handled = false;

  protected:
    bool event(QEvent* event) override {
        if (platform::WindowMessage::From(event, kMessage) != nullptr) {
            HandlerWritesShared(shared_);
            handled = true;
            return true;
        }
        return QObject::event(event);
    }

  private:
    int& shared_;
};

// A worker posts a message to a receiver destroyed before it arrives, one that no
// one reads and one that is handled; the handlers change what the worker changes
// before or after posting them.
int PostMessages(WorkerWrite when) {
    int shared = 0;
    MessageReceiver receiver(shared);
    auto doomed = std::make_unique<MessageReceiver>(shared);
    MessageReceiver* doomedReceiver = doomed.get();
    PostMarker marker;
    std::thread worker([&, doomedReceiver] {
        if (when == WorkerWrite::BeforePost) {
            shared = 1;
        }
        platform::PostWindowMessage(doomedReceiver, kMessage);
        platform::PostWindowMessage(&receiver, kUnreadMessage);
        platform::PostWindowMessage(&receiver, kMessage);
        if (when == WorkerWrite::AfterPost) {
            shared = 1;
        }
        marker.PostFromWorker();
    });
    marker.WaitForArrival();
    doomed.reset();
    RunEventsUntil(receiver.handled);
    worker.join();
    return shared;
}

struct ChildRun {
    int exitCode = -1;
    QString output;
    QString errors;
};

// One of the cases below in a fresh process of this binary, with the leg's
// suppressions; it stops at the first report.
ChildRun RunChild(const QString& name) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("TSAN_OPTIONS"),
        QStringLiteral("suppressions=" OMBREL_TSAN_SUPPRESSIONS " halt_on_error=1 exitcode=66"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=QueueHandoff.DISABLED_") + name,
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    EXPECT_TRUE(child.waitForFinished(60000));
    return {child.exitCode(), QString::fromUtf8(child.readAllStandardOutput()),
            QString::fromUtf8(child.readAllStandardError())};
}

void ExpectRaceReportedIn(const ChildRun& run, const char* planted) {
    EXPECT_EQ(run.exitCode, 66) << run.output.toStdString();
    EXPECT_TRUE(run.errors.contains(QStringLiteral("WARNING: ThreadSanitizer: data race")))
        << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QLatin1String(planted))) << run.errors.toStdString();
}

void ExpectCleanRun(const ChildRun& run) {
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("[  PASSED  ] 1 test.")))
        << run.output.toStdString();
    EXPECT_FALSE(run.errors.contains(QStringLiteral("ThreadSanitizer")))
        << run.errors.toStdString();
}

}  // namespace

// Run in child processes by the tests below.
TEST(QueueHandoff, DISABLED_QueuedCallsAfterTheWorkersWrite) {
    EXPECT_EQ(QueueCalls(WorkerWrite::BeforePost), 2);
}

TEST(QueueHandoff, DISABLED_QueuedCallsRacingTheWorkersWrite) {
    QueueCalls(WorkerWrite::AfterPost);
}

// On the GUI thread the call runs inside RunOnGuiThread itself.
TEST(QueueHandoff, DISABLED_CallAtOnceRacingAWorker) {
    QObject context;
    int shared = 0;
    std::thread worker([&] { shared = 1; });
    platform::RunOnGuiThread(&context, [&] { CallWritesShared(shared); });
    worker.join();
}

TEST(QueueHandoff, DISABLED_MessagesAfterTheWorkersWrite) {
    EXPECT_EQ(PostMessages(WorkerWrite::BeforePost), 2);
}

TEST(QueueHandoff, DISABLED_MessagesRacingTheWorkersWrite) {
    PostMessages(WorkerWrite::AfterPost);
}

TEST(QueueHandoff, QueuedCallsRunOrDroppedAreNotReported) {
    ExpectCleanRun(RunChild(QStringLiteral("QueuedCallsAfterTheWorkersWrite")));
}

TEST(QueueHandoff, ARaceInsideAQueuedCallIsReported) {
    ExpectRaceReportedIn(RunChild(QStringLiteral("QueuedCallsRacingTheWorkersWrite")),
                         "CallWritesShared");
}

TEST(QueueHandoff, ARaceInsideACallRunAtOnceIsReported) {
    ExpectRaceReportedIn(RunChild(QStringLiteral("CallAtOnceRacingAWorker")), "CallWritesShared");
}

TEST(QueueHandoff, PostedMessagesReadUnreadOrDroppedAreNotReported) {
    ExpectCleanRun(RunChild(QStringLiteral("MessagesAfterTheWorkersWrite")));
}

TEST(QueueHandoff, ARaceInsideAMessageHandlerIsReported) {
    ExpectRaceReportedIn(RunChild(QStringLiteral("MessagesRacingTheWorkersWrite")),
                         "HandlerWritesShared");
}

#include "QueueHandoffTest.moc"
