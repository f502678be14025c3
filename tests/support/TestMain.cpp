// Entry of every test binary: a headless application, private XDG folders for this
// process, and the message-box service recording instead of showing.
#include "platform/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    if (!home.isValid()) {
        return 2;
    }
    const QByteArray runtime = (home.path() + QStringLiteral("/runtime")).toLocal8Bit();
    const QByteArray config = (home.path() + QStringLiteral("/config")).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(runtime));
    QDir().mkpath(QString::fromLocal8Bit(config));
    QFile::setPermissions(QString::fromLocal8Bit(runtime),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("XDG_CONFIG_HOME", config);

    QApplication app(argc, argv);
    platform::MessageBox::StartRecording();
    return RUN_ALL_TESTS();
}
