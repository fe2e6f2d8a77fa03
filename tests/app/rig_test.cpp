#include <gtest/gtest.h>
#include <windows.h>
TEST(Rig, Runs) { EXPECT_EQ(4u, sizeof(void*)); }
