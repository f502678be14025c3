#include "TestMedia.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

extern char** environ;

namespace tsrec {

namespace {

using MediaKey = std::tuple<int, int, int, double, int, int, bool, int, int, int, QString, int>;

MediaKey KeyOf(const TestMediaParams& p) {
    return {p.width, p.height, p.frameRate,  p.seconds,   p.gopFrames, p.videoKbps,
            p.grain, p.toneHz, p.sampleRate, p.audioKbps, p.preset,    p.bFrames};
}

QStringList EncoderArguments(const TestMediaParams& p, const QString& videoPath,
                             const QString& audioPath) {
    const QString seconds = QString::number(p.seconds, 'f', 3);
    QString video = QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                        .arg(p.width)
                        .arg(p.height)
                        .arg(p.frameRate)
                        .arg(seconds);
    if (p.grain) {
        video += QStringLiteral(",noise=alls=24:allf=t");
    }
    const QString audio = QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                              .arg(p.toneHz)
                              .arg(p.sampleRate)
                              .arg(seconds);
    const int gop = p.gopFrames > 0 ? p.gopFrames : p.frameRate;
    QStringList args = {QStringLiteral("-nostdin"),
                        QStringLiteral("-hide_banner"),
                        QStringLiteral("-loglevel"),
                        QStringLiteral("error"),
                        QStringLiteral("-y"),
                        QStringLiteral("-f"),
                        QStringLiteral("lavfi"),
                        QStringLiteral("-i"),
                        video,
                        QStringLiteral("-f"),
                        QStringLiteral("lavfi"),
                        QStringLiteral("-i"),
                        audio,
                        QStringLiteral("-map"),
                        QStringLiteral("0:v"),
                        QStringLiteral("-c:v"),
                        QStringLiteral("libx264"),
                        QStringLiteral("-preset"),
                        p.preset,
                        QStringLiteral("-pix_fmt"),
                        QStringLiteral("yuv420p"),
                        QStringLiteral("-g"),
                        QString::number(gop),
                        QStringLiteral("-keyint_min"),
                        QString::number(gop),
                        QStringLiteral("-sc_threshold"),
                        QStringLiteral("0"),
                        QStringLiteral("-bf"),
                        QString::number(p.bFrames),
                        QStringLiteral("-x264-params"),
                        QStringLiteral("aud=1")};
    if (p.videoKbps > 0) {
        args << QStringLiteral("-b:v") << QStringLiteral("%1k").arg(p.videoKbps)
             << QStringLiteral("-maxrate") << QStringLiteral("%1k").arg(p.videoKbps)
             << QStringLiteral("-bufsize") << QStringLiteral("%1k").arg(2 * p.videoKbps);
    } else {
        args << QStringLiteral("-crf") << QStringLiteral("28");
    }
    // Reordered pictures need their time stamps, which only a container keeps.
    args << QStringLiteral("-f")
         << (p.bFrames > 0 ? QStringLiteral("mpegts") : QStringLiteral("h264")) << videoPath
         << QStringLiteral("-map") << QStringLiteral("1:a") << QStringLiteral("-c:a")
         << QStringLiteral("aac") << QStringLiteral("-b:a")
         << QStringLiteral("%1k").arg(p.audioKbps) << QStringLiteral("-f") << QStringLiteral("adts")
         << audioPath;
    return args;
}

// Takes the pictures of the MPEG-TS file at `tsPath` out into Annex B at `h264Path`
// and lists each one's presentation delay, in decode order.
bool TakeReorderedPictures(const QString& tsPath, const QString& h264Path, ElementaryStreams* out,
                           QByteArray* errors) {
    QByteArray times;
    if (!RunTool(QStringLiteral("ffprobe"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                  QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                  QStringLiteral("packet=pts,dts"), QStringLiteral("-of"),
                  QStringLiteral("csv=p=0"), tsPath},
                 &times, errors) ||
        !RunTool(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                  QStringLiteral("-y"), QStringLiteral("-i"), tsPath, QStringLiteral("-c:v"),
                  QStringLiteral("copy"), QStringLiteral("-f"), QStringLiteral("h264"), h264Path},
                 nullptr, errors)) {
        return false;
    }
    for (const QByteArray& line : times.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields.size() >= 2) {
            out->presentationDelays.push_back(fields[0].toLongLong() - fields[1].toLongLong());
        }
    }
    return true;
}

