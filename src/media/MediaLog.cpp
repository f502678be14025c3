#include "MediaLog.h"

#include "platform/DebugOutput.h"

#include <QString>

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
    QString text = QString::fromUtf8(line);
    while (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    if (!text.isEmpty()) {
        platform::DebugOutput::Write(text);
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
