#pragma once

#include "app/PlaybackCoordinator.h"
#include "recordings/FileItem.h"
#include "support/TsRecordingWriter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

struct ItemReleaser {
    void operator()(TFileItem* item) const { item->Release(); }
};
// One reference to an item, dropped at the end of the scope.
using ItemRef = std::unique_ptr<TFileItem, ItemReleaser>;

// The reference count, read through one AddRef/Release pair.
std::int32_t RefCount(TFileItem* item);

// An item whose file was never there: only the fields the logic reads are set.
ItemRef UnprobedItem(double duration, const QString& path = QStringLiteral("/absent/a.ts"));

// Pumps the GUI thread's events until `done` holds; false after the time-out.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 60000);

// A private folder for one test, with recordings written by the recorder's layout.
class AppFolderTest : public testing::Test {
  protected:
    QString PathOf(const QString& name) const { return folder_.filePath(name); }
    // Writes a recording and probes it; the test fails when either fails.
    ItemRef Recording(const QString& name, const tsrec::TsRecordingSpec& spec = {});

  private:
    QTemporaryDir folder_;
};

// The panel and the windows as the coordinator sees them. The pause action fires
// the pause event while "playing", as the real panel does.
class FakeHost : public app::PlaybackHost {
  public:
    double PanelSpeed() override { return speed; }
    double PanelVolume() override { return volume; }
    double PanelPosition() override { return position; }
    double PanelStartPoint() override { return startPoint; }
    double PanelEndPoint() override { return endPoint; }
    void SetPanelDuration(double seconds) override {
        duration = seconds;
        startPoint = 0.0;
        endPoint = seconds;
    }
    void SetPanelSpeed(double value) override { speed = value; }
    void PanelPause() override {
        ++pauseActions;
        if (panelPlaying && onPause) {
            onPause();
        }
        panelPlaying = false;
    }
    void ShowPosition(double seconds) override {
        position = seconds;
        shown.push_back(seconds);
    }
    void SetPlayingIndex(int index) override { playingIndex = index; }
    void SetTimerRunning(bool running) override { timerRunning = running; }
    void PlayListChanged(const FileItemList& items) override { logList = items; }
    void RepaintVideo() override { ++repaints; }

    double speed = 1.0, volume = 50.0, position = 0.0, startPoint = 0.0, endPoint = 0.0;
    double duration = -1.0;
    bool panelPlaying = false;
    std::function<void()> onPause;
    int pauseActions = 0;
    std::vector<double> shown;
    int playingIndex = -1;
    bool timerRunning = false;
    FileItemList logList;
    int repaints = 0;
};
