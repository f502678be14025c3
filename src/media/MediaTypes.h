#pragma once

#include <cstdint>

class QPainter;

namespace media {

// Media time in 100 ns units.
using REFERENCE_TIME = std::int64_t;
inline constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

using LONG_PTR = std::intptr_t;

// What a repaint draws with; the renderers draw into their own surfaces and may ignore it.
using HDC = QPainter*;

enum class PinDirection { Input, Output };

enum FilterState : std::int32_t { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

// Graph event codes.
inline constexpr long EC_COMPLETE = 1;
inline constexpr long EC_USERABORT = 2;
inline constexpr long EC_ERRORABORT = 3;

// Seeking flags.
inline constexpr std::uint32_t AM_SEEKING_NoPositioning = 0;
inline constexpr std::uint32_t AM_SEEKING_AbsolutePositioning = 1;

// Render flags.
inline constexpr std::uint32_t AM_RENDEREX_RENDERTOEXISTINGRENDERERS = 1;

// Renderer modes.
inline constexpr std::uint32_t VMRMode_Windowless = 2;
inline constexpr std::uint32_t VMR_ARMODE_LetterBox = 1;
inline constexpr std::uint32_t MFVideoARMode_PreservePicture = 1;

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

struct NormalizedRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 1.0f;
    float bottom = 1.0f;
};

struct Size {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
};

// The 40-byte header of a device-independent bitmap. Grabs are 32-bit BGRA, rows
// bottom-up (positive height), no compression.
struct BitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

inline constexpr std::uint32_t BI_RGB = 0;

}  // namespace media
