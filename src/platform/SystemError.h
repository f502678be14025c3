#pragma once

#include <QString>

#include <cstdint>

namespace platform {

// The program reports failures with the desktop system's error codes (2 file not
// found, 5 access denied, 8 not enough memory, ...). These map them to and from
// errno and give the system's text for them.

// An errno value without a code of its own is carried as this base plus the
// value: the bit the desktop system leaves to applications, so no system code
// is taken, and the text stays the system's own for that errno.
inline constexpr std::uint32_t kErrnoCodeBase = 0x20000000;

// The text for a code, or an empty text when the system has none.
QString SystemErrorText(std::uint32_t code);

// The code for an errno value: a mapped code, else kErrnoCodeBase + the value;
// values outside 1..65535 map to 31 (device not functioning).
std::uint32_t ErrorCodeFromErrno(int error);

}  // namespace platform
