#include "SingleInstance.h"

#include "DebugOutput.h"

#include <QDir>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace platform {

QString SingleInstance::DefaultLockPath(const QString& name) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists()) {
        return runtime + u'/' + name + QStringLiteral(".lock");
    }
    return QStringLiteral("/tmp/%1-%2.lock").arg(name).arg(::getuid());
}

SingleInstance::SingleInstance(const QString& lockPath) {
    // O_NOFOLLOW: in /tmp another user could plant a link to a file of ours.
    fd_ =
        ::open(lockPath.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        DebugOutput::Write(QStringLiteral("SingleInstance: cannot open %1: %2")
                               .arg(lockPath, QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    int result;
    do {
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        first_ = errno != EWOULDBLOCK;
        if (first_) {
            DebugOutput::Write(QStringLiteral("SingleInstance: cannot lock %1: %2")
                                   .arg(lockPath, QString::fromLocal8Bit(std::strerror(errno))));
        }
        ::close(fd_);
        fd_ = -1;
    }
}

SingleInstance::~SingleInstance() {
    // Closing the only descriptor releases the lock; the file stays for the next run.
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace platform
