#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>

using platform::SingleInstance;

namespace {

constexpr char kLockPathVariable[] = "OMBREL_TEST_LOCK_PATH";
constexpr char kHeldMarker[] = "lock-held-by-holder";

}  // namespace

TEST(SingleInstance, LockFileLiesInTheRuntimeFolder) {
    EXPECT_EQ(SingleInstance::DefaultLockPath(QStringLiteral("OmbrelPlayer")),
              qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/OmbrelPlayer.lock"));
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(SingleInstance::DefaultLockPath(QStringLiteral("OmbrelPlayer")),
              QStringLiteral("/tmp/OmbrelPlayer-%1.lock").arg(::getuid()));
    qputenv("XDG_RUNTIME_DIR", runtime);
}

TEST(SingleInstance, ASecondHolderIsRefusedUntilTheFirstEnds) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("OmbrelPlayer.lock"));
    {
        SingleInstance first(path);
        EXPECT_TRUE(first.IsFirst());
        SingleInstance second(path);
        EXPECT_FALSE(second.IsFirst());
        // The refused one must not have released the holder's lock.
        SingleInstance third(path);
        EXPECT_FALSE(third.IsFirst());
    }
    SingleInstance afterwards(path);
    EXPECT_TRUE(afterwards.IsFirst());
}

TEST(SingleInstance, AnUnopenableLockFileDoesNotStopTheProgram) {
    SingleInstance lock(QStringLiteral("/nonexistent-folder/OmbrelPlayer.lock"));
    EXPECT_TRUE(lock.IsFirst());
}

// Run as a child process by the test below: takes the lock and waits to be killed.
TEST(SingleInstance, DISABLED_HoldUntilKilled) {
    SingleInstance lock(qEnvironmentVariable(kLockPathVariable));
    ASSERT_TRUE(lock.IsFirst());
    std::printf("%s\n", kHeldMarker);
    std::fflush(stdout);
    for (;;) {
        ::pause();
    }
}

TEST(SingleInstance, AKilledHolderLeavesTheLockFree) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("OmbrelPlayer.lock"));
    QProcess holder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kLockPathVariable), path);
    holder.setProcessEnvironment(environment);
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=SingleInstance.DISABLED_HoldUntilKilled"),
                  QStringLiteral("--gtest_also_run_disabled_tests")});
    ASSERT_TRUE(holder.waitForStarted(30000));
    QByteArray output;
    const QDeadlineTimer deadline(60000);
    while (!output.contains(kHeldMarker) && !deadline.hasExpired() &&
           holder.state() == QProcess::Running) {
        holder.waitForReadyRead(1000);
        output += holder.readAllStandardOutput();
    }
    ASSERT_TRUE(output.contains(kHeldMarker)) << output.constData();

    EXPECT_FALSE(SingleInstance(path).IsFirst());
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(30000));
    EXPECT_EQ(holder.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(SingleInstance(path).IsFirst());
}
