#pragma once

#include "platform/HResult.h"

#include <cstdint>

namespace media {

// Result codes with the values the player's callers test for.
using platform::HRESULT;

inline constexpr HRESULT Code(std::uint32_t value) {
    return static_cast<HRESULT>(value);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = Code(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = Code(0x80004002);
inline constexpr HRESULT E_POINTER = Code(0x80004003);
inline constexpr HRESULT E_ABORT = Code(0x80004004);
inline constexpr HRESULT E_FAIL = Code(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = Code(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = Code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = Code(0x80070057);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = Code(0x80040154);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = Code(0x80040204);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = Code(0x80040209);
inline constexpr HRESULT VFW_E_NOT_FOUND = Code(0x80040216);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = Code(0x80040218);
inline constexpr HRESULT VFW_E_NOT_STOPPED = Code(0x80040224);
inline constexpr HRESULT VFW_E_WRONG_STATE = Code(0x80040227);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = Code(0x8004022A);
inline constexpr HRESULT VFW_E_TIMEOUT = Code(0x8004022E);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = Code(0x80040240);
inline constexpr HRESULT E_FILE_NOT_FOUND = Code(0x80070002);
inline constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = Code(0x80040241);
inline constexpr HRESULT VFW_E_NOT_IN_GRAPH = Code(0x8004025F);
inline constexpr HRESULT VFW_E_NO_DISPLAY = Code(0x80040280);

inline constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}
inline constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

}  // namespace media
