#pragma once

#include "Cuttingproc.h"
#include "platform/FileHandle.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace cutting {

// A source recording as the cutters read it: whole ranges by absolute offset.
// Files are read with pread rather than mapped, so a memory card pulled out in
// the middle of a cut ends in a failed read instead of a crash.
class SourceReader {
  public:
    virtual ~SourceReader() = default;
    virtual std::uint64_t Size() const = 0;
    // All `size` bytes at `offset`; false when they are not all there.
    virtual bool Read(std::uint64_t offset, void* buffer, std::size_t size) const = 0;
};

class FileSourceReader : public SourceReader {
  public:
    // False when the file cannot be opened or its size taken.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return file_.IsOpen(); }

    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* buffer, std::size_t size) const override;

  private:
    platform::FileHandle file_;
    std::uint64_t size_ = 0;
};

// Opens a source of the MP4 or MOV cutter: 0, Err_Cut_OpenSrcFileErrorr, or
// Err_Cut_SrcFileSizeOverError for a file over 2,000,000,000 bytes.
CutResult OpenCutSource(FileSourceReader& source, const QString& path);

// Copies `size` bytes at `offset` of the source to the end of `output` through
// `buffer` (grown as needed).
enum class CopyOutcome { Copied, ReadFailed, WriteFailed };
CopyOutcome CopySourceBytes(const SourceReader& source, std::uint64_t offset, std::size_t size,
                            std::vector<std::uint8_t>& buffer, platform::FileHandle& output);

// The same for a range of any size, `blockSize` bytes at a time.
CopyOutcome CopySourceRange(const SourceReader& source, std::uint64_t offset, std::uint64_t size,
                            std::size_t blockSize, std::vector<std::uint8_t>& buffer,
                            platform::FileHandle& output);

// The cut's result for a failed copy: a source that cannot be read counts as one
// that cannot be mapped, an output that cannot be written as one that cannot be
// opened.
CutResult CopyFailureResult(CopyOutcome outcome);

class MemorySourceReader : public SourceReader {
  public:
    explicit MemorySourceReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t Size() const override { return bytes_.size(); }
    bool Read(std::uint64_t offset, void* buffer, std::size_t size) const override;

  private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace cutting
