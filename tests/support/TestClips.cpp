#include "TestClips.h"

#include "TestMedia.h"
#include "TsRecordingWriter.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <random>

namespace {

QTemporaryDir& Folder() {
    static QTemporaryDir folder;
    return folder;
}

QString Make(const QString& name, const std::function<bool(const QString&)>& make) {
    const QString path = Folder().filePath(name);
    if (!QFile::exists(path) && !make(path)) {
        return {};
    }
    return path;
}

QString PictureFilter(int rate = 25, int seconds = 4) {
    // Ten bands of 32 pixels across the top 48 rows: bit i of the picture number.
    return QStringLiteral("testsrc2=s=320x240:r=%1:d=%2,").arg(rate).arg(seconds) +
           QStringLiteral(
               "geq=lum='if(lt(Y\\,48)\\,255*mod(floor(N/pow(2\\,floor(X/32)))\\,2)\\,lum(X\\,Y))'"
               ":cb='if(lt(Y\\,48)\\,128\\,cb(X\\,Y))':cr='if(lt(Y\\,48)\\,128\\,cr(X\\,Y))'");
}

QStringList VideoCodec() {
    return {"-c:v", "libx264", "-preset", "veryfast", "-g",
            "25",   "-bf",     "2",       "-pix_fmt", "yuv420p"};
}

QStringList AudioCodec() {
    return {"-c:a", "aac", "-b:a", "96k", "-ac", "2"};
}

// Offsets of the packets that start the clip's key-frame PES (the random-access
// flag set), in file order.
std::vector<std::size_t> KeyFrameStarts(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::size_t> starts;
    for (const std::size_t at : tsrec::PacketOffsets(bytes, 0x1011)) {
        const std::uint8_t* packet = &bytes[at];
        const bool start = (packet[1] & 0x40) != 0;
        const bool adaptation = (packet[3] & 0x20) != 0 && packet[4] > 0;
        if (start && adaptation && (packet[5] & 0x40) != 0) {
            starts.push_back(at);
        }
    }
    return starts;
}

// Head, middle, tail; the middle as a hole when `garbage` is empty.
bool WriteDamagedClip(const QString& path, const std::vector<std::uint8_t>& garbage) {
    const std::vector<std::uint8_t> clip = tsrec::ReadFileBytes(TestClipPath());
    const std::vector<std::size_t> keys = KeyFrameStarts(clip);
    if (keys.size() != 4) {
        return false;
    }
    // Torn packets at both edges, as a cut in the middle of a write leaves them.
    const std::size_t headEnd = keys[2] + 100;
    const std::size_t tailStart = keys[3] - 100;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const auto write = [&](const std::uint8_t* data, std::size_t size) {
        return file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
               static_cast<qint64>(size);
    };
    bool ok = write(clip.data(), headEnd);
    if (garbage.empty()) {
        ok = ok && file.resize(static_cast<qint64>(headEnd) + kHoleBytes) &&
             file.seek(static_cast<qint64>(headEnd) + kHoleBytes);
    } else {
        ok = ok && write(garbage.data(), garbage.size());
    }
    return ok && write(clip.data() + tailStart, clip.size() - tailStart);
}

}  // namespace

QString HoledClipPath() {
    return Make("holed.ts", [](const QString& path) { return WriteDamagedClip(path, {}); });
}

QString GarbledClipPath() {
    return Make("garbled.ts", [](const QString& path) {
        std::mt19937 random(18);
        std::vector<std::uint8_t> garbage(static_cast<std::size_t>(kGarbageBytes));
        for (std::uint8_t& byte : garbage) {
            byte = static_cast<std::uint8_t>(random());
        }
        return WriteDamagedClip(path, garbage);
    });
}

QString ZeroTailRecordingPath() {
    return Make("zero-tail.ts", [](const QString& path) {
        tsrec::TestMediaParams camera;
        camera.seconds = 2;
        camera.videoKbps = 3000;
        camera.grain = true;
        const tsrec::ElementaryStreams& media = tsrec::TestMedia(camera);
        tsrec::TsRecordingSpec spec;
        spec.media = &media;
        spec.mediaRepeats = static_cast<int>(kZeroTailSeconds / camera.seconds);
        if (media.h264.empty() || !tsrec::WriteTsRecording(path, spec)) {
            return false;
        }
        QFile file(path);
        return file.resize(file.size() + kZeroTailBytes);
    });
}

QString TestFolder() {
    return Folder().path();
}

QString TestClipPath() {
    return Make("clip.ts", [](const QString& path) {
        QStringList args{"-v",
                         "error",
                         "-y",
                         "-f",
                         "lavfi",
                         "-i",
                         PictureFilter(),
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=f=1000:r=48000:d=4"};
        args << VideoCodec() << AudioCodec()
             << QStringList{"-streamid", "0:0x1011", "-streamid", "1:0x1100", "-f", "mpegts", path};
        return tsrec::RunTool("ffmpeg", args, nullptr, nullptr);
    });
}

QString VideoOnlyClipPath() {
    return Make("video.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", PictureFilter()};
        args << VideoCodec() << QStringList{"-f", "mpegts", path};
        return tsrec::RunTool("ffmpeg", args, nullptr, nullptr);
    });
}

QString ThirtyFpsClipPath() {
    return Make("thirty.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", PictureFilter(30, 2)};
        args << VideoCodec() << QStringList{"-g", "30", "-f", "mpegts", path};
        return tsrec::RunTool("ffmpeg", args, nullptr, nullptr);
    });
}

QString AudioOnlyClipPath() {
    return Make("audio.ts", [](const QString& path) {
        QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=f=1000:r=48000:d=2"};
        args << AudioCodec() << QStringList{"-f", "mpegts", path};
        return tsrec::RunTool("ffmpeg", args, nullptr, nullptr);
    });
}

QString CutOffClipPath() {
    return Make("cutoff.ts", [](const QString& path) {
        QFile source(TestClipPath());
        if (!source.open(QIODevice::ReadOnly)) {
            return false;
        }
        // Three quarters in, off the packet grid: the last picture is torn.
        const qint64 size = source.size() * 3 / 4 + 101;
        QFile target(path);
        return target.open(QIODevice::WriteOnly) && target.write(source.read(size)) == size;
    });
}
