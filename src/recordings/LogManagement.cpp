#include "LogManagement.h"

#include "foundation/ErrorReport.h"
#include "platform/DebugOutput.h"
#include "platform/WindowMessage.h"
#include "recordings/TsBlockReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

using namespace recordings;

namespace {

constexpr std::uint32_t kLogPidHigh = 0x16;  // PIDs 0x1600..0x16FF carry the log
constexpr int kRecordOffset = 124;
constexpr double kSamplesPerSecond = 5.0;
constexpr double kSpareSamples = 50.0;
constexpr std::int32_t kNotEnoughMemory = 8;
constexpr std::uint64_t kMaxSamples = std::numeric_limits<std::uint32_t>::max();

float ReadFloat(const std::uint8_t* at) {
    float value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::uint32_t ClampSamples(double samples) {
    if (!(samples > 0)) {
        return 0;
    }
    return samples >= static_cast<double>(kMaxSamples) ? static_cast<std::uint32_t>(kMaxSamples)
                                                       : static_cast<std::uint32_t>(samples);
}

// Five samples a second and 50 spare; a duration below 0 counts as 0.
std::uint32_t LogCapacity(double durationSeconds) {
    return ClampSamples(std::max(0.0, durationSeconds) * kSamplesPerSecond + kSpareSamples);
}

// time + offset, truncated toward zero, modulo 2^32.
std::uint32_t ShiftTime(std::uint32_t time, double offsetMs) {
    const double shifted = std::trunc(static_cast<double>(time) + offsetMs);
    const double wrapped = std::fmod(shifted, 4294967296.0);
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(wrapped) & 0xFFFFFFFF);
}

// Where the first sample of a decode stands: its seconds and milliseconds.
struct LogOrigin {
    bool set = false;
    std::uint32_t seconds = 0;
    std::uint32_t milliseconds = 0;
};

void DecodeRecord(const std::uint8_t* record, LogOrigin& origin, SensorLog& log, std::uint32_t i) {
    const std::uint32_t seconds = ReadLe32(record);
    const std::uint32_t milliseconds = ReadLe16(record + 4) & 0x0FFF;
    if (!origin.set) {
        origin = {true, seconds, milliseconds};
    }
    log.time[i] = (seconds - origin.seconds) * 1000u + milliseconds - origin.milliseconds;

    const float gX = -ReadFloat(record + 40);
    const float gY = -ReadFloat(record + 44);
    const float gZ = -ReadFloat(record + 48);
    log.gX[i] = gX;
    log.gY[i] = gY;
    log.gZ[i] = gZ;
    log.gTotal[i] = std::sqrt(gX * gX + gY * gY + gZ * gZ);

    const std::uint16_t lampsAndSpeed = ReadLe16(record + 26);
    const std::uint16_t tenthsAndCoolant = ReadLe16(record + 28);
    const std::uint16_t battery = ReadLe16(record + 32);
    log.obdSpeed[i] = static_cast<float>((lampsAndSpeed >> 7) + (tenthsAndCoolant & 0x0F) * 0.1);
    const auto coolant = static_cast<std::int16_t>((tenthsAndCoolant >> 4) & 0xFF);
    log.coolant[i] = (lampsAndSpeed & 0x40) != 0 ? static_cast<std::int16_t>(-coolant) : coolant;
    log.battery[i] = static_cast<float>((battery & 0x1F) + ((battery >> 5) & 0x0F) * 0.1);
    log.turnLamps[i] = lampsAndSpeed & 0x3u;
    log.gpsSpeed[i] = 0;
    log.latitude[i] = 0;
    log.longitude[i] = 0;
    log.rpm[i] = 0;
}

void MergeExtremes(SensorLog& merged, const SensorLog& item) {
    merged.gMax = std::max(merged.gMax, item.gMax);
    merged.gMin = std::min(merged.gMin, item.gMin);
    merged.speedMax = std::max(merged.speedMax, item.speedMax);
    if (item.rpmMax > merged.rpmMax) {
        merged.rpmMax = std::ceil(item.rpmMax);
    }
    merged.coolantMax = std::max(merged.coolantMax, item.coolantMax);
    merged.coolantMin = std::min(merged.coolantMin, item.coolantMin);
    merged.batteryMax = std::max(merged.batteryMax, item.batteryMax);
    merged.batteryMin = std::min(merged.batteryMin, item.batteryMin);
}

}  // namespace

TLogManagement* LogManager = nullptr;

TLogManagement::TLogManagement(QObject* notifyWindow, const RecordingReadLimits& limits)
    : notifyWindow_(notifyWindow),
      limits_(limits),
      worker_("sensor-log", [this](platform::Worker::Control& worker) { Run(worker); }) {
    // The worker waits for its first item; it touches neither the merged log nor
    // the snapshot.
    AllocLog(merged_, kMergedLogStartCapacity);
    PublishSnapshot();
}

void TLogManagement::StopWorker() {
    worker_.RequestStop();
}

TLogManagement::~TLogManagement() {
    worker_.Stop();
    if (TFileItem* item = itemInWork_.exchange(nullptr)) {
        item->Release();
    }
    for (TFileItem* item : playList_) {
        item->Release();
    }
    playList_.clear();
}

bool TLogManagement::AllocLog(SensorLog& log, std::uint32_t n) {
    if (log.block && n <= log.capacity) {
        return true;
    }
    if (!AllocateSensorLog(log, n)) {
        ShowErrorCode(kNotEnoughMemory);
        return false;
    }
    return true;
}

