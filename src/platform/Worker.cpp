#include "Worker.h"

#include "platform/DebugOutput.h"

#include <QString>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <exception>

namespace platform {

namespace {

constexpr std::size_t kMaxThreadName = 15;  // the kernel's limit, without the final zero

}  // namespace

bool Worker::Control::Wait(std::chrono::milliseconds timeout) {
    if (worker_.StopRequested()) {
        return true;
    }
    // RequestStop signals the event after setting the flag, so a stop that comes
    // now ends this wait too.
    return worker_.wakeEvent_.WaitFor(timeout) || worker_.StopRequested();
}

void Worker::Control::Wait() {
    if (!worker_.StopRequested()) {
        worker_.wakeEvent_.Wait();
    }
}

bool Worker::Control::StopRequested() const {
    return worker_.StopRequested();
}

void Worker::Control::LowerPriority() {
    constexpr int kBackgroundNice = 19;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kBackgroundNice);
}

Worker::Worker(std::string name, Body body) : name_(std::move(name)), body_(std::move(body)) {
    thread_ = std::thread([this] { Main(); });
}

Worker::~Worker() {
    Stop();
}

void Worker::Wake() {
    wakeEvent_.Set();
}

void Worker::RequestStop() {
    stop_.store(true);
    wakeEvent_.Set();
}

void Worker::Stop() {
    RequestStop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void Worker::Main() {
    ::pthread_setname_np(::pthread_self(), name_.substr(0, kMaxThreadName).c_str());
    Control control(*this);
    try {
        body_(control);
    } catch (const std::exception& e) {
        DebugOutput::Write(QStringLiteral("Worker %1 ended by an exception: %2")
                               .arg(QString::fromStdString(name_), QString::fromUtf8(e.what())));
    } catch (...) {
        DebugOutput::Write(QStringLiteral("Worker %1 ended by an unknown exception")
                               .arg(QString::fromStdString(name_)));
    }
}

}  // namespace platform
