#pragma once

#include <QLoggingCategory>
#include <QString>

#include <functional>

namespace platform {

// The process-wide debug output: the program's trace lines. They are written only
// while the logging category "ombrel.trace" has its debug level on, which it does
// not by default (QT_LOGGING_RULES="ombrel.trace.debug=true" turns it on). Lines are
// written whole under a lock, from any thread: through Qt's message handler (to
// stderr), or to a sink that tests install to capture them.
class DebugOutput {
  public:
    using Sink = std::function<void(const QString& line)>;

    static QLoggingCategory& Category();
    static void Write(const QString& line);
    // Replaces the sink; an empty sink restores Qt's message handler. Returns the
    // previous one.
    static Sink SetSink(Sink sink);
};

}  // namespace platform
