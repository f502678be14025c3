#include "MessageBox.h"

#include "platform/GuiThread.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace platform {

namespace {

struct Recorder {
    std::mutex mutex;
    bool recording = false;
    int answer = IDOK;
    std::vector<RecordedBox> boxes;
};

Recorder& TheRecorder() {
    static Recorder recorder;
    return recorder;
}

QMessageBox::Icon IconOf(std::uint32_t flags) {
    switch (flags & 0xF0) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONASTERISK:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsOf(std::uint32_t flags) {
    switch (flags & 0xF) {
        case MB_OKCANCEL:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MB_YESNOCANCEL:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MB_YESNO:
            return QMessageBox::Yes | QMessageBox::No;
        default:
            return QMessageBox::Ok;
    }
}

int AnswerOf(int button) {
    switch (button) {
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
    }
}

int ShowModal(QWidget* owner, const QString& text, const QString& caption, std::uint32_t flags) {
    QMessageBox box(IconOf(flags), caption, text, ButtonsOf(flags), owner);
    return AnswerOf(box.exec());
}

// True (and the box recorded) in recording mode, with the preset answer.
bool Record(const QString& text, const QString& caption, std::uint32_t flags, bool onGui,
            int* answer) {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    if (!recorder.recording) {
        return false;
    }
    recorder.boxes.push_back(RecordedBox{text, caption, flags, !onGui});
    *answer = recorder.answer;
    return true;
}

// The end of a worker's box, shared by the waiting worker and the queued call.
struct BoxOutcome {
    std::mutex mutex;
    std::condition_variable closed;
    bool done = false;
    int answer = IDCANCEL;

    void Close(int result) {
        {
            std::lock_guard lock(mutex);
            if (done) {
                return;
            }
            done = true;
            answer = result;
        }
        closed.notify_all();
    }
};

// Held by the queued call: its end, run or dropped unrun (no event loop left to
// run it), ends the wait.
struct BoxCloser {
    std::shared_ptr<BoxOutcome> outcome;
    explicit BoxCloser(std::shared_ptr<BoxOutcome> of) : outcome(std::move(of)) {}
    ~BoxCloser() { outcome->Close(IDCANCEL); }
    BoxCloser(const BoxCloser&) = delete;
    BoxCloser& operator=(const BoxCloser&) = delete;
};

// A worker's box has no owner window: the owner may be gone when it shows.
// False when there is no application to show it.
bool QueueBox(const QString& text, const QString& caption, std::uint32_t flags,
              std::shared_ptr<BoxOutcome> outcome) {
    if (QCoreApplication::instance() == nullptr) {
        return false;
    }
    auto closer = std::make_shared<BoxCloser>(std::move(outcome));
    RunOnGuiThread(nullptr, [text, caption, flags, closer] {
        closer->outcome->Close(ShowModal(nullptr, text, caption, flags));
    });
    return true;
}

}  // namespace

int MessageBox::Show(QWidget* owner, const QString& text, const QString& caption,
                     std::uint32_t flags) {
    const bool onGui = IsGuiThread();
    int answer = IDOK;
    if (Record(text, caption, flags, onGui, &answer)) {
        return answer;
    }
    if (onGui) {
        return ShowModal(owner, text, caption, flags);
    }
    QueueBox(text, caption, flags, std::make_shared<BoxOutcome>());
    return IDOK;
}

int MessageBox::ShowAndWait(const QString& text, const QString& caption, std::uint32_t flags,
                            const std::function<bool()>& stopRequested) {
    const bool onGui = IsGuiThread();
    int answer = IDOK;
    if (Record(text, caption, flags, onGui, &answer)) {
        return answer;
    }
    if (onGui) {
        return ShowModal(nullptr, text, caption, flags);
    }
    auto outcome = std::make_shared<BoxOutcome>();
    if (!QueueBox(text, caption, flags, outcome)) {
        return IDOK;
    }
    // A stop request has no event of its own here: it is looked at a few times
    // a second.
    constexpr auto kStopPoll = std::chrono::milliseconds(50);
    std::unique_lock lock(outcome->mutex);
    while (!outcome->closed.wait_for(lock, kStopPoll, [&] { return outcome->done; })) {
        if (stopRequested && stopRequested()) {
            return IDCANCEL;
        }
    }
    return outcome->answer;
}

void MessageBox::StartRecording(int answer) {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    recorder.recording = true;
    recorder.answer = answer;
    recorder.boxes.clear();
}

void MessageBox::StopRecording() {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    recorder.recording = false;
}

bool MessageBox::IsRecording() {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    return recorder.recording;
}

void MessageBox::SetAnswer(int answer) {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    recorder.answer = answer;
}

std::vector<RecordedBox> MessageBox::Recorded() {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    return recorder.boxes;
}

void MessageBox::ClearRecorded() {
    Recorder& recorder = TheRecorder();
    std::lock_guard lock(recorder.mutex);
    recorder.boxes.clear();
}

}  // namespace platform