// A child process with its standard output and error read through pipes.
class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            Reap(0);
        }
        CloseAll();
    }

    bool Start(const QString& program, const QStringList& arguments, QString* failure) {
        int out[2] = {-1, -1};
        int err[2] = {-1, -1};
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
            *failure = QStringLiteral("pipe: %1").arg(std::strerror(errno));
            return false;
        }
        out_ = out[0];
        err_ = err[0];
        std::vector<QByteArray> storage{program.toLocal8Bit()};
        for (const QString& argument : arguments) {
            storage.push_back(argument.toLocal8Bit());
        }
        std::vector<char*> argv;
        for (QByteArray& item : storage) {
            argv.push_back(item.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        const int spawned =
            ::posix_spawnp(&pid_, argv.front(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        if (spawned != 0) {
            pid_ = -1;
            *failure = QStringLiteral("%1: %2").arg(program,
                                                    QString::fromLocal8Bit(std::strerror(spawned)));
            return false;
        }
        return true;
    }

    // Reads both pipes until they close and the child exits; false on the timeout
    // (the child is killed then).
    bool ReadUntilExit(int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out_ >= 0 || err_ >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                ::kill(pid_, SIGKILL);
                Reap(0);
                return false;
            }
            pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
                break;
            }
            Drain(fds[0], out_, output_);
            Drain(fds[1], err_, errors_);
        }
        return Reap(0);
    }

    const QByteArray& Output() const { return output_; }
    const QByteArray& Errors() const { return errors_; }
    bool ExitedWithZero() const {
        return reaped_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
    }

  private:
    static void Drain(const pollfd& polled, int& fd, QByteArray& into) {
        if (fd < 0 || (polled.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            return;
        }
        char buffer[65536];
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got > 0) {
            into.append(buffer, got);
        } else if (got == 0 || errno != EINTR) {
            ::close(fd);
            fd = -1;
        }
    }

    bool Reap(int flags) {
        while (!reaped_) {
            const pid_t done = ::waitpid(pid_, &status_, flags);
            if (done == pid_) {
                reaped_ = true;
            } else if (done < 0 && errno != EINTR) {
                return false;
            }
        }
        return true;
    }

    void CloseAll() {
        for (int* fd : {&out_, &err_}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int status_ = 0;
    bool reaped_ = false;
    QByteArray output_;
    QByteArray errors_;
};

}  // namespace

// Tools start with posix_spawn, not QProcess: QProcess's own way of starting a child
// leaves ThreadSanitizer's state of the calling thread broken (it then reports
// every later wake through a condition variable as a race).
bool RunTool(const QString& program, const QStringList& arguments, QByteArray* output,
             QByteArray* errors, int timeoutMs) {
    ChildProcess child;
    QString failure;
    if (!child.Start(program, arguments, &failure)) {
        if (errors != nullptr) {
            *errors = failure.toUtf8();
        }
        return false;
    }
    const bool finished = child.ReadUntilExit(timeoutMs);
    if (output != nullptr) {
        *output = child.Output();
    }
    if (errors != nullptr) {
        *errors = child.Errors();
    }
    return finished && child.ExitedWithZero();
}

bool EncodeMedia(const TestMediaParams& params, const QString& workDir, ElementaryStreams* out,
                 QString* error) {
    const QString stem = QStringLiteral("%1/media-%2x%3-%4-%5")
                             .arg(workDir)
                             .arg(params.width)
                             .arg(params.height)
                             .arg(params.videoKbps)
                             .arg(reinterpret_cast<quintptr>(out));
    const QString videoPath = stem + QStringLiteral(".h264");
    const QString reorderedPath = stem + QStringLiteral(".ts");
    const QString audioPath = stem + QStringLiteral(".aac");
    const bool reordered = params.bFrames > 0;
    QByteArray errors;
    if (!RunTool(QStringLiteral("ffmpeg"),
                 EncoderArguments(params, reordered ? reorderedPath : videoPath, audioPath),
                 nullptr, &errors, 600000) ||
        (reordered && !TakeReorderedPictures(reorderedPath, videoPath, out, &errors))) {
        if (error != nullptr) {
            *error = QString::fromUtf8(errors);
        }
        return false;
    }
    out->h264 = ReadFileBytes(videoPath);
    out->adts = ReadFileBytes(audioPath);
    out->frameRate = params.frameRate;
    QFile::remove(videoPath);
    QFile::remove(reorderedPath);
    QFile::remove(audioPath);
    if (out->h264.empty()) {
        if (error != nullptr) {
            *error = QStringLiteral("ffmpeg wrote no video");
        }
        return false;
    }
    return true;
}

const ElementaryStreams& TestMedia(const TestMediaParams& params) {
    static std::mutex mutex;
    static std::map<MediaKey, std::unique_ptr<ElementaryStreams>> cache;
    static QTemporaryDir folder;
    std::lock_guard lock(mutex);
    auto& slot = cache[KeyOf(params)];
    if (!slot) {
        slot = std::make_unique<ElementaryStreams>();
        QString error;
        if (!folder.isValid() || !EncodeMedia(params, folder.path(), slot.get(), &error)) {
            qWarning("test media: %s", qPrintable(error));
            *slot = ElementaryStreams{};
        }
    }
    return *slot;
}

FfprobeReport RunFfprobe(const QString& path) {
    FfprobeReport report;
    QByteArray output;
    QByteArray errors;
    report.ran =
        RunTool(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("format=duration:stream=codec_type,codec_name"),
                 QStringLiteral("-of"), QStringLiteral("json"), path},
                &output, &errors);
    report.errors = QString::fromUtf8(errors);
    const QJsonObject root = QJsonDocument::fromJson(output).object();
    report.duration = root.value(QStringLiteral("format"))
                          .toObject()
                          .value(QStringLiteral("duration"))
                          .toString()
                          .toDouble();
    for (const QJsonValue& stream : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject object = stream.toObject();
        report.codecTypes << object.value(QStringLiteral("codec_type")).toString();
        report.codecNames << object.value(QStringLiteral("codec_name")).toString();
    }
    return report;
}

}  // namespace tsrec
