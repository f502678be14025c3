#pragma once

#include "media/AvHandles.h"
#include "media/PacketIndex.h"
#include "platform/FileHandle.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace media {

// libavformat's input for a source: the local file read with pread. Once it
// follows an index being built, a read waits until the index has looked at the
// bytes it wants and ends short of the next gap the index found: at a gap
// libavformat sees the end of the file, so it never searches megabytes of zeros
// for a packet, and the source goes on after the gap.
//
// The opening thread uses it, then the source's demuxing worker.
class FileInput {
  public:
    // Null when the file cannot be opened.
    static std::unique_ptr<FileInput> Open(const QString& path);
    ~FileInput();
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;

    AVIOContext* Context() const { return context_; }
    // While hidden the size is unknown to libavformat: opening a transport stream
    // then does not read the end of the file for a duration the index gives.
    void HideSize(bool hidden) { sizeHidden_ = hidden; }
    // From now on reads stop at the gaps of `index`. With `cancelled` they wait
    // until the index has looked at the bytes they want, `cancelled` ending a wait
    // (the read then fails); without, the input ends where the index has not looked
    // yet (while the index does not grow).
    void Follow(std::shared_ptr<const PacketIndex> index, std::function<bool()> cancelled);
    // Where reading may go on after the gap that ended the input; -1 when the
    // input ended at the file's end. A seek clears it.
    std::int64_t ResumePosition() const { return resumeAt_; }
    std::int64_t BytesRead() const { return bytesRead_.load(); }

  private:
    explicit FileInput(platform::FileHandle file);
    static int ReadPacket(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    int Read(std::uint8_t* buffer, int size);

    platform::FileHandle file_;
    const std::int64_t size_;
    AVIOContext* context_ = nullptr;
    std::int64_t position_ = 0;
    bool sizeHidden_ = false;
    std::int64_t resumeAt_ = -1;
    std::shared_ptr<const PacketIndex> index_;
    std::function<bool()> cancelled_;
    std::atomic<std::int64_t> bytesRead_{0};
};

}  // namespace media
