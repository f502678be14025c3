#include "ProcessState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

pid_t CurrentThreadId() {
    return ::gettid();
}

bool ThreadIsAsleep(pid_t thread) {
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(thread));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    // "tid (name) S ...": the state follows the name, which may hold blanks.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && close + 2 < line.size() && line[close + 2] == 'S';
}

std::vector<pid_t> ThreadsNamed(const std::string& name) {
    std::vector<pid_t> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task) + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed().toStdString() == name) {
            threads.push_back(task.toInt());
        }
    }
    return threads;
}

bool FileIsOpen(const QString& path) {
    const QString wanted = QFileInfo(path).canonicalFilePath();
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(descriptors.filePath(fd)).symLinkTarget() == wanted) {
            return true;
        }
    }
    return false;
}
