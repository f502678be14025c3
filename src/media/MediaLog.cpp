#include "MediaLog.h"

#include "platform/DebugOutput.h"

#include <QString>

namespace media {

void LogMediaFailure(const char* where, const std::exception& error) {
    platform::DebugOutput::Write(
        QStringLiteral("media: %1: %2")
            .arg(QString::fromUtf8(where), QString::fromUtf8(error.what())));
}

}  // namespace media
