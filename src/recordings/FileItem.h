#pragma once

#include "platform/FileHandle.h"
#include "platform/HResult.h"
#include "recordings/SensorLog.h"
#include "recordings/TsPacket.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

class DShowPlayer;  // the playback library's player; recordings only hold it

// Result codes of the player's operations, as the media graph gives them.
using platform::HRESULT;

// What a recording file is.
enum FileType : std::int32_t {
    FILE_TYPE_NONE = 0,  // not a recording (probe failed)
    FILE_TYPE_MP4 = 1,
    FILE_TYPE_MOV = 2,
    FILE_TYPE_TS = 3,
    FILE_TYPE_TS_PCR = 4,  // MPEG-TS cut by its PCR
};

enum FileItemFlags : std::uint32_t {
    FILE_ITEM_SELECTED = 0x1,
    FILE_ITEM_READ_ONLY = 0x10,
    FILE_ITEM_PLAYING = 0x100,
};

enum LogState : std::int32_t {
    LOG_NOT_READ = 0,
    LOG_READING = 1,  // queued for or being read by the log worker
    LOG_READ = 2,     // read with at least one sample
    LOG_FAILED = 3,   // read failed or empty
};

namespace recordings {

// Indexes into TFileItem::pids, in the order the cutter takes them.
enum TsPidIndex { PID_PMT = 0, PID_PCR = 1, PID_VIDEO = 2, PID_AUDIO = 3, PID_LOG = 4 };

inline constexpr std::uint32_t kLogStreamMagic = 0x18168828;
inline constexpr std::int64_t kMaxRecordingSize = 2000000000;
inline constexpr std::int64_t kTsBlockBytes = 65535 * kTsPacketSize;  // 12,320,580

// How the readers of a recording work through it. The defaults are the program's;
// tests shrink the block to reach multi-block cases with small files.
struct RecordingReadLimits {
    std::int64_t blockBytes = kTsBlockBytes;  // whole packets, read at once
    std::int64_t maxFileSize = kMaxRecordingSize;
};

// Opens a recording for reading and checks its size. Throws "Open fil Error" when
// it cannot be opened, is not a regular file or is larger than the limit (after
// showing the size box).
platform::FileHandle OpenRecording(const QString& path, const RecordingReadLimits& limits,
                                   std::int64_t* size);

}  // namespace recordings

// One recording file: what the probe learnt of it, its sensor log and, once it
// has been opened for viewing, its player. Shared by reference count between the
// file list, the play list, the log worker and the cutting job.
class TFileItem {
  public:
    // Opens and probes the file; the caller checks fileType (0: not a recording,
    // and the caller releases the item at once). The count starts at 1.
    explicit TFileItem(const QString& path);
    TFileItem(const QString& path, const recordings::RecordingReadLimits& limits);

    void AddRef();
    // Drops a reference and gives the new count. The last one frees the log and the
    // player and deletes the item; when it runs off the GUI thread, that teardown is
    // queued to the GUI thread.
    std::int32_t Release();

    // Start time as "yy/mm/dd hh:nn:ss", in UTC (the recorder's clock, no zone shift).
    QString GetStartTimeText() const;

    // The video operations, defined by the playback library.
    HRESULT OpenVideo();
    HRESULT PlayFromStart();

    QString path;
    std::int32_t fileType = FILE_TYPE_NONE;
    std::uint32_t flags = 0;
    double duration = 0.0;          // seconds
    std::uint32_t startTime = 0;    // Unix seconds as the recorder wrote them
    QString versionText;            // " %2d.%2d.%2d", at most 9 characters
    DShowPlayer* player = nullptr;  // owned; created by OpenVideo
    SensorLog log;                  // written by the log worker while logState is 1
    std::atomic<std::int32_t> logState{LOG_NOT_READ};
    std::array<std::uint32_t, 5> pids{};    // PMT, PCR, video, audio, log
    std::array<std::uint8_t, 16> header{};  // the recording's LogStreamHeader

    // How the playback library tears an item's player down (set once by it).
    using PlayerDestroyer = void (*)(DShowPlayer* player);
    static void SetPlayerDestroyer(PlayerDestroyer destroyer);

  private:
    ~TFileItem();

    // The probe; fills the stream identifiers, file type, duration, start time,
    // version text and header. False on any failure (logged).
    bool ReadTSInfo(const platform::FileHandle& file, std::int64_t fileSize,
                    const recordings::RecordingReadLimits& limits);
    void ReadLogStreamHeader(const std::uint8_t* packet);
    // Frees the log block, destroys the player and the item; GUI thread.
    void Teardown();

    std::atomic<std::int32_t> refCount_{1};
};

// A play list or a selection: items in play order, each holding a reference.
using FileItemList = std::vector<TFileItem*>;
