#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace platform {

// Button and icon flags and answers, with the values the program's boxes are
// described with.
enum : std::uint32_t {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONHAND = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONASTERISK = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct RecordedBox {
    QString text;
    QString caption;
    std::uint32_t flags = 0;
    bool fromWorker = false;  // shown from a thread other than the GUI thread
};

// The one message-box service. On the GUI thread a box is modal and its answer
// returned; from any other thread the box is queued to the GUI thread and the
// caller goes on at once with IDOK. In recording mode (tests) every box is
// recorded instead and answered with the preset answer.
class MessageBox {
  public:
    static int Show(QWidget* owner, const QString& text, const QString& caption,
                    std::uint32_t flags);
    // For a worker whose next step must come after the box: queues the box (no
    // owner) like Show, then waits until the user has closed it and gives the
    // answer. `stopRequested` is polled while waiting; once it is true the worker
    // goes on at once with IDCANCEL and the box stays for the user. On the GUI
    // thread this is Show, modal: the GUI thread never waits on a worker's box.
    static int ShowAndWait(const QString& text, const QString& caption, std::uint32_t flags,
                           const std::function<bool()>& stopRequested);

    static void StartRecording(int answer = IDOK);
    static void StopRecording();
    static bool IsRecording();
    static void SetAnswer(int answer);
    static std::vector<RecordedBox> Recorded();
    static void ClearRecorded();
};

}  // namespace platform
