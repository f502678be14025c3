#include "CutFixture.h"

#include "platform/FileHandle.h"
#include "platform/WindowMessage.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <string>

std::int32_t RefCount(TFileItem* item) {
    item->AddRef();
    return item->Release();
}

bool CutMessageSink::event(QEvent* event) {
    if (const platform::WindowMessage* message =
            platform::WindowMessage::From(event, WM_CUTTING_EVENT)) {
        messages_.push_back({message->WParam(), message->LParam()});
        return true;
    }
    return QObject::event(event);
}

std::optional<CutResult> CutMessageSink::Final() const {
    for (const Message& message : messages_) {
        if (message.wParam != 1) {
            return static_cast<CutResult>(message.wParam);
        }
    }
    return std::nullopt;
}

int CutMessageSink::FinalCount() const {
    int count = 0;
    for (const Message& message : messages_) {
        count += message.wParam != 1 ? 1 : 0;
    }
    return count;
}

bool CutMessageSink::WaitForFinal(int timeoutMs) {
    return WaitUntil([this] { return Final().has_value(); }, timeoutMs);
}

void CutMessageSink::Drain() {
    QCoreApplication::sendPostedEvents();
}

namespace {

std::int64_t TimeAt(const std::uint8_t* b) {
    return (std::int64_t{b[0] & 0x0E} << 29) | (std::int64_t{b[1]} << 22) |
           (std::int64_t{b[2] & 0xFE} << 14) | (std::int64_t{b[3]} << 7) | (b[4] >> 1);
}

void ParsePes(const std::uint8_t* p, ClipPacket& packet) {
    const int at = packet.adaptationLength >= 0 ? 5 + packet.adaptationLength : 4;
    if (at + 14 > 188 || p[at] != 0 || p[at + 1] != 0 || p[at + 2] != 1) {
        return;
    }
    packet.pesAt = at;
    if ((p[at + 7] & 0x80) != 0) {
        packet.pts = TimeAt(p + at + 9);
    }
    if ((p[at + 7] & 0xC0) == 0xC0 && at + 19 <= 188) {
        packet.dts = TimeAt(p + at + 14);
    }
}

// Continuity faults per PID; the four rewritten streams must count from 0.
std::string ContinuityFaults(const std::vector<ClipPacket>& packets) {
    std::map<int, int> last;
    std::string faults;
    for (const ClipPacket& packet : packets) {
        if (packet.pid == tsrec::kPidNull) {
            continue;
        }
        const auto found = last.find(packet.pid);
        if (found == last.end()) {
            const bool rewritten = packet.pid == tsrec::kPidVideo ||
                                   packet.pid == tsrec::kPidAudio || packet.pid == tsrec::kPidLog ||
                                   packet.pid == tsrec::kPidPmt;
            if (rewritten && packet.counter != 0) {
                faults += "first counter of " + std::to_string(packet.pid) + "; ";
            }
        } else {
            const int expected = packet.payload ? (found->second + 1) & 0x0F : found->second;
            if (packet.counter != expected) {
                faults += "pid " + std::to_string(packet.pid) + " at " +
                          std::to_string(packet.offset) + "; ";
            }
        }
        last[packet.pid] = packet.counter;
    }
    return faults;
}

// Bounded PES (sound, log) that do not hold exactly the bytes their length says.
std::string IncompletePes(const std::vector<std::uint8_t>& clip, std::uint16_t pid) {
    std::string faults;
    int expected = -1;  // bytes the PES in hand still lacks; -1 none or unbounded
    for (const ClipPacket& packet : PacketsOf(ParseClip(clip), pid)) {
        const std::uint8_t* p = clip.data() + packet.offset;
        const int payloadAt = packet.adaptationLength >= 0 ? 5 + packet.adaptationLength : 4;
        const int payload = std::max(0, 188 - payloadAt);
        if (packet.pesStart) {
            if (expected > 0) {
                faults += "short PES before " + std::to_string(packet.offset) + "; ";
            }
            const int length =
                packet.pesAt >= 0 ? (p[packet.pesAt + 4] << 8) | p[packet.pesAt + 5] : 0;
            expected = length > 0 ? length + 6 - payload : -1;
        } else if (expected >= 0) {
            expected -= payload;
            if (expected < 0) {
                faults += "long PES at " + std::to_string(packet.offset) + "; ";
            }
        }
    }
    return faults;
}

}  // namespace

