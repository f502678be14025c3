#include "FileItem.h"

#include "foundation/ErrorReport.h"
#include "platform/GuiThread.h"
#include "platform/MessageBox.h"
#include "recordings/TsBlockReader.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <optional>
#include <stdexcept>

using namespace recordings;

namespace {

constexpr std::uint32_t kPmtPid = 0x100;
constexpr std::uint32_t kVideoPid = 0x1011;
constexpr std::uint32_t kAudioPid = 0x1100;
constexpr std::uint32_t kLogPid = 0x1600;
constexpr double kPcrClock = 90000.0;
constexpr int kVersionTextLength = 9;

std::atomic<TFileItem::PlayerDestroyer> playerDestroyer{nullptr};

// A PCR packet of `pid` whose adaptation field is no longer than a packet allows.
bool IsPcrPacket(const std::uint8_t* packet, std::uint32_t pid) {
    return TsPid(packet) == pid && TsHasPcr(packet) && packet[4] <= kTsMaxAdaptationLength;
}

// The PCR base in 90 kHz units modulo 2^32.
std::uint32_t PcrValue(const std::uint8_t* packet) {
    return static_cast<std::uint32_t>(TsReadPcr(packet));
}

// The probe reads outward from each end of the file in blocks that start at a few
// kilobytes and double up to the reader's block: the packets it looks for lie in
// the first and last few kilobytes of a recording. The packets it meets, and
// their order, are those of reading whole blocks.
constexpr std::int64_t kFirstProbeBytes = 64 * kTsPacketSize;

std::int64_t FirstProbeBlock(const TsBlockReader& reader) {
    return std::min(kFirstProbeBytes, reader.BlockBytes());
}

std::int64_t NextProbeBlock(std::int64_t bytes, const TsBlockReader& reader) {
    return std::min(2 * bytes, reader.BlockBytes());
}

// The probe's forward scans: each goes on from the packet where the previous one
// stopped, that packet included, reading block after block from the file's start.
class PacketScan {
  public:
    explicit PacketScan(TsBlockReader& reader) : reader_(reader), want_(FirstProbeBlock(reader)) {}

    // The first block; false when it cannot be read.
    bool Begin() { return reader_.ReadBlock(0, want_); }

    template <typename Match>
    const std::uint8_t* Find(Match match, const char* readFailure, const char* notFound) {
        for (;;) {
            for (; index_ < reader_.Packets(); ++index_) {
                if (match(reader_.Packet(index_))) {
                    return reader_.Packet(index_);
                }
            }
            if (reader_.Length() < want_) {
                throw std::runtime_error(notFound);  // the file has no more whole packets
            }
            const std::int64_t next = reader_.Offset() + want_;
            want_ = NextProbeBlock(want_, reader_);
            if (!reader_.ReadBlock(next, want_)) {
                throw std::runtime_error(readFailure);
            }
            index_ = 0;
        }
    }

  private:
    TsBlockReader& reader_;
    std::int64_t want_;
    std::int64_t index_ = 0;
};

// The last PCR of the file, searched backwards. Whole blocks counted back from the
// end keep the end's packet grid; the part before them that is no whole block
// comes last, on the grid of the file's start. The first packet met must be one.
class LastPcrScan {
  public:
    LastPcrScan(TsBlockReader& reader, std::uint32_t pcrPid)
        : reader_(reader), pcrPid_(pcrPid), want_(FirstProbeBlock(reader)) {}

    std::uint32_t Find(std::int64_t fileSize) {
        const std::int64_t block = reader_.BlockBytes();
        const std::int64_t rest = fileSize >= block ? fileSize % block : fileSize;
        if (fileSize >= block) {
            if (const std::optional<std::uint32_t> pcr = Scan(rest, fileSize)) {
                return *pcr;
            }
        }
        if (const std::optional<std::uint32_t> pcr =
                Scan(0, rest / kTsPacketSize * kTsPacketSize)) {
            return *pcr;
        }
        if (!metPacket_) {
            throw std::runtime_error("TS File is fail");
        }
        throw std::runtime_error(" PCR2 is not find");
    }

