#include "MessageBox.h"

#include "platform/GuiThread.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

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

}  // namespace

int MessageBox::Show(QWidget* owner, const QString& text, const QString& caption,
                     std::uint32_t flags) {
    const bool onGui = IsGuiThread();
    {
        Recorder& recorder = TheRecorder();
        std::lock_guard lock(recorder.mutex);
        if (recorder.recording) {
            recorder.boxes.push_back(RecordedBox{text, caption, flags, !onGui});
            return recorder.answer;
        }
    }
    if (onGui) {
        return ShowModal(owner, text, caption, flags);
    }
    // Without an application there is no one to show a box.
    if (QCoreApplication::instance() != nullptr) {
        // A worker's box has no owner window: the owner may be gone when it shows.
        RunOnGuiThread(nullptr,
                       [text, caption, flags] { ShowModal(nullptr, text, caption, flags); });
    }
    return IDOK;
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
