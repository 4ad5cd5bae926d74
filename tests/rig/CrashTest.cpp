// A test executable that crashes, for the rig's own test: it must end at once
// with a backtrace, not hang. Never part of the unit tests.
#include <gtest/gtest.h>

TEST(Rig, CrashesInATest)
{
    volatile int* pNothing = nullptr;
    const int n = *pNothing; // read here, not inside GoogleTest's comparison
    EXPECT_EQ(0, n);
}
