#pragma once

#include <QString>

#include <cstdint>

namespace platform {

// An owned POSIX file descriptor. Reads use pread (a file may shrink while it is
// read, a memory card may be pulled out) and loop over short reads and EINTR;
// every write is checked and looped to its end.
class FileHandle {
  public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    static FileHandle OpenRead(const QString& path);
    // Creates the file or empties an existing one, for writing.
    static FileHandle CreateWrite(const QString& path);
    // Creates a new file for writing; fails (EEXIST) when an entry of that name
    // exists, whatever it is, and never writes through a symbolic link.
    static FileHandle CreateNew(const QString& path);

    bool IsOpen() const { return fd_ >= 0; }
    // errno of the last failed call on this handle (or of the failed open).
    int LastError() const { return error_; }

    // File size in bytes, or -1.
    std::int64_t Size() const;
    // True for a regular file; false for a device, a pipe, a folder or an error.
    bool IsRegularFile() const;
    // Reads up to `size` bytes at `offset`; fewer only at the end of the file.
    // Returns the bytes read, or -1 on an error.
    std::int64_t ReadAt(void* buffer, std::int64_t size, std::int64_t offset) const;
    // Where the next stored data at or after `offset` starts, past a hole of a
    // sparse file; `offset` itself where the file system cannot tell, the size
    // when only a hole follows. Both move the position Write uses.
    std::int64_t NextData(std::int64_t offset) const;
    // Where the next hole at or after `offset` starts (the size when none does).
    std::int64_t NextHole(std::int64_t offset) const;
    // Writes all bytes at the current position; false on any failure (a full disk too).
    bool Write(const void* data, std::int64_t size);
    // Writes all bytes at `offset`; does not move the current position.
    bool WriteAt(const void* data, std::int64_t size, std::int64_t offset);
    // Flushes to the device and closes; false when either fails.
    bool Close();

    // True when the file exists and its owner has no write permission: what a
    // recorder's locked file looks like once copied or mounted.
    static bool IsReadOnlyFile(const QString& path);
    // Gives the owner write permission, every other mode bit unchanged; false when
    // the file is missing or its mode cannot be changed (errno kept).
    static bool AddOwnerWritePermission(const QString& path);

  private:
    explicit FileHandle(int fd, int error) : fd_(fd), error_(error) {}
    void Reset();
    // Loops `writeCall(bytes, count, done)` until all is written; checks each step.
    template <typename WriteCall>
    bool WriteLoop(const void* data, std::int64_t size, WriteCall writeCall);

    int fd_ = -1;
    mutable int error_ = 0;
};

}  // namespace platform
