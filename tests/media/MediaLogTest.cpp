#include "media/MediaLog.h"

#include "support/DebugCapture.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

// FFmpeg's messages are trace lines: off with them, whole lines when on, and only
// at the levels FFmpeg would print.
TEST(MediaLog, FfmpegMessagesAreTraceLines) {
    media::RouteFfmpegLog();
    QStringList lines;
    const auto previous =
        platform::DebugOutput::SetSink([&lines](const QString& line) { lines.append(line); });
    av_log(nullptr, AV_LOG_ERROR, "before %d\n", 1);  // trace lines off
    {
        const TraceOn on;
        av_log(nullptr, AV_LOG_ERROR, "error while decoding MB %d %d\n", 5, 12);
        av_log(nullptr, AV_LOG_DEBUG, "too fine\n");
    }
    platform::DebugOutput::SetSink(previous);
    EXPECT_EQ(lines, QStringList{QStringLiteral("error while decoding MB 5 12")});
}

// A message of two lines, as FFmpeg writes when it gives up on a stream's
// parameters, is two trace lines.
TEST(MediaLog, MessageOfSeveralLinesIsOneTraceLineEach) {
    media::RouteFfmpegLog();
    QStringList lines;
    const auto previous =
        platform::DebugOutput::SetSink([&lines](const QString& line) { lines.append(line); });
    {
        const TraceOn on;
        av_log(nullptr, AV_LOG_WARNING,
               "Could not find codec parameters for stream %d\nConsider %s\n", 0, "increasing");
    }
    platform::DebugOutput::SetSink(previous);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Could not find codec parameters for stream 0"),
                                  QStringLiteral("Consider increasing")}));
}
