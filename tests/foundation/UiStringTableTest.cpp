#include "foundation/UiStringTable.h"

#include <gtest/gtest.h>

TEST(UiStringTable, LanguageOutsideTheTableReadsEnglish) {
    EXPECT_EQ(UiText(0, 7), QStringLiteral("English"));
    EXPECT_EQ(UiText(0, -1), QStringLiteral("English"));
    EXPECT_TRUE(UiText(134, 0).isEmpty());
}
