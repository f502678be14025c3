#include "MemoryFile.h"

#include <sys/mman.h>
#include <unistd.h>

MemoryFile::MemoryFile(const char* name) : fd_(::memfd_create(name, MFD_CLOEXEC)) {
    path_ = QStringLiteral("/proc/self/fd/%1").arg(fd_);
}

MemoryFile::~MemoryFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool MemoryFile::Fill(const std::uint8_t* data, std::size_t size) {
    if (fd_ < 0 || ::ftruncate(fd_, 0) != 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}
