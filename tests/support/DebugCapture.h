#pragma once

#include "platform/DebugOutput.h"

#include <QString>
#include <QStringList>

#include <mutex>

// Collects the debug output while it lives.
class DebugCapture {
  public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    QStringList Lines() const;
    // True when some line holds `part`.
    bool Contains(const QString& part) const;

  private:
    mutable std::mutex mutex_;
    QStringList lines_;
    platform::DebugOutput::Sink previous_;
};