  private:
    // The packets of [from, to) from the last one down.
    std::optional<std::uint32_t> Scan(std::int64_t from, std::int64_t to) {
        for (std::int64_t end = to; end > from;) {
            const std::int64_t start = std::max(from, end - want_);
            if (!reader_.ReadBlock(start, end - start)) {
                throw std::runtime_error(metPacket_ ? " PCR is not find" : " last PCR is not find");
            }
            const std::int64_t packets = reader_.Packets();
            if (!metPacket_ && (packets == 0 || reader_.Packet(packets - 1)[0] != 0x47)) {
                throw std::runtime_error("TS File is fail");
            }
            metPacket_ = true;
            for (std::int64_t i = packets - 1; i >= 0; --i) {
                if (IsPcrPacket(reader_.Packet(i), pcrPid_)) {
                    return PcrValue(reader_.Packet(i));
                }
            }
            end = start;
            want_ = NextProbeBlock(want_, reader_);
        }
        return std::nullopt;
    }

    TsBlockReader& reader_;
    std::uint32_t pcrPid_;
    std::int64_t want_;
    bool metPacket_ = false;
};

}  // namespace

platform::FileHandle recordings::OpenRecording(const QString& path,
                                               const RecordingReadLimits& limits,
                                               std::int64_t* size) {
    platform::FileHandle file = platform::FileHandle::OpenRead(path);
    // Only a regular file has a size to check and an end that the scans reach: a
    // folder, a pipe or a device is no recording.
    *size = file.IsOpen() && QFileInfo(path).isFile() ? file.Size() : -1;
    if (*size < 0) {
        throw std::runtime_error("Open fil Error");
    }
    if (*size > limits.maxFileSize) {
        platform::MessageBox::Show(
            nullptr, QStringLiteral("File is greater 2GB. This Program is not supported"),
            QStringLiteral("Error"), platform::MB_OK);
        throw std::runtime_error("Open fil Error");
    }
    return file;
}

TFileItem::TFileItem(const QString& path) : TFileItem(path, RecordingReadLimits{}) {}

TFileItem::TFileItem(const QString& filePath, const RecordingReadLimits& limits) {
    try {
        std::int64_t size = 0;
        const platform::FileHandle file = OpenRecording(filePath, limits, &size);
        if (!ReadTSInfo(file, size, limits)) {
            fileType = FILE_TYPE_NONE;
            throw std::runtime_error("File type Unknow!");
        }
        path = filePath;
        flags = platform::FileHandle::IsReadOnlyFile(filePath) ? std::uint32_t{FILE_ITEM_READ_ONLY}
                                                               : 0u;
    } catch (const std::exception& e) {
        fileType = FILE_TYPE_NONE;
        EXCEPTION_LOG_LINE("TFileItem::TFileItem", e);
    }
}

TFileItem::~TFileItem() = default;

