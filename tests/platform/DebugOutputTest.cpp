#include "support/DebugCapture.h"

#include <gtest/gtest.h>

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
