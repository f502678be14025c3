#include "BenchProcess.h"

#include <QElapsedTimer>
#include <QStandardPaths>

#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace bench {

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

std::vector<int> ParseCores(const QString& list) {
    std::vector<int> cores;
    for (const QString& part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList range = part.split(QLatin1Char('-'));
        bool firstOk = false;
        bool lastOk = false;
        const int first = range.front().toInt(&firstOk);
        const int last = range.size() == 2 ? range.back().toInt(&lastOk) : first;
        if (!firstOk || (range.size() == 2 && !lastOk) || range.size() > 2 || first < 0 ||
            last < first || last >= CPU_SETSIZE) {
            return {};
        }
        for (int core = first; core <= last; ++core) {
            cores.push_back(core);
        }
    }
    return cores;
}

namespace {

cpu_set_t CpuSet(const std::vector<int>& cores) {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (const int core : cores) {
        CPU_SET(core, &set);
    }
    return set;
}

}  // namespace

bool PinToCores(const std::vector<int>& cores) {
    if (cores.empty()) {
        return true;
    }
    const cpu_set_t set = CpuSet(cores);
    return sched_setaffinity(0, sizeof(set), &set) == 0;
}

ChildRun RunChild(const QStringList& command, const std::vector<int>& cores, bool keepOutput) {
    ChildRun run;
    if (command.isEmpty()) {
        return run;
    }
    const QString program = command.front().contains(QLatin1Char('/'))
                                ? command.front()
                                : QStandardPaths::findExecutable(command.front());
    if (program.isEmpty()) {
        return run;
    }
    // Everything the child needs is made before fork: it only pins, redirects and execs.
    std::vector<QByteArray> arguments;
    for (const QString& argument : command) {
        arguments.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const QByteArray path = program.toLocal8Bit();
    const cpu_set_t set = CpuSet(cores);
    int pipeFds[2] = {-1, -1};
    if (keepOutput && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return run;
    }
    const int nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);

    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    if (child == 0) {
        if (!cores.empty()) {
            sched_setaffinity(0, sizeof(set), &set);
        }
        ::dup2(nullFd, STDIN_FILENO);
        ::dup2(keepOutput ? pipeFds[1] : nullFd, STDOUT_FILENO);
        ::execv(path.constData(), argv.data());
        ::_exit(127);
    }
    ::close(nullFd);
    if (keepOutput) {
        ::close(pipeFds[1]);
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(pipeFds[0], buffer, sizeof(buffer));
            if (got > 0) {
                run.output.append(buffer, static_cast<qsizetype>(got));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
        ::close(pipeFds[0]);
    }
    if (child < 0) {
        return run;
    }
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.wallMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    run.peakRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::vector<double> ChildValues(const QByteArray& output, const char* key) {
    std::vector<double> values;
    const QByteArray wanted(key);
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        bool ok = false;
        const double value = fields.size() == 2 ? fields[1].toDouble(&ok) : 0.0;
        if (ok && fields[0] == wanted) {
            values.push_back(value);
        }
    }
    return values;
}

double ChildValue(const QByteArray& output, const char* key) {
    const std::vector<double> values = ChildValues(output, key);
    return values.empty() ? -1.0 : values.front();
}

}  // namespace bench