bool TFileItem::ReadTSInfo(const platform::FileHandle& file, std::int64_t fileSize,
                           const RecordingReadLimits& limits) {
    try {
        pids.fill(0);
        TsBlockReader reader(file, limits.blockBytes);
        PacketScan scan(reader);
        if (!scan.Begin()) {
            throw std::runtime_error("File open error");
        }
        if (reader.Length() == 0 || reader.Data()[0] != 0x47) {
            throw std::runtime_error("Only support TS File");
        }
        const std::uint8_t* pat = scan.Find([](const std::uint8_t* p) { return TsPid(p) == 0; },
                                            " pid == 0 is not find", " program list is not find.");
        pids[PID_PMT] = ReadPid(pat + 19);
        if (pids[PID_PMT] != kPmtPid) {
            throw std::runtime_error(" AM_PMT_PID is not equal.");
        }
        const std::uint8_t* pmt =
            scan.Find([&](const std::uint8_t* p) { return TsPid(p) == pids[PID_PMT]; },
                      " pid == 0 is not find", " PMT is not find.");
        pids[PID_PCR] = ReadPid(pmt + 13);
        // Only the low byte of each length is taken; every entry must lie in the packet.
        std::int64_t entry = 17 + pmt[16];
        for (int i = PID_VIDEO; i <= PID_LOG; ++i) {
            if (entry + 5 > kTsPacketSize) {
                throw std::runtime_error(" PID is not equal to define.");
            }
            pids[i] = ReadPid(pmt + entry + 1);
            entry += 5 + pmt[entry + 4];
        }
        if (pids[PID_VIDEO] != kVideoPid || pids[PID_AUDIO] != kAudioPid ||
            pids[PID_LOG] != kLogPid) {
            throw std::runtime_error(" PID is not equal to define.");
        }
        fileType = FILE_TYPE_TS;
        const std::uint32_t pcrPid = pids[PID_PCR];
        const std::uint8_t* firstPcrPacket =
            scan.Find([&](const std::uint8_t* p) { return IsPcrPacket(p, pcrPid); },
                      " PCR is not find", " PCR is not find.");
        const std::uint32_t firstPcr = PcrValue(firstPcrPacket);
        const std::uint8_t* logPacket =
            scan.Find([&](const std::uint8_t* p) { return TsPid(p) == pids[PID_LOG]; },
                      " pidLog is not find", " PID is not equal to define.");
        if (TsHasAdaptation(logPacket)) {
            ReadLogStreamHeader(logPacket);
        }
        const std::uint32_t lastPcr = LastPcrScan(reader, pcrPid).Find(fileSize);
        // A clock wrap between the two stays a forward step; a backward one is refused.
        const auto ticks = static_cast<std::int32_t>(lastPcr - firstPcr);
        if (lastPcr != firstPcr && ticks <= 0) {
            throw std::runtime_error(" PCR2 is not valid.");
        }
        duration = ticks / kPcrClock;
        return true;
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("TFileItem::ReadTSInfo", e);
        return false;
    }
}

void TFileItem::ReadLogStreamHeader(const std::uint8_t* packet) {
    // The PES header and the header with the start time behind it must lie in the packet.
    const int pesStart = 5 + packet[4];
    if (pesStart + 9 > kTsPacketSize) {
        throw std::runtime_error("Model magicF is not find.");
    }
    const int dataStart = pesStart + 9 + packet[pesStart + 8];
    if (dataStart + static_cast<int>(header.size()) + 4 > kTsPacketSize) {
        throw std::runtime_error("Model magicF is not find.");
    }
    std::copy_n(packet + dataStart, header.size(), header.begin());
    if (ReadLe32(header.data()) != kLogStreamMagic) {
        throw std::runtime_error("Model magicF is not find.");
    }
    startTime = ReadLe32(packet + dataStart + header.size());
    versionText = QString::asprintf(" %2d.%2d.%2d", header[8], header[9], header[10])
                      .left(kVersionTextLength);
}

void TFileItem::AddRef() {
    refCount_.fetch_add(1, std::memory_order_relaxed);
}

std::int32_t TFileItem::Release() {
    const std::int32_t count = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count != 0) {
        return count;
    }
    // The player belongs to the GUI thread: a last release elsewhere queues the teardown.
    platform::RunOnGuiThread(nullptr, [this] { Teardown(); });
    return count;
}

void TFileItem::Teardown() {
    FreeSensorLog(log);
    if (player != nullptr) {
        if (const PlayerDestroyer destroy = playerDestroyer.load()) {
            destroy(player);
        }
        player = nullptr;
    }
    delete this;
}

void TFileItem::SetPlayerDestroyer(PlayerDestroyer destroyer) {
    playerDestroyer.store(destroyer);
}

QString TFileItem::GetStartTimeText() const {
    return QDateTime::fromSecsSinceEpoch(startTime, Qt::UTC)
        .toString(QStringLiteral("yy/MM/dd HH:mm:ss"));
}
