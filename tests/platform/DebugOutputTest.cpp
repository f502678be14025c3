#include "support/DebugCapture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <thread>
#include <vector>

TEST(DebugOutput, LinesFromManyThreadsArriveWhole) {
    DebugCapture capture;
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 50; ++i) {
                platform::DebugOutput::Write(QStringLiteral("thread %1 line %2 end").arg(t).arg(i));
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    const QStringList lines = capture.Lines();
    ASSERT_EQ(lines.size(), 200);
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("thread ")) &&
                    line.endsWith(QStringLiteral(" end")))
            << line.toStdString();
    }
}

TEST(DebugOutput, CaptureEndsWithItsScope) {
    const TraceOn on;
    QStringList outer;
    auto previous = platform::DebugOutput::SetSink([&](const QString& line) { outer << line; });
    {
        DebugCapture inner;
        platform::DebugOutput::Write(QStringLiteral("inner"));
        EXPECT_TRUE(inner.Contains(QStringLiteral("inner")));
    }
    platform::DebugOutput::Write(QStringLiteral("outer"));
    platform::DebugOutput::SetSink(std::move(previous));
    EXPECT_EQ(outer, QStringList{QStringLiteral("outer")});
}

namespace {

// The trace lines a fresh process of this binary writes to stderr with the logging
// rules given (none: the variable unset).
QString ChildTrace(const QString& rules) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    if (!rules.isEmpty()) {
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
    }
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=DebugOutput.DISABLED_WriteTraceLines"),
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    EXPECT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0);
    return QString::fromUtf8(child.readAllStandardError());
}

}  // namespace

// Run in a child process by the test below.
TEST(DebugOutput, DISABLED_WriteTraceLines) {
    platform::DebugOutput::Write(QStringLiteral("GdiplusStartup"));
    platform::DebugOutput::Write(QStringLiteral(" AM_PMT_PID is not equal."));
}

// Off by default; the logging rules turn the category on, and its lines reach
// stderr through Qt's message handler.
TEST(DebugOutput, TraceLinesAreOffUnlessTheLoggingRulesTurnThemOn) {
    EXPECT_FALSE(ChildTrace(QString()).contains(QStringLiteral("Gdiplus")));
    EXPECT_FALSE(ChildTrace(QStringLiteral("*.debug=false")).contains(QStringLiteral("Gdiplus")));
    const QString on = ChildTrace(QStringLiteral("ombrel.trace.debug=true"));
    EXPECT_TRUE(on.contains(QStringLiteral("ombrel.trace: GdiplusStartup\n")));
    EXPECT_TRUE(on.contains(QStringLiteral("ombrel.trace:  AM_PMT_PID is not equal.\n")));
}
