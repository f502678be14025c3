#pragma once

#include <cmath>
#include <cstdint>

namespace cutting {

// The cutters' conversions of seconds and time-scale ratios, done in double and
// truncated toward zero, keeping the low 32 bits. Out-of-range values (which a
// plain cast would leave undefined) saturate before the cut to 32 bits.
inline std::uint32_t Trunc32(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    constexpr double kLimit = 9.0e18;
    const double clamped = value > kLimit ? kLimit : (value < -kLimit ? -kLimit : value);
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(clamped));
}

// Whole seconds of a span or offset, negative values taken as 0; large values
// saturate so that capacities computed from them fail to allocate instead of
// wrapping.
inline std::uint64_t WholeSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0.0) {
        return 0;
    }
    return seconds >= 4.0e9 ? 4000000000ull : static_cast<std::uint64_t>(seconds);
}

// Whole seconds toward zero as a signed 32-bit count (the MOV cutter's
// reading of a start or end offset), widened so that adding to it cannot
// overflow.
inline std::int64_t WholeSecondsSigned(double seconds) {
    return static_cast<std::int32_t>(Trunc32(seconds));
}

// A duration of `units` at `fromScale` expressed at `toScale` (the movie's time
// scale for movie and track headers). Unchanged when the scales agree or one is 0.
inline std::uint32_t RescaleDuration(std::uint32_t units, std::uint32_t fromScale,
                                     std::uint32_t toScale) {
    if (fromScale == toScale || fromScale == 0 || toScale == 0) {
        return units;
    }
    return static_cast<std::uint32_t>(std::uint64_t{units} * toScale / fromScale);
}

}  // namespace cutting
