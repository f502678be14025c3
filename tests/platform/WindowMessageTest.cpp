#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kMessage = 0x8000;

struct Seen {
    std::uint32_t message;
    platform::WPARAM wParam;
    platform::LPARAM lParam;
    bool onGuiThread;
};

int deliveredTotal = 0;

class Receiver : public QObject {
  public:
    std::vector<Seen> seen;

  protected:
    bool event(QEvent* event) override {
        if (const auto* message = dynamic_cast<platform::WindowMessage*>(event)) {
            ++deliveredTotal;
            seen.push_back({message->Message(), message->WParam(), message->LParam(),
                            QThread::currentThread() == QCoreApplication::instance()->thread()});
            static_cast<platform::WindowMessage*>(event)->SetResult(
                static_cast<platform::LRESULT>(message->WParam() * 2));
            return true;
        }
        return QObject::event(event);
    }
};

}  // namespace

TEST(WindowMessage, PostedFromAWorkerArrivesOnTheGuiThreadInOrder) {
    Receiver receiver;
    std::thread worker([&] {
        for (platform::WPARAM i = 0; i < 100; ++i) {
            platform::PostWindowMessage(&receiver, kMessage + (i % 2), i,
                                        -static_cast<platform::LPARAM>(i));
        }
    });
    worker.join();
    EXPECT_TRUE(receiver.seen.empty());  // nothing before the event loop runs
    QCoreApplication::processEvents();
    ASSERT_EQ(receiver.seen.size(), 100u);
    for (platform::WPARAM i = 0; i < 100; ++i) {
        EXPECT_EQ(receiver.seen[i].message, kMessage + (i % 2));
        EXPECT_EQ(receiver.seen[i].wParam, i);
        EXPECT_EQ(receiver.seen[i].lParam, -static_cast<platform::LPARAM>(i));
        EXPECT_TRUE(receiver.seen[i].onGuiThread);
    }
}

TEST(WindowMessage, SentIsDeliveredAtOnceWithTheReceiversResult) {
    Receiver receiver;
    EXPECT_EQ(platform::SendWindowMessage(&receiver, 0x83E9, 21, 0), 42);
    ASSERT_EQ(receiver.seen.size(), 1u);
    EXPECT_EQ(receiver.seen[0].message, 0x83E9u);
}

TEST(WindowMessage, MessagesToADestroyedReceiverAreDropped) {
    auto receiver = std::make_unique<Receiver>();
    platform::PostWindowMessage(receiver.get(), kMessage, 1, 2);
    const int before = deliveredTotal;
    receiver.reset();
    QCoreApplication::processEvents();  // must not touch the freed receiver
    EXPECT_EQ(deliveredTotal, before);
}

TEST(WindowMessage, FromRecognisesOnlyItsOwnMessage) {
    platform::WindowMessage message(0x8002, 1, 500);
    EXPECT_NE(platform::WindowMessage::From(&message, 0x8002), nullptr);
    EXPECT_EQ(platform::WindowMessage::From(&message, 0x8001), nullptr);
    QEvent other(QEvent::User);
    EXPECT_EQ(platform::WindowMessage::From(&other, QEvent::User), nullptr);
}
