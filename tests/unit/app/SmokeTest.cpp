#include "app/Platform.h"
#include "tests/fakes/FakePlatform.h"
#include <gtest/gtest.h>

TEST(Platform, FakeKeysAnswerThroughTheTable)
{
    FakePlatform fake;
    fake.Press(VK_TAB);
    EXPECT_TRUE(IsKeyPressed(VK_TAB));
    EXPECT_FALSE(IsKeyPressed(VK_SHIFT));
}
