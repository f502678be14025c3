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

namespace {

// The number after `field` in a /proc status file; -1 when there is none.
long StatusNumber(const QString& path, const QByteArray& field) {
    QFile status(path);
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed().split(' ').front().toLong();
        }
    }
    return -1;
}

}  // namespace

long VoluntarySwitches(pid_t thread) {
    return StatusNumber(QStringLiteral("/proc/self/task/%1/status").arg(thread),
                        "voluntary_ctxt_switches:");
}

long PeakResidentKiB() {
    return StatusNumber(QStringLiteral("/proc/self/status"), "VmHWM:");
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
