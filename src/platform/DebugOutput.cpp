#include "DebugOutput.h"

#include <cstdio>
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

void DebugOutput::Write(const QString& line) {
    std::lock_guard lock(SinkMutex());
    if (CurrentSink()) {
        CurrentSink()(line);
        return;
    }
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

DebugOutput::Sink DebugOutput::SetSink(Sink sink) {
    std::lock_guard lock(SinkMutex());
    Sink previous = std::move(CurrentSink());
    CurrentSink() = std::move(sink);
    return previous;
}

}  // namespace platform
