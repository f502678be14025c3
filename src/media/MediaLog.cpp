#include "MediaLog.h"

#include "platform/DebugOutput.h"

#include <QString>
#include <QStringList>

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <mutex>

namespace media {

namespace {

void FfmpegLogLine(void* object, int level, const char* format, va_list arguments) {
    if (level > av_log_get_level() || !platform::DebugOutput::Category().isDebugEnabled()) {
        return;
    }
    char line[1024];
    int printPrefix = 1;
    av_log_format_line2(object, level, format, arguments, line, sizeof(line), &printPrefix);
    // Some messages hold more than one line; each becomes a trace line of its own,
    // so that every line on stderr carries the category's prefix.
    const QStringList parts = QString::fromUtf8(line).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        platform::DebugOutput::Write(part);
    }
}

}  // namespace

void LogMediaFailure(const char* where, const std::exception& error) {
    LogMediaFailure(where, std::string(error.what()));
}

void LogMediaFailure(const char* where, const std::string& what) {
    platform::DebugOutput::Write(QStringLiteral("media: %1: %2")
                                     .arg(QString::fromUtf8(where), QString::fromStdString(what)));
}

void RouteFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(FfmpegLogLine); });
}

}  // namespace media
