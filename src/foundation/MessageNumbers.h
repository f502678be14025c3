#pragma once

#include <cstddef>
#include <cstdint>

// Every window message of the program, by number, in one place.

// Log worker and merge to the main window; wParam and lParam 0.
inline constexpr std::uint32_t WM_LOG_LOADED = 0x8000;  // the worker is done with an item
inline constexpr std::uint32_t WM_LOG_MERGED = 0x8001;  // the merged log may have changed
// Cutting worker to the main window: wParam 1 progress (lParam per mille of the
// total), any other wParam the job's final CutResult.
inline constexpr std::uint32_t WM_CUTTING_EVENT = 0x8002;
// Player to the video window.
inline constexpr std::uint32_t WM_GRAPH_NOTIFY = 0x83E8;   // posted; lParam the player
inline constexpr std::uint32_t WM_PLAY_COMPLETE = 0x83E9;  // sent; wParam the player

namespace foundation {

// Distinct, and inside the application's range, which lies within the event types
// Qt leaves to programs (a window message travels as an event of its number).
template <std::size_t N>
constexpr bool AreSoundMessageNumbers(const std::uint32_t (&numbers)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        if (numbers[i] < 0x8000 || numbers[i] > 0xBFFF) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (numbers[i] == numbers[j]) {
                return false;
            }
        }
    }
    return true;
}

inline constexpr std::uint32_t kWindowMessages[] = {
    WM_LOG_LOADED, WM_LOG_MERGED, WM_CUTTING_EVENT, WM_GRAPH_NOTIFY, WM_PLAY_COMPLETE,
};
static_assert(AreSoundMessageNumbers(kWindowMessages),
              "two window messages share a number, or one lies outside the application's range");

}  // namespace foundation
