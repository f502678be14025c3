#include "MediaLog.h"

#include "platform/DebugOutput.h"

#include <QString>

namespace media {

void LogMediaFailure(const char* where, const std::exception& error) {
    LogMediaFailure(where, std::string(error.what()));
}

void LogMediaFailure(const char* where, const std::string& what) {
    platform::DebugOutput::Write(QStringLiteral("media: %1: %2")
                                     .arg(QString::fromUtf8(where), QString::fromStdString(what)));
}

}  // namespace media
