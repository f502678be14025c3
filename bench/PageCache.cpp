#include "PageCache.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace bench {

bool ReadIntoPageCache(const QStringList& paths) {
    std::vector<char> buffer(1 << 20);
    for (const QString& path : paths) {
        const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        ssize_t got = 0;
        while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
        }
        ::close(fd);
        if (got < 0) {
            return false;
        }
    }
    return true;
}

bool DropFromPageCache(const QString& path) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Dirty pages are not dropped: write them back first.
    const bool ok = ::fdatasync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return ok;
}

void SyncAll() {
    ::sync();
}

}  // namespace bench