void ExpectPacketGrid(const std::vector<std::uint8_t>& clip) {
    ASSERT_FALSE(clip.empty());
    EXPECT_EQ(clip.size() % 188, 0u);
    const std::vector<ClipPacket> packets = ParseClip(clip);
    for (const ClipPacket& packet : packets) {
        ASSERT_EQ(packet.sync, 0x47) << "at " << packet.offset;
    }
    for (const std::uint16_t pid : {tsrec::kPidVideo, tsrec::kPidAudio, tsrec::kPidLog}) {
        const std::vector<ClipPacket> stream = PacketsOf(packets, pid);
        if (!stream.empty()) {
            EXPECT_TRUE(stream.front().pesStart) << "pid " << pid;
        }
        EXPECT_EQ(IncompletePes(clip, pid), "") << "pid " << pid;
    }
    EXPECT_EQ(ContinuityFaults(packets), "");
}

std::vector<ClipPacket> ParseClip(const std::vector<std::uint8_t>& bytes) {
    std::vector<ClipPacket> packets;
    for (std::size_t offset = 0; offset + 188 <= bytes.size(); offset += 188) {
        const std::uint8_t* p = bytes.data() + offset;
        ClipPacket packet;
        packet.offset = offset;
        packet.sync = p[0];
        packet.pid = static_cast<std::uint16_t>(((p[1] & 0x1F) << 8) | p[2]);
        packet.pesStart = (p[1] & 0x40) != 0;
        packet.payload = (p[3] & 0x10) != 0;
        packet.counter = p[3] & 0x0F;
        if ((p[3] & 0x20) != 0) {
            packet.adaptationLength = p[4];
            packet.randomAccess = p[4] > 0 && (p[5] & 0x40) != 0;
            if (p[4] >= 7 && (p[5] & 0x10) != 0) {
                const std::uint32_t field =
                    (std::uint32_t{p[6]} << 24) | (p[7] << 16) | (p[8] << 8) | p[9];
                packet.pcr = std::int64_t{field} * 2;
            }
        }
        if (packet.pesStart) {
            ParsePes(p, packet);
        }
        packets.push_back(packet);
    }
    return packets;
}

std::vector<ClipPacket> PacketsOf(const std::vector<ClipPacket>& packets, std::uint16_t pid) {
    std::vector<ClipPacket> result;
    for (const ClipPacket& packet : packets) {
        if (packet.pid == pid) {
            result.push_back(packet);
        }
    }
    return result;
}

std::vector<std::int64_t> PtsOf(const std::vector<ClipPacket>& packets, std::uint16_t pid) {
    std::vector<std::int64_t> result;
    for (const ClipPacket& packet : packets) {
        if (packet.pid == pid && packet.pts) {
            result.push_back(*packet.pts);
        }
    }
    return result;
}

int BackwardClockSteps(const std::vector<ClipPacket>& packets) {
    int steps = 0;
    std::optional<std::int64_t> last;
    for (const ClipPacket& packet : packets) {
        if (packet.pcr) {
            steps += last && *packet.pcr < *last ? 1 : 0;
            last = packet.pcr;
        }
    }
    return steps;
}

QString FfprobeErrors(const QString& path) {
    const tsrec::FfprobeReport report = tsrec::RunFfprobe(path);
    return report.ran ? report.errors : QStringLiteral("ffprobe failed: ") + report.errors;
}

QString ContinuityErrors(const QString& path) {
    QByteArray output;
    QByteArray errors;
    tsrec::RunTool(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-loglevel"), QStringLiteral("debug"), QStringLiteral("-show_packets"),
         QStringLiteral("-of"), QStringLiteral("csv"), path},
        &output, &errors);
    QStringList found;
    for (const QByteArray& line : errors.split('\n')) {
        if (line.contains("Continuity check failed")) {
            found << QString::fromUtf8(line);
        }
    }
    return found.join(u'\n');
}

QString DecodeErrors(const QString& path) {
    QByteArray errors;
    const bool ran =
        tsrec::RunTool(QStringLiteral("ffmpeg"),
                       {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                        QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("null"),
                        QStringLiteral("-")},
                       nullptr, &errors);
    return ran ? QString::fromUtf8(errors) : QStringLiteral("ffmpeg failed: ") + errors;
}

