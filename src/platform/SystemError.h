#pragma once

#include <QString>

#include <cstdint>

namespace platform {

// The program reports failures with the desktop system's error codes (2 file not
// found, 5 access denied, 8 not enough memory, ...). These map them to and from
// errno and give the system's text for them.

// The text for a code, or an empty text when the system has none.
QString SystemErrorText(std::uint32_t code);

// The code for an errno value; unknown values map to 31 (device not functioning).
std::uint32_t ErrorCodeFromErrno(int error);

}  // namespace platform
