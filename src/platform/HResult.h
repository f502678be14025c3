#pragma once

#include <cstdint>

namespace platform {

// The desktop system's 32-bit result code, negative on a failure. The media graph
// defines the values; the player and the recording item pass them on.
using HRESULT = std::int32_t;

}  // namespace platform