void TLogManagement::SetFileList(const FileItemList& list) {
    // The new items are referenced before the old ones are let go: an item in both
    // lists must not reach a count of 0 on the way.
    FileItemList old = std::move(playList_);
    playList_.clear();
    startOffsets_.clear();
    total_ = 0.0;
    for (TFileItem* item : list) {
        item->AddRef();
        playList_.push_back(item);
        startOffsets_.push_back(total_);
        total_ += item->duration * 1000.0;
    }
    for (TFileItem* item : old) {
        item->Release();
    }
    newList_ = true;
    MergeLogs();
}

void TLogManagement::MergeLogs() {
    if (newList_) {
        merged_.count = 0;
        nextIndex_ = 0;
        ClearSensorLogExtremes(merged_);
        mergeOffset_ = 0.0;
        newList_ = false;
    }
    while (nextIndex_ < playList_.size()) {
        TFileItem* item = playList_[nextIndex_];
        const std::int32_t state = item->logState.load();
        if (state == LOG_NOT_READ || state == LOG_READING) {
            if (itemInWork_.load() == nullptr) {
                item->AddRef();
                item->logState.store(LOG_READING);
                itemInWork_.store(item);
                worker_.Wake();
            }
            break;  // merged once the worker's WM_LOG_LOADED brings the walk back
        }
        const std::uint64_t needed = std::uint64_t{merged_.count} + item->log.count;
        if (needed > merged_.capacity) {
            if (needed > kMaxSamples) {
                break;  // no log of 32-bit size holds them
            }
            const std::uint64_t grown =
                std::uint64_t{merged_.capacity} + 4 * std::uint64_t{item->log.count};
            if (!AllocLog(merged_, static_cast<std::uint32_t>(std::min(grown, kMaxSamples)))) {
                break;  // the merged samples stay; a later merge tries again
            }
            mergeOffset_ = 0.0;
            platform::DebugOutput::Write(QStringLiteral("Realloc memory"));
            nextIndex_ = 0;
            continue;
        }
        AppendItemLog(*item);
        ++nextIndex_;
    }
    PublishSnapshot();
    platform::PostWindowMessage(notifyWindow_, WM_LOG_MERGED);
}

void TLogManagement::AppendItemLog(const TFileItem& item) {
    const SensorLog& log = item.log;
    const std::uint32_t at = merged_.count;
    if (log.count > 0) {
        CopySensorLogSamples(log, 0, log.count, merged_, at);
        for (std::uint32_t i = at; i < at + log.count; ++i) {
            merged_.time[i] = ShiftTime(merged_.time[i], mergeOffset_);
        }
    }
    merged_.count += log.count;
    // A failed or empty log still takes its place on the time line.
    mergeOffset_ += item.duration * 1000.0;
    MergeExtremes(merged_, log);
}

void TLogManagement::PublishSnapshot() {
    std::shared_ptr<const SensorLog> snapshot = CopySensorLog(merged_);
    if (!snapshot) {
        return;  // readers keep the previous one
    }
    std::lock_guard lock(snapshotMutex_);
    snapshot_ = std::move(snapshot);
}

std::shared_ptr<const SensorLog> TLogManagement::Snapshot() const {
    std::lock_guard lock(snapshotMutex_);
    return snapshot_;
}

void TLogManagement::Run(platform::Worker::Control& worker) {
    for (;;) {
        worker.Wait();
        if (worker.StopRequested()) {
            return;
        }
        TFileItem* item = itemInWork_.load();
        if (item == nullptr) {
            continue;
        }
        const bool read = ReadLog(*item);
        if (!read && worker.StopRequested()) {
            return;  // cut short: the item stays unread, the destructor releases it
        }
        if (read && item->log.count > 0) {
            ComputeSensorLogExtremes(item->log);
            item->logState.store(LOG_READ);
        } else {
            item->logState.store(LOG_FAILED);
        }
        itemInWork_.store(nullptr);
        item->Release();
        platform::PostWindowMessage(notifyWindow_, WM_LOG_LOADED);
    }
}

bool TLogManagement::ReadLog(TFileItem& item) {
    try {
        std::int64_t size = 0;
        const platform::FileHandle file = OpenRecording(item.path, limits_, &size);
        return item.fileType == FILE_TYPE_TS && ReadTSLog(file, item);
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("TLogManagement::ReadLog", e);
        return false;
    }
}

bool TLogManagement::ReadTSLog(const platform::FileHandle& file, TFileItem& item) {
    SensorLog& log = item.log;
    log.count = 0;
    if (!AllocLog(log, LogCapacity(item.duration))) {
        throw std::runtime_error("Falvor TS file alloc memory is not enough.");
    }
    TsBlockReader reader(file, limits_.blockBytes);
    LogOrigin origin;
    std::uint32_t samples = 0;
    for (bool more = reader.ReadBlock(0);; more = reader.ReadNextBlock()) {
        if (!more || worker_.StopRequested()) {
            throw std::runtime_error("Err_Read_TS_LOG");
        }
        for (std::int64_t i = 0; i < reader.Packets(); ++i) {
            const std::uint8_t* packet = reader.Packet(i);
            if ((TsPid(packet) >> 8) != kLogPidHigh) {
                continue;
            }
            if (samples == log.capacity) {
                // More samples than the duration promised: keep them all.
                const std::uint64_t grown = std::max<std::uint64_t>(64, 2 * std::uint64_t{samples});
                if (samples == kMaxSamples ||
                    !GrowSensorLog(log, static_cast<std::uint32_t>(std::min(grown, kMaxSamples)),
                                   samples)) {
                    throw std::runtime_error("Falvor TS file alloc memory is not enough.");
                }
            }
            DecodeRecord(packet + kRecordOffset, origin, log, samples);
            ++samples;
        }
        if (reader.Length() < reader.BlockBytes()) {
            break;  // end of file; a trailing part of a packet is not one
        }
    }
    log.count = samples;
    return true;
}
