#include "SystemError.h"

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

struct CodeMapping {
    std::uint32_t code;
    int error;
};

// First match wins in both directions, so the common code for an errno comes first.
constexpr CodeMapping kMappings[] = {
    {2, ENOENT},                      // file not found
    {3, ENOTDIR},                     // path not found
    {4, EMFILE},                      // too many open files
    {5, EACCES},                      // access denied
    {5, EPERM},          {6, EBADF},  // invalid handle
    {8, ENOMEM},                      // not enough memory
    {19, EROFS},                      // write protected
    {23, EIO},                        // data error
    {32, EBUSY},                      // sharing violation
    {112, ENOSPC},                    // disk full
    {39, ENOSPC},                     // handle disk full
    {80, EEXIST},                     // file exists
    {87, EINVAL},                     // invalid parameter
    {206, ENAMETOOLONG},              // file name too long
    {31, ENXIO},                      // device not functioning
    {31, ENODEV},
};

constexpr int kMaxCarriedErrno = 0xFFFF;
constexpr std::uint32_t kDeviceNotFunctioning = 31;

QString ErrnoText(int error) {
    char buffer[256] = {};
    return QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
}

}  // namespace

QString SystemErrorText(std::uint32_t code) {
    for (const CodeMapping& mapping : kMappings) {
        if (mapping.code == code) {
            return ErrnoText(mapping.error);
        }
    }
    const std::uint32_t carried = code - kErrnoCodeBase;
    if (code > kErrnoCodeBase && carried <= kMaxCarriedErrno) {
        return ErrnoText(static_cast<int>(carried));
    }
    return QString();
}

std::uint32_t ErrorCodeFromErrno(int error) {
    for (const CodeMapping& mapping : kMappings) {
        if (mapping.error == error) {
            return mapping.code;
        }
    }
    if (error > 0 && error <= kMaxCarriedErrno) {
        return kErrnoCodeBase + static_cast<std::uint32_t>(error);
    }
    return kDeviceNotFunctioning;
}

}  // namespace platform
