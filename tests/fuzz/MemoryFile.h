#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// A file in memory (memfd) that the program opens by path like any recording:
// the fuzz targets hand it their input without a new seam in the readers.
class MemoryFile {
  public:
    explicit MemoryFile(const char* name);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the content; false when it cannot be written.
    bool Fill(const std::uint8_t* data, std::size_t size);
    const QString& Path() const { return path_; }

  private:
    int fd_ = -1;
    QString path_;
};
