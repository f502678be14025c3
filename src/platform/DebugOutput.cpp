#include "DebugOutput.h"

#include <mutex>

namespace platform {

namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

DebugOutput::Sink& CurrentSink() {
    static DebugOutput::Sink sink;
    return sink;
}

}  // namespace

QLoggingCategory& DebugOutput::Category() {
    // Warnings and above only unless the rules say otherwise: no trace lines.
    static QLoggingCategory category("ombrel.trace", QtWarningMsg);
    return category;
}

void DebugOutput::Write(const QString& line) {
    if (!Category().isDebugEnabled()) {
        return;
    }
    std::lock_guard lock(SinkMutex());
    if (CurrentSink()) {
        CurrentSink()(line);
        return;
    }
    QMessageLogger().debug(Category()).noquote() << line;
}

DebugOutput::Sink DebugOutput::SetSink(Sink sink) {
    std::lock_guard lock(SinkMutex());
    Sink previous = std::move(CurrentSink());
    CurrentSink() = std::move(sink);
    return previous;
}

}  // namespace platform
