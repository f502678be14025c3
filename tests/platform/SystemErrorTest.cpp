#include "platform/SystemError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

QString TextOfErrno(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

TEST(SystemError, EveryErrnoShowsItsOwnTextThroughItsCode) {
    // Mapped ones and ones outside the table alike; none borrows another's text.
    for (const int error : {ENOENT, EACCES, ENOSPC, ENXIO, ELOOP, EISDIR, EXDEV, ETXTBSY, EDQUOT,
                            EOVERFLOW, ENOTEMPTY}) {
        SCOPED_TRACE(error);
        EXPECT_EQ(platform::SystemErrorText(platform::ErrorCodeFromErrno(error)),
                  TextOfErrno(error));
    }
}

TEST(SystemError, MappedErrnosKeepTheirCodesAndOthersTakeNoSystemCode) {
    EXPECT_EQ(platform::ErrorCodeFromErrno(ENOENT), 2u);
    EXPECT_EQ(platform::ErrorCodeFromErrno(EACCES), 5u);
    EXPECT_EQ(platform::ErrorCodeFromErrno(ENXIO), 31u);
    EXPECT_EQ(platform::ErrorCodeFromErrno(ELOOP), platform::kErrnoCodeBase + ELOOP);
    EXPECT_NE(platform::ErrorCodeFromErrno(ELOOP), platform::ErrorCodeFromErrno(EISDIR));
    // Values no errno takes, and codes no one gives, have no text.
    EXPECT_EQ(platform::ErrorCodeFromErrno(0), 31u);
    EXPECT_EQ(platform::ErrorCodeFromErrno(-5), 31u);
    EXPECT_TRUE(platform::SystemErrorText(platform::kErrnoCodeBase).isEmpty());
    EXPECT_TRUE(platform::SystemErrorText(platform::kErrnoCodeBase + 0x10000).isEmpty());
    EXPECT_TRUE(platform::SystemErrorText(123456).isEmpty());
}
