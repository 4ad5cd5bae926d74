// The key test every keyboard poll goes through.
#include "app/Platform.h"
#include "tests/fakes/FakePlatform.h"

#include <gtest/gtest.h>

namespace
{
SHORT s_keyState = 0;
SHORT WINAPI KeyState(int) { return s_keyState; }
} // namespace

// Down (top bit), pressed since the last query (bottom bit), or both: all count.
TEST(Platform, AnyNonZeroKeyStateCountsAsPressed)
{
    FakePlatform platform;
    g_platform.GetAsyncKeyState = KeyState;
    const struct
    {
        SHORT state;
        bool bPressed;
    } cases[] = {{0, false}, {1, true}, {SHORT(0x8000), true}, {SHORT(0x8001), true}, {0x0100, true}};
    for (const auto& c : cases)
    {
        s_keyState = c.state;
        EXPECT_EQ(c.bPressed, IsKeyPressed('Z')) << "state " << c.state;
    }
}
