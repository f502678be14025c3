#include "DebugCapture.h"

TraceOn::TraceOn() : wasOn_(platform::DebugOutput::Category().isDebugEnabled()) {
    platform::DebugOutput::Category().setEnabled(QtDebugMsg, true);
}

TraceOn::~TraceOn() {
    platform::DebugOutput::Category().setEnabled(QtDebugMsg, wasOn_);
}

DebugCapture::DebugCapture() {
    previous_ = platform::DebugOutput::SetSink([this](const QString& line) {
        std::lock_guard lock(mutex_);
        lines_.append(line);
    });
}

DebugCapture::~DebugCapture() {
    platform::DebugOutput::SetSink(std::move(previous_));
}

QStringList DebugCapture::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool DebugCapture::Contains(const QString& part) const {
    std::lock_guard lock(mutex_);
    for (const QString& line : lines_) {
        if (line.contains(part)) {
            return true;
        }
    }
    return false;
}