QStringList PictureHashes(const QString& path) {
    QByteArray output;
    QByteArray errors;
    tsrec::RunTool(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                    QStringLiteral("-i"), path, QStringLiteral("-map"), QStringLiteral("0:v"),
                    QStringLiteral("-fps_mode"), QStringLiteral("passthrough"),
                    QStringLiteral("-f"), QStringLiteral("framemd5"), QStringLiteral("-")},
                   &output, &errors);
    QStringList hashes;
    for (const QByteArray& line : output.split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#')) {
            hashes << QString::fromLatin1(line.split(',').last().trimmed());
        }
    }
    return hashes;
}

ItemRef CutTest::Recording(const QString& name, const tsrec::TsRecordingSpec& spec) {
    const QString path = PathOf(name);
    EXPECT_TRUE(tsrec::WriteTsRecording(path, spec)) << name.toStdString();
    ItemRef item(new TFileItem(path));
    EXPECT_EQ(item->fileType, FILE_TYPE_TS) << name.toStdString();
    return item;
}

ItemRef CutTest::FakeItem(double duration, std::int32_t fileType, const QString& path) {
    ItemRef item(new TFileItem(QStringLiteral("/nonexistent/never-probed.ts")));
    item->duration = duration;
    item->fileType = fileType;
    item->path = path;
    return item;
}

const tsrec::ElementaryStreams& CutTest::RealMedia(double seconds, int bFrames) {
    tsrec::TestMediaParams params;
    params.seconds = seconds;
    params.bFrames = bFrames;
    const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
    EXPECT_FALSE(media.h264.empty()) << "the ffmpeg tool made no test media";
    return media;
}

CutTest::CutRun CutTest::Cut(const std::vector<TFileItem*>& playList, const QString& destination,
                             double start, double end, std::int32_t chunkPackets) {
    CutMessageSink sink;
    CutRun run;
    {
        CuttingProc job(&sink, WM_CUTTING_EVENT);
        job.tsChunkPackets = chunkPackets;
        run.started = job.StartCutting(playList, destination, start, end);
        if (run.started == Cut_OK) {
            EXPECT_TRUE(sink.WaitForFinal()) << "no final message";
            job.ReleaseSelection();
        }
    }
    run.result = sink.Final();
    run.messages = sink.Messages();
    return run;
}

std::vector<int> CutTest::CutOutput::Progress() const {
    std::vector<int> values;
    for (const CutMessageSink::Message& message : messages) {
        if (message.wParam == 1) {
            values.push_back(static_cast<int>(message.lParam));
        }
    }
    return values;
}

CutTest::CutOutput CutTest::RunCutter(const Cutter& cutter, const std::vector<TFileItem*>& sources,
                                      const CutOptions& options) {
    CutMessageSink sink;
    CutOutput cut;
    {
        CuttingProc job(&sink, WM_CUTTING_EVENT);
        double before = 0.0;
        std::uint64_t bytes = 0;
        for (TFileItem* item : sources) {
            item->AddRef();
            job.selection.push_back(item);
            bytes += static_cast<std::uint64_t>(QFileInfo(item->path).size());
            job.sourceSizes.push_back(QFileInfo(item->path).size());
        }
        if (!options.sourceSizes.empty()) {
            job.sourceSizes = options.sourceSizes;
        }
        for (std::size_t i = 0; i + 1 < sources.size(); ++i) {
            before += sources[i]->duration;
        }
        job.startOffset = options.start;
        job.endOffset = options.end;
        job.span = options.span >= 0.0 ? options.span : before + options.end - options.start;
        job.totalBytes =
            options.totalBytes > 0 ? options.totalBytes : static_cast<std::uint32_t>(bytes);
        job.mappingWindowSize = options.movWindowSize;
        job.tsChunkPackets = options.tsChunkPackets;
        job.tsStartFromFirstByte = options.tsStartFromFirstByte;
        job.stopFlag = options.stopBeforeStart ? 1 : 0;
        const QString path = PathOf(QStringLiteral("clip.out"));
        if (options.discardOutput) {
            job.outputFile = platform::FileHandle::CreateWrite(QStringLiteral("/dev/null"));
        } else if (options.readOnlyOutput) {
            tsrec::WriteFileBytes(path, {});
            job.outputFile = platform::FileHandle::OpenRead(path);
        } else {
            job.outputFile = platform::FileHandle::CreateWrite(path);
        }
        EXPECT_TRUE(job.outputFile.IsOpen());
        cut.result = cutter(&job);
        job.outputFile.Close();
        job.ReleaseSelection();
        cut.clip = Bytes(path);
    }
    sink.Drain();
    cut.messages = sink.Messages();
    return cut;
}
