#pragma once

#include <QString>

#include <functional>

namespace platform {

// The process-wide debug output. Lines are written whole under a lock, from any
// thread. By default they go to stderr; tests install a sink to capture them.
class DebugOutput {
  public:
    using Sink = std::function<void(const QString& line)>;

    static void Write(const QString& line);
    // Replaces the sink; an empty sink restores stderr. Returns the previous one.
    static Sink SetSink(Sink sink);
};

}  // namespace platform
