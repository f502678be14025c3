#pragma once

#include "app/CutResultTable.h"
#include "app/SaveQuestion.h"
#include "cutting/Cuttingproc.h"
#include "platform/WindowMessage.h"
#include "recordings/FileItem.h"

#include <QString>

#include <functional>

class QWidget;

namespace app {

// The cut command of the main window: checks a span of the play list, asks where
// the clip goes, starts the cutting job, shows its progress and its result, and
// passes the user's stop request on. GUI thread only.
class CutCommand {
  public:
    explicit CutCommand(CuttingProc& job) : job_(job) {}

    // Cuts start..end (seconds of the play list's time line) of `items`; the save
    // dialog proposes a name in `defaultSaveFolder` when it is set.
    void Start(const FileItemList& items, double start, double end,
               const QString& defaultSaveFolder);
    // A WM_CUTTING_EVENT: progress (wParam 1, lParam per mille) or the job's result.
    void OnCuttingEvent(platform::WPARAM wParam, platform::LPARAM lParam);
    // The status button: asks, then sets the job's stop flag. Only while a cut runs.
    void RequestStop();

    // The status button's caption while a cut runs: "Cutting…" and per cent.
    static QString ProgressCaption(platform::LPARAM perMille);

    AskSaveName askSaveName;
    std::function<void(const QString& caption)> setStatusCaption;
    std::function<void()> repaintVideo;
    QWidget* owner = nullptr;  // of the application's boxes

  private:
    bool ChooseDestination(const FileItemList& items, double start,
                           const QString& defaultSaveFolder, QString* destination);
    void ShowResult(CutStage stage, CutResult result);
    void SetStatus(const QString& caption);
    void Repaint();

    CuttingProc& job_;
};

}  // namespace app
