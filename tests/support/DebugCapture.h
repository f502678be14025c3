#pragma once

#include "platform/DebugOutput.h"

#include <QString>
#include <QStringList>

#include <mutex>

// Turns the trace lines on while it lives, whatever QT_LOGGING_RULES says: for
// tests that look at them.
class TraceOn {
  public:
    TraceOn();
    ~TraceOn();
    TraceOn(const TraceOn&) = delete;
    TraceOn& operator=(const TraceOn&) = delete;

  private:
    bool wasOn_;
};

// Collects the debug output while it lives, with the trace lines turned on.
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
    TraceOn on_;
    mutable std::mutex mutex_;
    QStringList lines_;
    platform::DebugOutput::Sink previous_;
};
