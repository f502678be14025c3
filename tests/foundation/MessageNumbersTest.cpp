#include "foundation/MessageNumbers.h"

#include <gtest/gtest.h>

// The program's own list passes at compile time; the check itself must catch what
// it stands for.
TEST(MessageNumbers, TheCheckCatchesASharedNumberAndOneOutsideTheRange) {
    constexpr std::uint32_t shared[] = {WM_LOG_LOADED, WM_CUTTING_EVENT, WM_LOG_LOADED};
    constexpr std::uint32_t systemRange[] = {WM_LOG_LOADED, 0x0400};
    constexpr std::uint32_t beyondQt[] = {WM_PLAY_COMPLETE, 0x10000};
    EXPECT_FALSE(foundation::AreSoundMessageNumbers(shared));
    EXPECT_FALSE(foundation::AreSoundMessageNumbers(systemRange));
    EXPECT_FALSE(foundation::AreSoundMessageNumbers(beyondQt));
    EXPECT_TRUE(foundation::AreSoundMessageNumbers(foundation::kWindowMessages));
}
