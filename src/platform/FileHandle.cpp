#include "FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

QByteArray NativePath(const QString& path) {
    return path.toLocal8Bit();
}

// Opens without blocking, so a named pipe without a partner (a FIFO given as a
// recording or chosen as a destination) fails or reads empty instead of hanging
// the caller; blocking is restored for the open descriptor.
int OpenNonBlocking(const QString& path, int flags, mode_t mode = 0) {
    const int fd = ::open(NativePath(path).constData(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd >= 0) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return fd;
}

}  // namespace

FileHandle::~FileHandle() {
    Reset();
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
    }
    return *this;
}

void FileHandle::Reset() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FileHandle FileHandle::OpenRead(const QString& path) {
    const int fd = OpenNonBlocking(path, O_RDONLY);
    return FileHandle(fd, fd < 0 ? errno : 0);
}

FileHandle FileHandle::CreateWrite(const QString& path) {
    const int fd = OpenNonBlocking(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    return FileHandle(fd, fd < 0 ? errno : 0);
}

FileHandle FileHandle::CreateNew(const QString& path) {
    const int fd = OpenNonBlocking(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    return FileHandle(fd, fd < 0 ? errno : 0);
}

bool FileHandle::IsRegularFile() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
        error_ = fd_ < 0 ? EBADF : errno;
        return false;
    }
    return S_ISREG(info.st_mode);
}

std::int64_t FileHandle::Size() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
        error_ = fd_ < 0 ? EBADF : errno;
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::int64_t FileHandle::NextData(std::int64_t offset) const {
    const off_t found = ::lseek(fd_, offset, SEEK_DATA);
    if (found >= 0) {
        return found;
    }
    return errno == ENXIO ? std::max(offset, Size()) : offset;
}

std::int64_t FileHandle::NextHole(std::int64_t offset) const {
    const off_t found = ::lseek(fd_, offset, SEEK_HOLE);
    return found >= 0 ? found : std::max(offset, Size());
}

std::int64_t FileHandle::ReadAt(void* buffer, std::int64_t size, std::int64_t offset) const {
    if (fd_ < 0 || size < 0 || offset < 0) {
        error_ = EINVAL;
        return -1;
    }
    auto* bytes = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd_, bytes + done, static_cast<size_t>(size - done),
                                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error_ = errno;
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

bool FileHandle::Write(const void* data, std::int64_t size) {
    if (fd_ < 0 || size < 0) {
        error_ = EBADF;
        return false;
    }
    return WriteLoop(data, size, [this](const char* bytes, size_t count, std::int64_t) {
        return ::write(fd_, bytes, count);
    });
}

bool FileHandle::WriteAt(const void* data, std::int64_t size, std::int64_t offset) {
    if (fd_ < 0 || size < 0 || offset < 0) {
        error_ = EBADF;
        return false;
    }
    return WriteLoop(data, size,
                     [this, offset](const char* bytes, size_t count, std::int64_t done) {
                         return ::pwrite(fd_, bytes, count, static_cast<off_t>(offset + done));
                     });
}

template <typename WriteCall>
bool FileHandle::WriteLoop(const void* data, std::int64_t size, WriteCall writeCall) {
    const auto* bytes = static_cast<const char*>(data);
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t put = writeCall(bytes + done, static_cast<size_t>(size - done), done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            error_ = errno;
            return false;
        }
        if (put == 0) {
            error_ = ENOSPC;
            return false;
        }
        done += put;
    }
    return true;
}

bool FileHandle::Close() {
    if (fd_ < 0) {
        return true;
    }
    bool ok = true;
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
        error_ = errno;
        ok = false;
    }
    if (::close(fd_) != 0 && ok) {
        error_ = errno;
        ok = false;
    }
    fd_ = -1;
    return ok;
}

bool FileHandle::IsReadOnlyFile(const QString& path) {
    struct stat info {};
    if (::stat(NativePath(path).constData(), &info) != 0) {
        return false;
    }
    return (info.st_mode & S_IWUSR) == 0;
}

bool FileHandle::AddOwnerWritePermission(const QString& path) {
    struct stat info {};
    const QByteArray native = NativePath(path);
    if (::stat(native.constData(), &info) != 0) {
        return false;
    }
    return ::chmod(native.constData(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

}  // namespace platform
