#pragma once

#include "recordings/LogManagement.h"

#include <QObject>
#include <QString>

#include <memory>

// A demo drive's merged sensor log, made the player's way: recordings with small
// synthetic pictures and the demo drive's log (DemoDriveLog) are written to a
// folder, probed and merged by a log manager whose messages this object handles
// as the main window does. GUI thread.
class DemoMergedLog : public QObject {
  public:
    DemoMergedLog();
    ~DemoMergedLog() override;

    // Writes `count` consecutive recordings of `seconds` each into `folder` and waits
    // until their logs are merged (5 samples a second). False with `error` set when a
    // file cannot be written or probed, or the merge does not end in time.
    bool Load(const QString& folder, int count, int seconds, QString* error);

    TLogManagement& Logs() { return *logs_; }

  protected:
    bool event(QEvent* event) override;

  private:
    bool MergeDone() const;

    std::unique_ptr<TLogManagement> logs_;
    FileItemList items_;  // one reference each
};
